// The switches of the command line, and the dial-up component on a fake sysfs folder.

#include "FakePppLinks.h"
#include "app/core/CommandLine.h"
#include "app/core/ras_api32.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
}

TEST(CommandLine, UsageTextNamesTheLogFile)
{
    const QStringList lines = UsageLines("/home/a/.local/share/zarvo/ZARVO.LOG");
    ASSERT_EQ(lines.size(), 6);
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

    // A stand-in for pppd: hanging up terminates the process its pid file names.
    QProcess pppd;
    pppd.start("sleep", {"30"});
    ASSERT_TRUE(pppd.waitForStarted());
    QFile pid(run.filePath("ppp0.pid"));
    ASSERT_TRUE(pid.open(QIODevice::WriteOnly));
    pid.write(QByteArray::number(pppd.processId()) + "\n");
    pid.close();
    ras.ReleaseConnection();
    EXPECT_TRUE(pppd.waitForFinished(10000));
    EXPECT_EQ(ras.Held(), "");
    ras.ReleaseConnection(); // nothing held: nothing happens
}

} // namespace
} // namespace zarvo
