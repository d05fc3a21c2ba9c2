// SPDX-License-Identifier: GPL-3.0-or-later
// Closing the main window: the busy refusal, the return to self mode, the log file, the emergency
// exit and the tray.
#include "test_haupt_fixture.h"

#include "app/TaskIcon.h"
#include "common/ProgramPaths.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

const QString kRefusal =
    QStringLiteral("ZARVO kann nicht beendet werden, solange auf das Modem zugegriffen wird !");

TEST(HauptClosing, BusyRefusesEveryWayOfClosing)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    w.haupt.show();
    QSignalSpy closed(&w.haupt, &THaupt::Closed);
    w.haupt.Zarvo1->Busy = true;
    EXPECT_FALSE(w.haupt.close()); // the window manager's close and Alt+F4 arrive here
    w.action("Schliessen")->trigger();
    EXPECT_TRUE(w.haupt.isVisible());
    ASSERT_EQ(w.boxes.shown.size(), 2u);
    EXPECT_EQ(w.boxes.shown[0].text, kRefusal);
    EXPECT_EQ(w.boxes.shown[0].caption, "ZARVO");
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(w.haupt.Timer1->isActive());

    w.haupt.Zarvo1->Busy = false;
    w.haupt.Opts.UnAbEn = false;
    modem.clearTranscript();
    EXPECT_TRUE(w.haupt.close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(w.haupt.Timer1->isActive());
    EXPECT_TRUE(modem.transcript().empty()); // without UnAbEn the modem is left alone
}

TEST(HauptClosing, UnAbEnReturnsTheModemToSelfMode)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    ASSERT_TRUE(w.haupt.Opts.UnAbEn); // the default
    modem.clearTranscript();
    EXPECT_TRUE(w.haupt.close());
    const auto t = modem.transcript();
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.front(), "AT+MCL=0");
    EXPECT_LT(IndexOf(t, "ATE0+MCS=1"), IndexOf(t, "ATE0V1+MFI?"));
    EXPECT_TRUE(modem.emulator().selfMode());
}

TEST(HauptClosing, UnAbEnWithoutModemStillEnds)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    modem.emulator().stop();
    EXPECT_TRUE(w.haupt.close());
}

TEST(HauptClosing, LogFileIsWrittenAndAnUnwritableOneDoesNotKeepTheProgram)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    {
        HauptWindows w;
        w.haupt.FormActivate();
        w.haupt.LogToFile = true;
        w.haupt.Opts.UnAbEn = false;
        EXPECT_TRUE(w.haupt.close());
        QFile log(ProgramPaths::logFile());
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        EXPECT_TRUE(text.contains("<ATE0V1+MSR=0\r\n")) << text.constData();
    }
    {
        HauptWindows w;
        w.haupt.FormActivate();
        w.haupt.LogToFile = true;
        w.haupt.Opts.UnAbEn = false;
        QFile::remove(ProgramPaths::logFile());
        ASSERT_TRUE(QDir().mkdir(ProgramPaths::logFile())); // a directory where the file belongs
        EXPECT_TRUE(w.haupt.close());
        ASSERT_EQ(w.boxes.shown.size(), 1u);
        EXPECT_EQ(w.boxes.shown[0].kind, ScriptedMessages::Kind::Error);
        EXPECT_TRUE(w.boxes.shown[0].text.contains("ZARVO.LOG"));
    }
}

TEST(HauptClosing, EmergencyExitSkipsEveryCheck)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    // The emergency exit works only while the status log is shown.
    QAction* emergency = w.haupt.findChild<QAction*>("NotAbbruchderAnwendung1");
    w.haupt.Timer1Timer();
    EXPECT_FALSE(emergency->isEnabled());
    w.action("Z_Status")->trigger();
    w.haupt.Timer1Timer();
    ASSERT_TRUE(emergency->isEnabled());
    modem.clearTranscript();
    w.haupt.Zarvo1->Busy = true;
    emergency->trigger();
    EXPECT_TRUE(w.haupt.EmergencyExit);
    EXPECT_FALSE(w.haupt.isVisible());
    EXPECT_TRUE(w.boxes.shown.empty());
    EXPECT_TRUE(modem.transcript().empty());
    w.haupt.Zarvo1->Busy = false;
}

TEST(HauptClosing, TrayRestoreBringsTheWindowBackAndRemovesTheIcon)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.show();
    w.haupt.TaskIcon1->SetEnabled(true);
    w.haupt.hide();
    w.haupt.TaskIcon1Click();
    EXPECT_TRUE(w.haupt.isVisible());
    EXPECT_FALSE(w.haupt.TaskIcon1->Enabled());
    EXPECT_EQ(w.haupt.TaskIcon1->Hint(), "Zarvo");
}

} // namespace
} // namespace zarvo::test
