// SPDX-License-Identifier: GPL-3.0-or-later
// The command line: smoke runs of the real program without a display against the emulated modem (the
// batch run's cases are in tests/core/test_batch_run.cpp), and the switches that act inside the
// window (log, autorun) and the background tick with it.
#include "BuildPaths.h"
#include "test_haupt_fixture.h"

#include "common/ProgramPaths.h"
#include "core/BackgroundWatch.h"
#include "core/WindowFinder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

namespace zarvo::test {
namespace {

const QString kProgram = QStringLiteral(ZARVO_BINARY_DIR "/src/app/zarvo");

// Runs a peer program quietly; its exit code (-1 when it did not run).
int Peer(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, arguments);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

struct BatchRun {
    int exitCode = -1;
    QString out, err;
};

BatchRun RunHeadless(const EmulatorFixture& modem, const QStringList& arguments,
                     const std::map<QString, QString>& extra = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert("ZARVO_HOME", modem.programDir());
    for (const auto& [name, value] : extra)
        environment.insert(name, value);
    QProcess zarvo;
    zarvo.setProcessEnvironment(environment);
    zarvo.start(kProgram, arguments);
    BatchRun run;
    if (!zarvo.waitForFinished(120000))
        return run;
    run.exitCode = zarvo.exitStatus() == QProcess::NormalExit ? zarvo.exitCode() : -1;
    run.out = QString::fromLocal8Bit(zarvo.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(zarvo.readAllStandardError());
    return run;
}

std::vector<emu::StoredMessage> Messages()
{
    emu::StoredMessage data = emu::dataMessage(std::vector<std::uint8_t>(300, 1));
    return {DemoFax(), DemoVoice(), data, DemoVoice(0)};
}

struct Batch : ::testing::Test {
    void SetUp() override
    {
        if (!QFile::exists(kProgram))
            GTEST_SKIP() << "zarvo is not built";
        Start(Options());
    }
    void Start(const emu::EmulatorOptions& options)
    {
        modem.reset();
        modem = std::make_unique<EmulatorFixture>(options, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
        // The TIFF writer finds its code table in the program's directory.
        QFile::copy(QStringLiteral(ZARVO_SOURCE_DATADIR "/RFCG3.DAT"), modem->programDir() + "/RFCG3.DAT");
    }
    QStringList Files() const
    {
        return QDir(out.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    static emu::EmulatorOptions Options()
    {
        emu::EmulatorOptions o;
        o.messages = Messages();
        return o;
    }
    QString stp() const { return "/STP:" + out.path(); }
    std::unique_ptr<EmulatorFixture> modem;
    QTemporaryDir out;
};

TEST_F(Batch, SavesEveryMessageThenErases)
{
    // A timer started from a Wayland session inherits its platform, not its display.
    const BatchRun run = RunHeadless(*modem, {stp(), "/DELETE"}, {{"QT_QPA_PLATFORM", "wayland"}});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    // The desktop program's notice bookkeeping is its own.
    EXPECT_FALSE(QFile::exists(modem->programDir() + "/ZARVO2-gemeldet.txt"));
    EXPECT_EQ(Files(), (QStringList{"MESS1.TIF", "MESS2.WAV", "MESS3.DAT", "MESS4.WAV", "Nachrichten.csv"}));
    const auto t = modem->transcript();
    const auto lastBlock = std::find_if(
        t.rbegin(), t.rend(), [](const std::string& l) { return l.find("+MTP=") != std::string::npos; });
    ASSERT_NE(lastBlock, t.rend());
    EXPECT_LT(static_cast<std::size_t>(t.rend() - lastBlock - 1), IndexOf(t, "AT+MEM"));
    EXPECT_LT(IndexOf(t, "AT+MEM"), t.size());
    EXPECT_TRUE(modem->emulator().directory().empty());
    // Peers read what was saved.
    if (!QStandardPaths::findExecutable("sox").isEmpty()) {
        EXPECT_EQ(Peer("sox", {out.filePath("MESS2.WAV"), "-n", "stat"}), 0);
    }
    if (!QStandardPaths::findExecutable("tiffinfo").isEmpty()) {
        EXPECT_EQ(Peer("tiffinfo", {"-s", out.filePath("MESS1.TIF")}), 0);
    }
}

// A full disk leaves only whole files; the run after space was freed finds them, byte for byte,
// saves the rest and erases. A second run without erase over the same memory ends with 0 too.
TEST_F(Batch, AFullDiskLeavesWholeFilesAndTheNextRunFinishes)
{
    const BatchRun full = RunHeadless(*modem, {stp(), "/DELETE"}, {{"ZARVO_TEST_DISK_BYTES", "25000"}});
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_TRUE(full.err.contains(QString::fromUtf8("Datenträger voll"))) << full.err.toStdString();
    EXPECT_EQ(CountOf(modem->transcript(), "AT+MEM"), 0);
    for (const QString& name : Files()) {
        EXPECT_TRUE(name.startsWith("MESS") || name == "Nachrichten.csv") << name.toStdString();
    }

    const BatchRun again = RunHeadless(*modem, {stp()});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    const BatchRun last = RunHeadless(*modem, {stp(), "/DELETE"});
    EXPECT_EQ(last.exitCode, 0) << last.err.toStdString();
    // Everything done: nothing on either stream, so cron mails nothing.
    EXPECT_TRUE(last.out.isEmpty() && last.err.isEmpty()) << last.out.toStdString() << last.err.toStdString();
    EXPECT_EQ(CountOf(modem->transcript(), "AT+MEM"), 1);
    if (!QStandardPaths::findExecutable("sox").isEmpty()) {
        EXPECT_EQ(Peer("sox", {out.filePath("MESS4.WAV"), "-n", "stat"}), 0);
    }
    if (!QStandardPaths::findExecutable("tiffinfo").isEmpty()) {
        EXPECT_EQ(Peer("tiffinfo", {"-D", out.filePath("MESS1.TIF")}), 0);
    }
}

TEST_F(Batch, UsageGoesToStandardOutputWithoutTouchingTheModem)
{
    QFile ini(modem->programDir() + "/ZARVO2.ini");
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("[Auto]\nUnAbEn=1\n");
    ini.close();
    const BatchRun run = RunHeadless(*modem, {"/?"});
    EXPECT_EQ(run.exitCode, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 12) << run.out.toStdString();
    EXPECT_EQ(lines[0], QString::fromUtf8("Folgende Kommandozeilen Optionen sind möglich:"));
    EXPECT_TRUE(lines[4].endsWith("/ZARVO.LOG"));
    EXPECT_TRUE(lines[5].startsWith("/PDF"));
    // Answered before anything else: the modem is never touched.
    EXPECT_TRUE(modem->transcript().empty());
    EXPECT_EQ(RunHeadless(*modem, {"--help"}).exitCode, 0);
}

// --- Switches inside the window ---

struct NoWindows : WindowFinder {
    std::map<QString, WindowState> shown;
    WindowState Find(const QString& title) override
    {
        return shown.count(title) ? shown[title] : WindowState{};
    }
};

TEST(HauptCommandLine, LogPrefixWritesTheLogEveryTickWithCrLf)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.Request = RunRequest::Parse({"/LOGGING"});
    w.haupt.FormActivate();
    EXPECT_TRUE(w.haupt.LogToFile);
    w.haupt.Timer1Timer();
    QFile log(ProgramPaths::logFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.contains("<ATE0V1+MSR=0\r\n")) << text.constData();
    EXPECT_EQ(text.count("\r\n"), text.count("\n"));
}

TEST(HauptCommandLine, UnwritableLogIsReportedOnce)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.FormActivate();
    w.haupt.LogToFile = true;
    QDir().mkpath(ProgramPaths::logFile()); // a folder where the file should be
    const auto before = w.boxes.shown.size();
    w.haupt.Timer1Timer();
    w.haupt.Timer1Timer();
    w.haupt.Timer1Timer();
    EXPECT_EQ(w.boxes.shown.size(), before + 1);
    QDir().rmdir(ProgramPaths::logFile());
    w.haupt.Timer1Timer();
    EXPECT_EQ(w.boxes.shown.size(), before + 1);
}

TEST(HauptCommandLine, LowerCaseAutorunMinimises)
{
    EmulatorFixture modem({}, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
    HauptWindows w;
    w.haupt.show();
    w.haupt.Request = RunRequest::Parse({"/autorun"});
    w.haupt.FormActivate();
    EXPECT_TRUE(w.haupt.isMinimized() || !w.haupt.isVisible());
}

TEST(HauptMonitor, FaxMonitorLocksTheCommandsAndReturnsToSelfModeAfterwards)
{
    emu::EmulatorOptions o;
    o.messages = {DemoVoice()};
    EmulatorFixture modem(o, 1, "[Modem]\nComPort=1\n[Auto]\nFaxmon=1\n" + ModemOptSection());
    HauptWindows w;
    auto windows = std::make_unique<NoWindows>();
    NoWindows* faxmon = windows.get();
    w.haupt.Windows = std::move(windows);
    w.haupt.FormActivate();
    ASSERT_TRUE(w.haupt.Opts.Faxmon);

    faxmon->shown[kFaxmonTitle] = {true, true};
    w.haupt.Timer1Timer();
    EXPECT_EQ(w.haupt.windowTitle(), "Zarvo Fax");
    EXPECT_TRUE(w.haupt.Zarvo1->Busy);
    EXPECT_FALSE(w.action("AC_Speicherloesch")->isEnabled());
    EXPECT_FALSE(w.action("Abspielen")->isEnabled());
    EXPECT_TRUE(w.action("AC_Ueber")->isEnabled());

    modem.clearTranscript();
    faxmon->shown.clear();
    w.haupt.Timer1Timer();
    EXPECT_EQ(w.haupt.windowTitle(), "Zarvo");
    EXPECT_FALSE(w.haupt.Zarvo1->Busy);
    EXPECT_TRUE(w.action("AC_Speicherloesch")->isEnabled());
    EXPECT_TRUE(w.action("Abspielen")->isEnabled());
    // After the pause: the port test, then the options as the modem stores them.
    const auto t = modem.transcript();
    EXPECT_LT(IndexOf(t, "ATE0#MDL?"), t.size());
    EXPECT_LT(IndexOf(t, "ATE0#MDL?"), IndexOf(t, "ATE0V1+MCW"));
}

} // namespace
} // namespace zarvo::test
