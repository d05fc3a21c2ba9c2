// SPDX-License-Identifier: GPL-3.0-or-later
// The switches of the command line, and the dial-up component on a fake sysfs folder.

#include "FakePppLinks.h"
#include "core/CommandLine.h"
#include "platform/ras_api32.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace zarvo {
namespace {

using Kind = CommandSwitch::Kind;

std::vector<Kind> Kinds(const QStringList& args)
{
    std::vector<Kind> kinds;
    for (const CommandSwitch& s : ParseCommandLine(args))
        kinds.push_back(s.kind);
    return kinds;
}

TEST(CommandLine, PrefixTestsAnySwitchCharacterAnyCase)
{
    EXPECT_EQ(Kinds({"/?"}), std::vector<Kind>{Kind::Usage});
    EXPECT_EQ(Kinds({"-h"}), std::vector<Kind>{Kind::Usage});
    EXPECT_EQ(Kinds({"--help"}), std::vector<Kind>{Kind::Usage});
    EXPECT_EQ(Kinds({"xHILFE"}), std::vector<Kind>{Kind::Usage});
    EXPECT_EQ(Kinds({"/LOGGING", "/autorun", "-Autostart", "/delete"}),
              (std::vector<Kind>{Kind::Log, Kind::Autorun, Kind::Autorun, Kind::Delete}));
    EXPECT_EQ(Kinds({"/DEL", "/AUTO", "LOG", "", "datei.txt"}), std::vector<Kind>{});
    EXPECT_FALSE(IsBatchRun(ParseCommandLine({"/LOG", "/AUTORUN"})));
    EXPECT_TRUE(IsBatchRun(ParseCommandLine({"/LOG", "/DELETE"})));
    EXPECT_TRUE(IsBatchRun(ParseCommandLine({"/stp:/tmp"})));
    // /PDF only adds a file to what /STP saves: alone it is no batch run.
    EXPECT_EQ(Kinds({"/pdf", "-PDFA"}), (std::vector<Kind>{Kind::Pdf, Kind::Pdf}));
    EXPECT_FALSE(IsBatchRun(ParseCommandLine({"/PDF"})));
    EXPECT_TRUE(HasSwitch(ParseCommandLine({"/STP:/tmp", "/PDF"}), Kind::Pdf));
    EXPECT_FALSE(HasSwitch(ParseCommandLine({"/STP:/tmp"}), Kind::Pdf));
}

TEST(CommandLine, SavePathKeepsItsCaseAndEndsInSlash)
{
    auto s = ParseCommandLine({"/stp:/home/Anna/Nachrichten"});
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].kind, Kind::SaveAll);
    EXPECT_EQ(s[0].path, "/home/Anna/Nachrichten/");
    EXPECT_EQ(ParseCommandLine({"-STP=Fax/"})[0].path, "Fax/");
    EXPECT_EQ(ParseCommandLine({"/STP"})[0].path, "") << "no path must not mean the root folder";

    // An existing file is a file, though "/home/..." looks like the usage switch "/H".
    QTemporaryDir dir;
    QFile fax(dir.filePath("hallo.ufr"));
    ASSERT_TRUE(fax.open(QIODevice::WriteOnly));
    fax.close();
    s = ParseCommandLine({fax.fileName(), "/home-nicht-da"});
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].kind, Kind::OpenFile);
    EXPECT_EQ(s[0].path, fax.fileName());
    EXPECT_EQ(s[1].kind, Kind::Usage);
}

TEST(CommandLine, UsageTextNamesTheLogFile)
{
    const QStringList lines = UsageLines("/home/a/.local/share/zarvo/ZARVO.LOG");
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[0], "Folgende Kommandozeilen Optionen sind möglich:");
    EXPECT_EQ(lines[4], "/LOG        Speichert ein Protokoll in /home/a/.local/share/zarvo/ZARVO.LOG");
    EXPECT_EQ(lines[5], "/PDF        Speichert Faxe mit /STP zusätzlich als PDF (MESS<n>.PDF)");
}

// --- Dial-up on ppp links ---

using test::MakeLink;

TEST(DialUp, ListsAtMostFourLinksInNumberOrder)
{
    QTemporaryDir sys, run;
    TRAS ras(sys.path(), run.path());
    EXPECT_EQ(ras.GetConnections(), 0);
    EXPECT_EQ(ras.ConnectionName(0), "");
    for (const char* n : {"ppp10", "ppp2", "eth0", "ppp0", "ppp1", "ppp3"})
        MakeLink(sys, n, "0x1091\n");
    EXPECT_EQ(ras.GetConnections(), 4);
    EXPECT_EQ(ras.ConnectionName(0), "ppp0");
    EXPECT_EQ(ras.ConnectionName(3), "ppp3");
}

TEST(DialUp, DiallingLinkIsHeldButNotConnectedAndHangUpSignalsPppd)
{
    QTemporaryDir sys, run;
    MakeLink(sys, "ppp0", "0x1090\n"); // not up yet
    TRAS ras(sys.path(), run.path());
    ras.CloseRasOnExit = false;
    ASSERT_EQ(ras.GetConnections(), 1);
    ras.SelectConnection(0);
    EXPECT_EQ(ras.Held(), "ppp0");
    EXPECT_NE(ras.State(), TRAS::RASCS_Connected);
    MakeLink(sys, "ppp0", "0x1091\n");
    ras.ConnectStatusText();
    EXPECT_EQ(ras.State(), TRAS::RASCS_Connected);

    // A stand-in for pppd on the modem's port: hanging up terminates the process its pid file names.
    ras.ModemPort = QStringLiteral("/dev/zero");
    QProcess pppd;
    pppd.start("sh", {"-c", "exec sleep 30 3</dev/zero"});
    ASSERT_TRUE(pppd.waitForStarted());
    // The shell opens the port just after it started: wait until it holds it (bounded).
    for (int i = 0; i < 500 && !ProcessHoldsDevice(pppd.processId(), ras.ModemPort); ++i)
        QThread::msleep(10);
    QFile pid(run.filePath("ppp0.pid"));
    ASSERT_TRUE(pid.open(QIODevice::WriteOnly));
    pid.write(QByteArray::number(pppd.processId()) + "\n");
    pid.close();
    ras.ReleaseConnection();
    EXPECT_TRUE(pppd.waitForFinished(10000));
    EXPECT_EQ(ras.Held(), "");
    ras.ReleaseConnection(); // nothing held: nothing happens
}

// Only a pppd that holds the modem's own serial port is ours to hang up: a DSL or VPN link's pppd
// holds another device or none.
TEST(DialUp, OnlyAPppdOnTheModemsPortIsOurs)
{
    QTemporaryDir proc;
    ASSERT_TRUE(QDir(proc.path()).mkpath("100/fd"));
    ASSERT_TRUE(QFile::link("/dev/zero", proc.filePath("100/fd/7")));
    ASSERT_TRUE(QDir(proc.path()).mkpath("200/fd"));
    ASSERT_TRUE(QFile::link("/dev/null", proc.filePath("200/fd/7")));
    ASSERT_TRUE(QFile::link("/dev/zero", proc.filePath("modem-link")));
    struct Case {
        qint64 pid;
        QString port;
        bool ours;
    };
    const Case cases[] = {
        {100, "/dev/zero", true},
        {100, proc.filePath("modem-link"), true}, // a link to the port names the same device
        {200, "/dev/zero", false},                // another device: a DSL or VPN link
        {300, "/dev/zero", false},                // nothing to be seen of the process
        {100, "", false},                         // no port configured
        {100, proc.path(), false},                // not a device
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProcessHoldsDevice(c.pid, c.port, proc.path()), c.ours)
            << c.pid << " " << c.port.toStdString();

    // The watch of a DSL link: its pppd is left running at the program's end.
    QTemporaryDir sys, run;
    MakeLink(sys, "ppp0", "0x1091\n");
    QProcess dsl;
    dsl.start("sh", {"-c", "exec sleep 30 3</dev/null"});
    ASSERT_TRUE(dsl.waitForStarted());
    QFile pid(run.filePath("ppp0.pid"));
    ASSERT_TRUE(pid.open(QIODevice::WriteOnly));
    pid.write(QByteArray::number(dsl.processId()) + "\n");
    pid.close();
    {
        TRAS ras(sys.path(), run.path());
        ras.ModemPort = QStringLiteral("/dev/zero");
        ASSERT_EQ(ras.GetConnections(), 1);
        ras.SelectConnection(0);
    }
    EXPECT_EQ(::kill(static_cast<pid_t>(dsl.processId()), 0), 0) << "still running";
    dsl.kill();
    dsl.waitForFinished();
}

} // namespace
} // namespace zarvo
