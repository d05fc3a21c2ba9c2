// SPDX-License-Identifier: GPL-3.0-or-later
// The pseudo-terminal side: open/close cycles, output lost while nobody listens, the link,
// the transcript, and the zarvo-emulator program.
#include "BuildPaths.h"
#include "EmulatorFixture.h"
#include "PtyClient.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace zarvo::test {
namespace {

namespace fs = std::filesystem;

emu::EmulatorOptions quiet()
{
    emu::EmulatorOptions o;
    o.echo = false;
    o.clockRunning = false;
    o.clockStart = emu::ClockValue{};
    return o;
}

bool waitForDrops(const emu::ModemEmulator& modem, int drops)
{
    for (int i = 0; i < 2000 && modem.lineDrops() < drops; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return modem.lineDrops() >= drops;
}

TEST(EmulatorPty, SurvivesOpeningAndClosingForEveryExchange)
{
    EmulatorFixture modem(quiet(), 0);
    for (int i = 0; i < 50; ++i) {
        PtyClient line(modem.portPath());
        ASSERT_EQ(line.exchange(i % 2 ? "AT" : "ATE0V1+MCR?"), i % 2 ? "\r\nOK\r\n" : "\r\n2\r\n\r\nOK\r\n")
            << i;
    }
    EXPECT_EQ(modem.transcript().size(), 50u);
}

TEST(EmulatorPty, WhatNobodyReadsIsLost)
{
    EmulatorFixture modem(quiet(), 0);
    for (int i = 1; i <= 5; ++i) {
        int drops = 0;
        {
            PtyClient line(modem.portPath());
            line.send("ATE0V1+MTP=0"); // 32 KB the reader never takes
            ASSERT_TRUE(modem.waitForTranscript(std::size_t(2 * i - 1)));
            drops = modem.emulator().lineDrops();
        }
        ASSERT_TRUE(waitForDrops(modem.emulator(), drops + 1));
        PtyClient line(modem.portPath());
        EXPECT_EQ(line.exchange("AT"), "\r\nOK\r\n") << i;
    }
}

TEST(EmulatorPty, CommandsOfAReaderThatLeftAreStillCarriedOut)
{
    EmulatorFixture modem(quiet(), 0);
    int drops = modem.emulator().lineDrops();
    {
        PtyClient line(modem.portPath());
        line.send("AT+MCR=6"); // sent blind, as the program's detection does
    }
    ASSERT_TRUE(modem.waitForTranscript(1));
    ASSERT_TRUE(waitForDrops(modem.emulator(), drops + 1)); // its "OK" was lost with the reader
    PtyClient line(modem.portPath());
    EXPECT_EQ(line.exchange("AT+MCR?"), "\r\n6\r\n\r\nOK\r\n");
}

TEST(EmulatorPty, LinkPointsToTheSlaveAndGoesAwayOnStop)
{
    QTemporaryDir dir;
    emu::EmulatorOptions o = quiet();
    o.linkPath = (fs::path(dir.path().toStdString()) / "ttyModem").string();
    {
        std::ofstream stale(o.linkPath); // a regular file is never replaced
    }
    emu::ModemEmulator refused(o);
    EXPECT_THROW(refused.start(), std::runtime_error);
    EXPECT_TRUE(fs::is_regular_file(o.linkPath));
    fs::remove(o.linkPath);
    fs::create_symlink("/nonexistent", o.linkPath); // an old link is replaced

    emu::ModemEmulator modem(o);
    modem.start();
    EXPECT_EQ(modem.portPath(), o.linkPath);
    EXPECT_EQ(fs::read_symlink(o.linkPath).string(), modem.slavePath());
    EXPECT_TRUE(modem.slavePath().starts_with("/dev/pts/"));
    modem.stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(o.linkPath)));
    modem.stop();
}

TEST(EmulatorPty, TranscriptListAndFile)
{
    QTemporaryDir dir;
    emu::EmulatorOptions o = quiet();
    o.transcriptFile = (fs::path(dir.path().toStdString()) / "transcript.txt").string();
    {
        std::ofstream earlier(o.transcriptFile);
        earlier << "earlier run\n";
    }
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    line.exchange("AT+MCL=0");
    line.exchange("ATE0");
    line.exchange("ATE0V1+MCR?");
    EXPECT_EQ(modem.transcript(), (std::vector<std::string>{"AT+MCL=0", "ATE0", "ATE0V1+MCR?"}));
    std::ifstream in(o.transcriptFile);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "earlier run\nAT+MCL=0\nATE0\nATE0V1+MCR?\n");
    modem.clearTranscript();
    EXPECT_TRUE(modem.transcript().empty());
}

TEST(EmulatorFixture, MapsTheComPortInAProgramDirectory)
{
    QByteArray before = qgetenv("ZARVO_HOME");
    {
        EmulatorFixture modem(quiet(), 3, "[Modem]\nPort=3\n");
        EXPECT_EQ(qgetenv("ZARVO_HOME"), modem.programDir().toLocal8Bit());
        QFile ini(modem.programDir() + "/ZARVO2.ini");
        ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
        EXPECT_EQ(ini.readAll(), "[Ports]\nCOM3=" + modem.portPathQ().toUtf8() + "\n[Modem]\nPort=3\n");
    }
    EXPECT_EQ(qgetenv("ZARVO_HOME"), before);
}

QString emulatorProgram()
{
    return QStringLiteral(ZARVO_BINARY_DIR "/tools/emulator/zarvo-emulator");
}

TEST(EmulatorProgram, ServesUntilTerminatedAndRemovesItsLink)
{
    QTemporaryDir dir;
    QString link = dir.filePath("modem");
    QString transcript = dir.filePath("t.txt");
    QProcess p;
    p.start(emulatorProgram(), {"--link", link, "--transcript", transcript, "--echo-off", "--id", "Anrufer",
                                "--voice", demoDataPath("nachricht1.gsm")});
    ASSERT_TRUE(p.waitForStarted());
    ASSERT_TRUE(p.waitForReadyRead(20000));
    EXPECT_EQ(p.readLine().trimmed(), "ready " + link.toUtf8());
    {
        PtyClient line(link.toStdString());
        EXPECT_EQ(line.exchange("AT"), "\r\nOK\r\n");
        std::string entry = line.exchange("ATE0V1+MSR=1");
        EXPECT_NE(entry.find(",002,"), std::string::npos) << entry; // a voice message
        EXPECT_NE(entry.find(",Anrufer,"), std::string::npos) << entry;
    }
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link.toStdString())));
    QFile t(transcript);
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    EXPECT_EQ(t.readAll(), "AT\nATE0V1+MSR=1\n");
}

TEST(EmulatorProgram, HelpAndUsageErrors)
{
    struct {
        QStringList args;
        int exitCode;
        const char* text;
    } cases[] = {
        {{"--help"}, 0, "--link PATH"},
        {{}, 2, "--link PATH is required"},
        {{"--link", "x", "--bogus"}, 2, "unknown argument --bogus"},
        {{"--link", "x", "--voice", "/nonexistent.gsm"}, 2, "cannot open"},
        {{"--link", "x", "--data", demoDataPath("fax3-3.g3"), "--id", "dangling"}, 2, "none follows"},
    };
    for (const auto& c : cases) {
        QProcess p;
        p.start(emulatorProgram(), c.args);
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), c.exitCode) << c.args.join(' ').toStdString();
        QByteArray out = p.readAllStandardOutput() + p.readAllStandardError();
        EXPECT_TRUE(out.contains(c.text)) << out.toStdString();
    }
}

} // namespace
} // namespace zarvo::test
