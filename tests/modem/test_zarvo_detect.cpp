// SPDX-License-Identifier: GPL-3.0-or-later
#include "EmulatorFixture.h"
#include "Recording.h"
#include "modem/Zarvo.h"

#include <QStringList>
#include <cerrno>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

namespace {

using zarvo::TZarvo;
using zarvo::test::EmulatorFixture;
using zarvo::test::RecordingReport;
using zarvo::test::RecordingStatus;

struct Component {
    Component()
    {
        z.ReportMemo = &log;
        z.StatusPanel = &status;
        log.lines << "from before";
    }
    RecordingReport log;
    RecordingStatus status;
    TZarvo z;
};

const std::vector<std::string> kDetection = {"AT+MCL=0", "ATE0", "AT", "ATE0#MDL?", "ATE0+MCS=1"};

TEST(DetectTest, FindsTheModemBindsTheMainPortAndEntersSelfMode)
{
    EmulatorFixture modem({}, 3);
    Component c;
    EXPECT_TRUE(TZarvo::PortExists(3));
    c.z.CachedBlock = 7;

    EXPECT_EQ(c.z.TestPort(3), 0);
    EXPECT_TRUE(c.z.ModemFound);
    EXPECT_EQ(c.z.MainPort->ComPort(), zarvo::pnCOM3);
    EXPECT_EQ(c.z.CachedBlock, -1);
    EXPECT_EQ(modem.transcript(), kDetection);
    EXPECT_TRUE(modem.emulator().selfMode());
    EXPECT_FALSE(c.z.ProbePort->Connected());
    EXPECT_FALSE(c.z.MainPort->Connected());
    EXPECT_EQ(c.log.clears, 1);
    EXPECT_FALSE(c.log.lines.contains("from before"));
    EXPECT_EQ(c.status.history, QStringList({"Teste COM3", "Com Port 3 existiert", "Modem ist angeschlossen",
                                             "US Robotics Modem angeschlossen", ""}));
    EXPECT_EQ(c.log.lines.first(), "-Teste COM3");
    EXPECT_TRUE(c.log.lines.contains("*c1*OK*"));
}

struct IdentityCase {
    const char* identity;
    int result;
};

class IdentityTest : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(IdentityTest, OnlyRoboticsMessageOrMsgModelsQualify)
{
    zarvo::emu::EmulatorOptions o;
    o.identity = GetParam().identity;
    EmulatorFixture modem(o, 2);
    Component c;
    EXPECT_EQ(c.z.TestPort(2), GetParam().result);
    EXPECT_EQ(c.z.ModemFound, GetParam().result == 0);
    if (GetParam().result == 3) {
        EXPECT_EQ(modem.transcript(), std::vector<std::string>(kDetection.begin(), kDetection.end() - 1));
        EXPECT_EQ(c.status.history.at(2), "Modem ist angeschlossen");
        EXPECT_EQ(c.z.MainPort->ComPort(), zarvo::pnCOM2); // the constructor's default, untouched
    }
}

INSTANTIATE_TEST_SUITE_P(Models, IdentityTest,
                         ::testing::Values(IdentityCase{"U.S. Robotics Sportster Msg Pro", 0},
                                           IdentityCase{"U.S. Robotics 56K Message", 0},
                                           IdentityCase{"Message Modem 56K", 3},
                                           IdentityCase{"U.S. Robotics Sportster 56K", 3},
                                           IdentityCase{"US ROBOTICS MESSAGE", 3}),
                         [](const auto& info) { return "Model" + std::to_string(info.index); });

TEST(DetectTest, MissingPortAndNumbersWithoutADevice)
{
    EmulatorFixture modem({}, 1); // maps COM1 only; COM6 is /dev/ttyS5 by default
    Component c;
    for (int port : {0, 10, 255})
        EXPECT_FALSE(TZarvo::PortExists(static_cast<quint8>(port)));

    EXPECT_EQ(c.z.TestPort(0), 1);
    EXPECT_EQ(c.status.history, QStringList({"Teste COM0", ""}));
    EXPECT_EQ(c.log.lines, QStringList({"-Teste COM0"}));
    EXPECT_TRUE(modem.transcript().empty());
}

// A port that cannot be used ends the test at once; the status line and PortProblem say why.
TEST(DetectTest, UnusablePortSaysWhyAndSendsNothing)
{
    EmulatorFixture modem({}, 1, "COM5=/nonexistent/zarvo-unplugged\n");
    Component c;
    zarvo::SetOpenFaultHook([](const QString&) { return EACCES; });
    EXPECT_EQ(c.z.TestPort(1), 2);
    zarvo::SetOpenFaultHook(nullptr);
    EXPECT_TRUE(modem.transcript().empty());
    EXPECT_FALSE(c.z.ModemFound);
    EXPECT_TRUE(c.z.PortProblem.startsWith("Keine Berechtigung für " + modem.portPathQ()))
        << c.z.PortProblem.toStdString();
    EXPECT_EQ(c.status.history, QStringList({"Teste COM1", "Com Port 1 existiert", c.z.PortProblem}));

    EXPECT_EQ(c.z.TestPort(5), 1);
    EXPECT_TRUE(c.z.PortProblem.startsWith("Gerät /nonexistent/zarvo-unplugged nicht gefunden."));
    EXPECT_EQ(c.status.current, c.z.PortProblem);

    // Forcing skips the test, yet the reason still reaches the status line.
    zarvo::SetOpenFaultHook([](const QString&) { return EBUSY; });
    c.z.ForcePort(1);
    zarvo::SetOpenFaultHook(nullptr);
    EXPECT_TRUE(c.z.PortProblem.contains("wird von einem anderen Programm benutzt"));

    EXPECT_EQ(c.z.TestPort(1), 0);
    EXPECT_TRUE(c.z.PortProblem.isEmpty());
    EXPECT_EQ(c.status.current, "");
}

TEST(DetectTest, SilentLineIsNoModemAndEarlierFindingStays)
{
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave);
    EmulatorFixture modem({}, 1);
    Component c;
    ASSERT_EQ(c.z.TestPort(1), 0);

    // COM5 leads to a line where nobody answers.
    zarvo::test::writeProgramIni(modem.programDir(), 1, modem.portPathQ(), "COM5=" + QString(name) + "\n");
    EXPECT_EQ(c.z.TestPort(5), 2);
    EXPECT_EQ(c.status.history.mid(c.status.history.lastIndexOf("Teste COM5")),
              QStringList({"Teste COM5", "Com Port 5 existiert", ""}));
    EXPECT_TRUE(c.z.ModemFound);
    EXPECT_EQ(c.z.MainPort->ComPort(), zarvo::pnCOM1);
    ::close(master);
}

TEST(DetectTest, ModemFallingSilentAfterAtReturnsInsteadOfBlocking)
{
    zarvo::emu::EmulatorOptions o;
    o.faults.noReply.match = "#MDL?";
    EmulatorFixture modem(o, 1, "[Modem]\nReplyTimeout=1000\n");
    Component c;
    EXPECT_EQ(c.z.TestPort(1), 2);
    EXPECT_FALSE(c.z.ModemFound);
    EXPECT_FALSE(c.z.Busy);
}

TEST(DetectTest, ForcePortBindsWithoutTestingAndKeepsTheLog)
{
    EmulatorFixture modem({}, 4);
    Component c;
    c.z.ForcePort(0); // not a port number: COM4
    EXPECT_TRUE(c.z.ModemFound);
    EXPECT_EQ(c.z.MainPort->ComPort(), zarvo::pnCOM4);
    EXPECT_EQ(c.z.ProbePort->ComPort(), zarvo::pnCOM4);
    EXPECT_EQ(modem.transcript(), (std::vector<std::string>{"AT+MCL=0", "ATE0+MCS=1"}));
    EXPECT_EQ(c.log.clears, 0);
    EXPECT_EQ(c.log.lines.at(1), "-Erzwinge Port 0");
    EXPECT_EQ(TZarvo::PortNumberToComPort(9), zarvo::pnCOM9);
    EXPECT_EQ(TZarvo::PortNumberToComPort(10), zarvo::pnCOM4);
}

} // namespace

namespace {

TEST(DetectTest, AHeldOffModemIsNeverTalkedToAndComesBackAfterwards)
{
    EmulatorFixture modem({}, 1);
    Component c;
    ASSERT_EQ(c.z.TestPort(1), 0);
    modem.clearTranscript();
    c.z.HeldOff = true;
    EXPECT_EQ(c.z.TestPort(1), 5);
    c.z.ForcePort(1);
    zarvo::tMemoryStatus status{};
    EXPECT_EQ(c.z.ReadMemoryStatus(status), 5);
    QByteArray data;
    EXPECT_EQ(c.z.GetMessage(1, data), 5);
    c.z.SendCommand("ATI3", true, false);
    EXPECT_TRUE(c.z.LastLine.isEmpty());
    EXPECT_FALSE(c.z.Busy);
    EXPECT_TRUE(modem.transcript().empty()) << "no command while held off";

    c.z.HeldOff = false;
    EXPECT_EQ(c.z.TestPort(1), 0);
    EXPECT_EQ(modem.transcript(), kDetection);
}

} // namespace
