// SPDX-License-Identifier: GPL-3.0-or-later
// The real program beside the emulated modem: SIGTERM runs the close box's sequence, a batch run
// beside the running program gets the modem held off, and a close asked for while a box is open.
#include "BuildPaths.h"
#include "test_haupt_fixture.h"

#include "modem/Zarvo.h"

#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>

namespace zarvo::test {
namespace {

const QString kProgram = QStringLiteral(ZARVO_BINARY_DIR "/src/app/zarvo");

QProcessEnvironment Headless(const QString& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("ZARVO_HOME", home);
    return environment;
}

bool WaitForLine(const EmulatorFixture& modem, const std::string& line, int count = 1)
{
    return QTest::qWaitFor([&] { return CountOf(modem.transcript(), line) >= count; }, 30000);
}

TEST(HauptShutdown, SigtermReturnsTheModemToSelfModeAndABatchRunBesideItGetsTheModem)
{
    if (!QFile::exists(kProgram))
        GTEST_SKIP() << "zarvo is not built";
    emu::EmulatorOptions options;
    options.messages = {DemoVoice(252)};
    EmulatorFixture modem(options, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    QProcess desktop;
    desktop.setProcessEnvironment(Headless(modem.programDir()));
    desktop.start(kProgram, {});
    ASSERT_TRUE(WaitForLine(modem, "ATE0V1+MSR=1")) << "the start-up read the list";

    // A batch run beside it: the desktop program holds off, the batch run saves, the list is read again.
    QTemporaryDir out;
    QProcess batch;
    batch.setProcessEnvironment(Headless(modem.programDir()));
    batch.start(kProgram, {"/STP:" + out.path()});
    ASSERT_TRUE(batch.waitForFinished(60000));
    EXPECT_EQ(batch.exitCode(), 0) << batch.readAllStandardError().toStdString();
    EXPECT_TRUE(QFile::exists(out.filePath("MESS1.WAV")));
    const int listReads = CountOf(modem.transcript(), "ATE0V1+MSR=0");
    EXPECT_TRUE(WaitForLine(modem, "ATE0V1+MSR=0", listReads + 1))
        << "the desktop program reads its list again";
    EXPECT_EQ(desktop.state(), QProcess::Running);

    // SIGTERM: the close box's sequence, then the end.
    // Let the list read end before the transcript is cleared.
    QTest::qWait(500);
    modem.clearTranscript();
    ASSERT_EQ(::kill(static_cast<pid_t>(desktop.processId()), SIGTERM), 0);
    ASSERT_TRUE(desktop.waitForFinished(30000));
    EXPECT_EQ(desktop.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(desktop.exitCode(), 0);
    const auto after = modem.transcript();
    EXPECT_EQ(CountOf(after, "ATE0+MCS=1"), 1) << "returned to self mode on the way out";
    EXPECT_TRUE(modem.emulator().selfMode());
    EXPECT_EQ(desktop.readAllStandardError(), QByteArray()) << "no Qt notices on standard error";
}

TEST(HauptShutdown, AnEndAskedForWhileABoxIsOpenDismissesItAndClosesTheWindow)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    w.haupt.show();
    QSignalSpy closed(&w.haupt, &THaupt::Closed);
    modem.clearTranscript();

    QMessageBox::StandardButton answer = QMessageBox::Yes;
    QTimer::singleShot(0, &w.haupt, [&] {
        answer = QMessageBox::question(&w.haupt, "Zarvo", "Soll der Speicher wirklich gelöscht werden?");
    });
    QTimer::singleShot(100, &w.haupt, [&] { w.haupt.RequestShutdown(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed.count() == 1; }, 30000));
    EXPECT_EQ(answer, QMessageBox::No) << "the open question is answered No";
    EXPECT_EQ(CountOf(modem.transcript(), "ATE0+MCS=1"), 1);
    EXPECT_EQ(CountOf(modem.transcript(), "AT+MEM"), 0);
}

} // namespace
} // namespace zarvo::test
