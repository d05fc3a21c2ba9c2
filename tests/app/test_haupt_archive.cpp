// SPDX-License-Identifier: GPL-3.0-or-later
// The main window keeps what it downloads in the archive, and the erase asks before it loses any.
#include "test_haupt_fixture.h"

#include "common/ProgramPaths.h"
#include "core/archive/Archive.h"

#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

emu::EmulatorOptions ThreeKinds()
{
    emu::EmulatorOptions o;
    emu::StoredMessage data = emu::dataMessage(std::vector<std::uint8_t>(40, 7));
    data.state = 253; // heard: no new-message question
    o.messages = {DemoVoice(253), DemoFax(253), data};
    return o;
}

qint64 Archived()
{
    QString problem;
    auto archive =
        archive::Archive::open(ProgramPaths::archiveFolder(), ProgramPaths::archiveIndexFile(), &problem);
    return archive ? archive->count() : -1;
}

TEST(HauptArchive, PlayingArchivesAndTheEraseArchivesTheRestFirst)
{
    EmulatorFixture modem(ThreeKinds(), 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    const auto* grid = w.haupt.findChild<QTableWidget*>("SG");
    EXPECT_EQ(grid->item(0, 1)->toolTip(), QString());
    w.haupt.SetCurrentRow(1);
    w.action("Abspielen")->trigger();
    ASSERT_EQ(w.played.size(), 1u);
    EXPECT_EQ(Archived(), 1);
    EXPECT_EQ(grid->item(0, 1)->toolTip(), "Im Archiv gespeichert");
    EXPECT_EQ(grid->item(1, 1)->toolTip(), QString());

    w.boxes.answers = {true, true};
    w.action("AC_Speicherloesch")->trigger();
    ASSERT_EQ(w.boxes.shown.size(), 2u);
    EXPECT_EQ(
        w.boxes.shown[0].text,
        QString::fromUtf8("2 Nachrichten sind noch nicht archiviert. Erst archivieren und dann löschen?"));
    EXPECT_EQ(w.boxes.shown[1].text, QString::fromUtf8("Soll der Speicher wirklich gelöscht werden?"));
    EXPECT_EQ(Archived(), 3);
    EXPECT_EQ(CountOf(modem.transcript(), "AT+MEM"), 1);
    EXPECT_EQ(w.haupt.RowCount(), 1);
}

TEST(HauptArchive, AtOnceArchivesWhatTheListShows)
{
    EmulatorFixture modem(ThreeKinds(), 1,
                          "[Modem]\nComPort=1\n" + ModemOptSection() + "[Archiv]\nSofort=1\n");
    HauptWindows w;
    w.haupt.FormActivate();
    EXPECT_TRUE(QTest::qWaitFor([] { return Archived() == 3; }, 60000));
    // Nothing is left to ask about: the erase goes straight to its own question.
    w.action("AC_Speicherloesch")->trigger();
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, QString::fromUtf8("Soll der Speicher wirklich gelöscht werden?"));
}

} // namespace
} // namespace zarvo::test
