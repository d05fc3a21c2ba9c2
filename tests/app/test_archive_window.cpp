// SPDX-License-Identifier: GPL-3.0-or-later
// The archive window from the main window: Ctrl+H, a caller typed, Enter shows the archived fax.
#include "test_haupt_fixture.h"

#include "app/UArchiv.h"
#include "common/ProgramPaths.h"
#include "core/archive/Archive.h"
#include "core/archive/ArchiveListModel.h"
#include "viewer/FRHaupt.h"
#include "viewer/FaxViewerFactory.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

QByteArray Shielded(const std::vector<std::uint8_t>& stream)
{
    QByteArray out;
    for (const std::uint8_t b : stream) {
        out.append(char(b));
        if (b == 0x10)
            out.append(char(b));
    }
    return out + QByteArray("\x10\x03");
}

TEST(ArchiveWindow, CtrlHTypeACallerAndEnterShowsTheArchivedFax)
{
    EmulatorFixture modem(emu::EmulatorOptions{}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    QString problem;
    auto archive =
        archive::Archive::open(ProgramPaths::archiveFolder(), ProgramPaths::archiveIndexFile(), &problem);
    ASSERT_TRUE(archive) << problem.toStdString();
    const QDateTime when(QDate(2026, 12, 9), QTime(14, 3), Qt::OffsetFromUTC, 3600);
    const archive::AddResult fax =
        archive->add({archive::MessageKind::Fax,
                      QStringLiteral("Fax 0301 Schmidt"),
                      when,
                      1,
                      QByteArray("F\x01", 2) + Shielded(readDemoFile("fax-normal.g3")),
                      {}});
    ASSERT_TRUE(fax.newlyStored()) << fax.reason.toStdString();
    ASSERT_TRUE(
        archive->add({archive::MessageKind::Data, QStringLiteral("Weber"), when.addDays(1), 3, "Dabc", {}})
            .newlyStored());

    HauptWindows w;
    InstallFaxViewer(*w.haupt.Zarvo1);
    w.haupt.FormActivate();
    w.haupt.show();
    w.haupt.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.haupt));
    QTest::keyClick(&w.haupt, Qt::Key_H, Qt::ControlModifier);

    auto* window = w.haupt.findChild<TArchiv*>();
    ASSERT_NE(window, nullptr);
    // The platform activates the new window first, the application follows.
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Model() != nullptr; }));
    EXPECT_EQ(window->windowTitle(), "Zarvo Archiv");
    EXPECT_EQ(QApplication::focusWidget(), window->SearchField());
    EXPECT_EQ(window->Model()->rowCount(), 2);
    EXPECT_EQ(window->StatusText(), "2 Nachrichten im Archiv");

    QTest::keyClicks(window->SearchField(), QStringLiteral("schmi"));
    QTest::keyClick(window->SearchField(), Qt::Key_Return);
    EXPECT_EQ(window->Model()->rowCount(), 1);
    TFaxView* view = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* v = qobject_cast<TFaxView*>(top); v && v->isVisible())
            view = v;
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Doc.PageCount, 1);
    EXPECT_TRUE(archive->get(fax.id)->heard);
    EXPECT_TRUE(w.boxes.shown.empty());

    // A folder gone away (its drive not connected) is said, not made anew as an empty archive.
    ASSERT_TRUE(QDir().rename(ProgramPaths::archiveFolder(), ProgramPaths::archiveFolder() + "-weg"));
    TArchiv missing(w.haupt.Zarvo1, nullptr, &w.haupt);
    missing.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return missing.StatusText().contains("fehlt"); }));
    EXPECT_FALSE(QFileInfo::exists(ProgramPaths::archiveFolder()));
}

} // namespace
} // namespace zarvo::test
