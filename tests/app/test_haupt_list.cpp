// SPDX-License-Identifier: GPL-3.0-or-later
// The message list on the emulated modem: rows, the new-message question and its playback,
// rebuilding, widths, and the re-entrant checks that dialogs and the voice window cause.
#include "test_haupt_fixture.h"

#include "common/ProgramPaths.h"

#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

const QString kQuestion =
    QStringLiteral("Es befinden sich neue Nachrichten im Speicher.\rSollen sie jetzt abgespielt werden?");

emu::EmulatorOptions FourKinds()
{
    emu::EmulatorOptions o;
    o.messages.push_back(DemoFax(253));
    o.messages.push_back(DemoVoice(255));
    const std::vector<std::uint8_t> bytes(120, 0x41);
    emu::StoredMessage data = emu::dataMessage(bytes);
    data.state = 252;
    data.id = "Daten 1";
    o.messages.push_back(data);
    emu::StoredMessage odd = emu::rawMessage(9, std::vector<std::uint8_t>(7, 0x42));
    odd.state = 253;
    o.messages.push_back(odd);
    return o;
}

TEST(HauptList, ColumnsAndTextsForEveryType)
{
    EmulatorFixture modem(FourKinds(), 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    ASSERT_EQ(w.haupt.RowCount(), 5);
    EXPECT_EQ(w.haupt.MessageCount(), 4);
    const THaupt& h = w.haupt;
    EXPECT_EQ(h.Cell(0, 0), "Typ");
    EXPECT_EQ(h.Cell(2, 0), QString::fromUtf8("Abgehört"));
    EXPECT_EQ(h.Cell(0, 1), "Fax");
    EXPECT_EQ(h.Cell(1, 1), "Fax 0301");
    EXPECT_EQ(h.Cell(2, 1), "True");
    EXPECT_EQ(h.Cell(4, 1), "1 Seite(n)");
    EXPECT_EQ(h.Cell(0, 2), "Sprache");
    EXPECT_EQ(h.Cell(2, 2), "false");
    EXPECT_EQ(h.Cell(3, 2), "false");
    EXPECT_TRUE(h.Cell(4, 2).endsWith(" Sekunden"));
    EXPECT_EQ(h.Cell(0, 3), "Daten");
    EXPECT_EQ(h.Cell(3, 3), "True");
    EXPECT_EQ(h.Cell(4, 3), "120 Byte");
    EXPECT_EQ(h.Cell(0, 4), "");
    EXPECT_EQ(h.Cell(4, 4), "7 ");
    EXPECT_FALSE(h.Cell(5, 4).isEmpty());
    EXPECT_GT(w.haupt.PBSpeicheraus->value(), -1);

    // Data and unknown messages do nothing on a double click (beyond their download).
    w.haupt.SetCurrentRow(3);
    w.action("Abspielen")->trigger();
    w.haupt.SetCurrentRow(4);
    w.action("Abspielen")->trigger();
    EXPECT_TRUE(w.played.empty());
    EXPECT_TRUE(w.shellOpened.isEmpty());

    // A double click on the voice row plays it.
    w.haupt.show();
    QWidget* cells = w.haupt.SG->viewport();
    const QPoint voice = w.haupt.SG->visualItemRect(w.haupt.SG->item(1, 1)).center();
    QTest::mouseClick(cells, Qt::LeftButton, {}, voice);
    QTest::mouseDClick(cells, Qt::LeftButton, {}, voice);
    EXPECT_EQ(w.haupt.CurrentRow(), 2);
    EXPECT_EQ(w.played.size(), 1u);
}

TEST(HauptList, QuestionOnlyWithUnlistenedAndYesPlaysOnlyThose)
{
    emu::EmulatorOptions o;
    o.messages = {DemoVoice(253), DemoVoice(255), DemoFax(253)};
    EmulatorFixture modem(o, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.boxes.answers = {true};
    w.haupt.FormActivate();
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].caption, "Zarvo");
    EXPECT_EQ(w.boxes.shown[0].text, kQuestion);
    ASSERT_EQ(w.played.size(), 1u);
    EXPECT_EQ(w.played[0], THaupt::TempWavName());
    EXPECT_EQ(w.haupt.CurrentRow(), 2);

    // An unchanged count rebuilds nothing and asks nothing.
    modem.clearTranscript();
    w.haupt.SetCurrentRow(1);
    w.action("AC_NeuNR")->trigger();
    EXPECT_EQ(modem.transcript(), (std::vector<std::string>{"ATE0V1+MSR=0"}));
    EXPECT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.haupt.CurrentRow(), 1);
}

TEST(HauptList, FailedStatusQueryGivesAnEmptyListNotStaleRows)
{
    emu::EmulatorOptions o;
    o.messages = {DemoVoice(253), DemoFax(253)};
    EmulatorFixture modem(o, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    ASSERT_EQ(w.haupt.RowCount(), 3);
    emu::Faults f;
    f.error.match = "+MSR=0";
    modem.setFaults(f);
    w.haupt.FillMessageList();
    EXPECT_EQ(w.haupt.RowCount(), 1);
    EXPECT_EQ(w.haupt.MessageCount(), -1);
    EXPECT_EQ(w.haupt.PBSpeicheraus->value(), 0);

    // A malformed directory entry keeps its (blank) row and is reported once.
    modem.setFaults({});
    f = {};
    f.badField.match = "+MSR=2";
    modem.setFaults(f);
    w.haupt.FillMessageList();
    EXPECT_EQ(w.haupt.RowCount(), 3);
    EXPECT_EQ(w.haupt.Cell(0, 1), "Sprache");
    EXPECT_EQ(w.haupt.Cell(0, 2), "");
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].kind, ScriptedMessages::Kind::Error);
}

TEST(HauptList, LongIdentifiersWidenTheWindow)
{
    emu::EmulatorOptions o;
    emu::StoredMessage m = DemoVoice(253);
    m.id = "WWWWWWWWWWWWWWWWWWWW";
    o.messages = {m};
    EmulatorFixture modem(o, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    int sum = 0;
    for (int c = 0; c < kListColumns; ++c)
        sum += w.haupt.SG->columnWidth(c);
    ASSERT_GT(sum + 50, 419);
    EXPECT_EQ(w.haupt.width(), sum + 66);
    // Every text fits its column.
    const QFontMetrics fm = w.haupt.SG->fontMetrics();
    for (int c = 0; c < kListColumns; ++c)
        EXPECT_GE(w.haupt.SG->columnWidth(c), fm.horizontalAdvance(w.haupt.Cell(c, 1)) + 3) << c;
}

// A seam whose question runs something while it is open, as a real box lets events through.
class QuestionWithEvents : public ScriptedMessages {
  public:
    std::function<void()> whileOpen;
    bool question(const QString& caption, const QString& text) override
    {
        if (whileOpen)
            whileOpen();
        return ScriptedMessages::question(caption, text);
    }
};

TEST(HauptList, ActivationWhileTheQuestionIsOpenAsksNoSecondQuestion)
{
    emu::EmulatorOptions o;
    o.messages = {DemoVoice(255)};
    EmulatorFixture modem(o, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    QuestionWithEvents boxes;
    boxes.whileOpen = [&] { w.haupt.FormActivate(); };
    w.haupt.FormActivate();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(w.played.empty()); // answered No
}

TEST(HauptList, PlaybackSurvivesARebuildThatRemovesItsRows)
{
    emu::EmulatorOptions o;
    o.messages = {DemoVoice(255), DemoVoice(255), DemoVoice(255)};
    EmulatorFixture modem(o, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.boxes.answers = {true};
    // The first voice window closes after the memory was erased elsewhere; its close reactivates
    // the main window.
    w.waveHook = [&](TWave&) {
        if (w.played.size() == 1) {
            w.haupt.Zarvo1->ClearMemory();
            w.haupt.FormActivate();
        }
    };
    w.haupt.FormActivate();
    EXPECT_EQ(w.played.size(), 1u);
    EXPECT_EQ(w.boxes.shown.size(), 1u);
    // The deferred check ran after the playback and shows the emptied memory.
    EXPECT_EQ(w.haupt.RowCount(), 1);
    EXPECT_EQ(w.haupt.MessageCount(), 0);
}

TEST(HauptList, FaxViewTwoWritesTheTiffAndStartsTheProgram)
{
    emu::EmulatorOptions o;
    o.messages = {DemoFax(253)};
    EmulatorFixture modem(o, 1, "[Modem]\nComPort=1\n[Prog]\nFaxView=2\nExtFax=\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    w.haupt.SetCurrentRow(1);
    w.action("Abspielen")->trigger();
    EXPECT_EQ(w.shellOpened, QStringList{"|" + THaupt::TempTifName()});
    EXPECT_TRUE(QFile::exists(THaupt::TempTifName()));

    w.haupt.Opts.FaxView = 1;
    w.action("Abspielen")->trigger();
    EXPECT_EQ(w.shellOpened.last(), "kodakimg.exe|" + THaupt::TempTifName());
}

} // namespace
} // namespace zarvo::test

namespace zarvo::test {
namespace {

TEST(HauptList, AFailedConversionNeverPlaysOrShowsThePreviousMessagesFile)
{
    emu::EmulatorOptions o;
    o.messages.push_back(DemoVoice(253));
    o.messages.push_back(emu::rawMessage(1, std::vector<std::uint8_t>(40, 0x00))); // a fax of no pages
    o.messages.back().state = 253;
    o.messages.back().size = 0;
    EmulatorFixture modem(o, 1, "[Modem]\nComPort=1\n[Prog]\nFaxView=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    for (const QString& name : {THaupt::TempWavName(), THaupt::TempTifName()}) {
        QFile stale(name);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("the previous message");
    }
    // The voice conversion cannot park its stream: a directory stands where its file goes.
    ASSERT_TRUE(QDir().mkpath(ProgramPaths::programFile("~~test.gsm")));
    w.haupt.SetCurrentRow(1);
    w.action("Abspielen")->trigger();
    w.haupt.SetCurrentRow(2);
    w.action("Abspielen")->trigger();
    EXPECT_TRUE(w.played.empty());
    EXPECT_TRUE(w.shellOpened.isEmpty());
}

} // namespace
} // namespace zarvo::test
