// SPDX-License-Identifier: GPL-3.0-or-later
#include "EmulatorFixture.h"
#include "Recording.h"
#include "common/Wait.h"
#include "modem/Zarvo.h"

#include <QStringList>
#include <QTimer>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

using zarvo::TZarvo;
using zarvo::test::EmulatorFixture;
using zarvo::test::RecordingReport;
using zarvo::test::RecordingStatus;

zarvo::emu::EmulatorOptions quietModem()
{
    zarvo::emu::EmulatorOptions o;
    o.echo = false; // as the modem is left after detection
    return o;
}

// A modem component bound to COM1 with recording log and status targets.
struct Component {
    Component()
    {
        z.ReportMemo = &log;
        z.StatusPanel = &status;
        z.MainPort->SetComPort(zarvo::pnCOM1);
        z.ProbePort->SetComPort(zarvo::pnCOM1);
    }
    RecordingReport log;
    RecordingStatus status;
    TZarvo z;
};

TEST(ExchangeTest, ResultLineAndQueryValueWithTheirLogLines)
{
    EmulatorFixture modem(quietModem());
    Component c;

    c.z.SendCommand("AT", true, false);
    EXPECT_EQ(c.z.LastLine, "OK");
    EXPECT_EQ(c.z.PrevLine, "");
    EXPECT_EQ(c.log.lines, QStringList({"<AT", ">OK", "*l1*OK*", "*l2**"}));
    EXPECT_FALSE(c.z.Busy);
    EXPECT_FALSE(c.z.MainPort->Connected());

    c.log.lines.clear();
    c.z.SendCommand("ATE0V1+MCR?", true, true);
    EXPECT_EQ(c.z.PrevLine, "2");
    EXPECT_EQ(c.z.LastLine, "OK");
    EXPECT_EQ(c.log.lines, QStringList({"<ATE0V1+MCR?", ">2", ">OK", "*l1*OK*", "*l2*2*"}));
    EXPECT_FALSE(c.log.lines.contains("**Break waittwo**"));

    zarvo::emu::Faults f;
    f.error.match = "+MCR?";
    modem.setFaults(f);
    c.z.SendCommand("ATE0V1+MCR?", true, false);
    EXPECT_EQ(c.z.LastLine, "ERROR");

    EXPECT_EQ(modem.transcript(), (std::vector<std::string>{"AT", "ATE0V1+MCR?", "ATE0V1+MCR?"}));
}

TEST(ExchangeTest, RepliesSplitIntoChunksAreAssembledAcrossPolls)
{
    auto o = quietModem();
    o.faults.chunkSize = 1;
    o.faults.chunkPauseMs = 30; // every byte in its own poll
    EmulatorFixture modem(o);
    Component c;
    c.z.SendCommand("ATE0V1+MCR?", true, true);
    EXPECT_EQ(c.z.PrevLine, "2");
    EXPECT_EQ(c.z.LastLine, "OK");

    // Same on the test port, whose lines are split differently.
    c.z.TestCommand("ATE0#MDL?", true, true);
    EXPECT_EQ(c.status.current, "");
    EXPECT_EQ(c.z.PrevLine, QString::fromStdString(o.identity));
    EXPECT_EQ(c.z.LastLine, "OK");
    EXPECT_EQ(c.log.lines.mid(c.log.lines.size() - 2), QStringList({"*c1*OK*", "*c2*" + c.z.PrevLine + "*"}));
}

TEST(ExchangeTest, CommandWithoutReplyWaitPausesAndForgetsTheValueLine)
{
    EmulatorFixture modem(quietModem());
    Component c;
    c.z.SendCommand("ATE0V1+MCR?", false, false);
    EXPECT_EQ(c.z.LastLine, "OK"); // arrived within the fixed pause
    EXPECT_EQ(c.z.PrevLine, "");
    EXPECT_FALSE(c.z.Busy);
}

TEST(ExchangeTest, NoFirstReplyEndsAtTheTimeLimitWithThePortClosed)
{
    auto o = quietModem();
    o.faults.noReply.match = "+MSR=0";
    EmulatorFixture modem(o);
    Component c;
    c.z.SetReplyTimeout(300);
    bool busyDuring = false;
    QTimer::singleShot(100, [&] { busyDuring = c.z.Busy; });
    c.z.SendCommand("ATE0V1+MSR=0", true, true);
    EXPECT_TRUE(busyDuring);
    EXPECT_TRUE(c.z.ReplyTimedOut());
    EXPECT_EQ(c.z.LastLine, "");
    EXPECT_FALSE(c.z.Busy);
    EXPECT_FALSE(c.z.MainPort->Connected());
    EXPECT_EQ(c.status.current, "Keine Antwort auf ATE0V1+MSR=0");
    EXPECT_TRUE(c.log.lines.contains("-Keine Antwort auf ATE0V1+MSR=0"));

    // The next exchange opens the port again and works.
    c.z.SendCommand("AT", true, false);
    EXPECT_FALSE(c.z.ReplyTimedOut());
    EXPECT_EQ(c.z.LastLine, "OK");
}

TEST(ExchangeTest, TimeLimitsFromTheSettingsFileOnlyWhenSane)
{
    zarvo::test::TempProgramDir home(1, "/dev/null");
    const struct {
        const char* value;
        int reply;
        int erase;
    } cases[] = {
        {"1234", 1234, 1234},     {"1000", 1000, 1000},  {"600000", 600000, 600000},
        {"0", 10000, 60000},      {"-5", 10000, 60000},  {"999", 10000, 60000},
        {"600001", 10000, 60000}, {"ten", 10000, 60000}, {"", 10000, 60000},
    };
    for (const auto& k : cases) {
        zarvo::test::writeProgramIni(
            home.path(), 1, "/dev/null",
            QStringLiteral("[Modem]\nReplyTimeout=%1\nEraseTimeout=%1\n").arg(k.value));
        TZarvo z;
        EXPECT_EQ(z.ReplyTimeout(), k.reply) << k.value;
        EXPECT_EQ(z.EraseTimeout(), k.erase) << k.value;
    }
    TZarvo z;
    z.SetReplyTimeout(-1);
    z.SetEraseTimeout(0);
    EXPECT_EQ(z.ReplyTimeout(), TZarvo::kDefaultReplyTimeout);
    EXPECT_EQ(z.EraseTimeout(), TZarvo::kDefaultEraseTimeout);
}

TEST(ExchangeTest, ModemVanishingMidExchangeEndsItAndSaysSo)
{
    auto o = quietModem();
    o.faults.noReply.match = "+MCR?";
    auto modem = std::make_unique<EmulatorFixture>(o);
    Component c;
    QTimer::singleShot(150, [&] { modem->emulator().stop(); });
    c.z.SendCommand("ATE0V1+MCR?", true, true);
    EXPECT_EQ(c.z.LastLine, "");
    EXPECT_FALSE(c.z.Busy);
    EXPECT_TRUE(c.status.current.startsWith("Verbindung zum Modem unterbrochen"))
        << c.status.current.toStdString();
    zarvo::Delay(50);
    EXPECT_FALSE(c.z.MainPort->Connected());
}

TEST(ExchangeTest, MissingPortWithReplyWaitReturnsAtOnce)
{
    EmulatorFixture modem(quietModem());
    Component c;
    const QString missing = modem.programDir() + "/no-such-device";
    zarvo::test::writeProgramIni(modem.programDir(), 8, missing);
    c.z.MainPort->SetComPort(zarvo::pnCOM8);
    c.z.SetReplyTimeout(60000);
    c.z.SendCommand("AT", true, true);
    EXPECT_EQ(c.z.LastLine, "");
    EXPECT_FALSE(c.z.Busy);
    EXPECT_TRUE(c.status.current.startsWith("Gerät " + missing + " nicht gefunden."))
        << c.status.current.toStdString();
    EXPECT_EQ(c.z.PortProblem, c.status.current);
}

TEST(ExchangeTest, LockModemOnlyMarksAnIdleModem)
{
    EmulatorFixture modem(quietModem());
    Component c;
    QTimer::singleShot(100, [&] { c.z.LockModem(true); });
    c.z.SendCommand("AT", false, false);
    EXPECT_FALSE(c.z.Busy);
    EXPECT_FALSE(c.z.Locked);
    c.z.LockModem(false);
    EXPECT_FALSE(c.z.Busy);

    c.z.LockModem(true);
    EXPECT_TRUE(c.z.Busy);
    EXPECT_TRUE(c.z.Locked);
    c.z.LockModem(true);
    EXPECT_TRUE(c.z.Locked);
    c.z.LockModem(false);
    EXPECT_FALSE(c.z.Busy);
    EXPECT_FALSE(c.z.Locked);
}

TEST(ShowStatusTest, ProgressFiguresAndEmptyTextsStayOutOfTheLog)
{
    Component c;
    c.z.ShowStatus("Lese Daten");
    c.z.ShowStatus("Block 1 von 3  33%");
    EXPECT_EQ(c.status.current, "Block 1 von 3  33%");
    c.z.ShowStatus("");
    EXPECT_EQ(c.status.current, "");
    EXPECT_EQ(c.log.lines, QStringList({"-Lese Daten"}));

    TZarvo bare; // no targets assigned: nothing to write to, nothing breaks
    bare.ShowStatus("x");
}

// A scripted peer on a bare pseudo-terminal, for byte patterns a modem would not send by itself.
class ScriptedPeer : public ::testing::Test {
  protected:
    void SetUp() override
    {
        int slave = -1;
        char name[256] = {};
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        termios tio{};
        tcgetattr(master, &tio);
        cfmakeraw(&tio);
        tcsetattr(master, TCSANOW, &tio);
        programDir = std::make_unique<zarvo::test::TempProgramDir>(1, QString::fromLocal8Bit(name));
    }
    void TearDown() override { ::close(master); }
    // Writes the reply once the command arrived (inside the exchange's wait).
    void replyAfter(int ms, const QByteArray& bytes)
    {
        QTimer::singleShot(
            ms, [this, bytes] { ASSERT_EQ(::write(master, bytes.data(), bytes.size()), bytes.size()); });
    }
    int master = -1;
    std::unique_ptr<zarvo::test::TempProgramDir> programDir;
};

TEST_F(ScriptedPeer, BackspaceRemovesTheCharacterBeforeIt)
{
    Component c;
    replyAfter(100, "\r\nOX\bK\b\bOK\r\n");
    c.z.SendCommand("AT", true, false);
    EXPECT_EQ(c.z.LastLine, "OK");
}

TEST_F(ScriptedPeer, EmptyLineEmptiesLastLineButKeepsPrevLine)
{
    Component c;
    c.z.SetReplyTimeout(500);
    replyAfter(100, "\r\nfirst\r\nsecond\r\n\r\n");
    c.z.SendCommand("AT", true, true);
    // The empty line moved "second" into PrevLine and emptied LastLine; no final line followed, so
    // the first-reply wait ended at its limit and the second wait was skipped.
    EXPECT_EQ(c.z.PrevLine, "second");
    EXPECT_EQ(c.z.LastLine, "");
    EXPECT_TRUE(c.z.ReplyTimedOut());
    EXPECT_EQ(c.log.lines,
              QStringList({"<AT", ">first", ">second", "-Keine Antwort auf AT", "*l1**", "*l2*second*"}));
}

TEST_F(ScriptedPeer, MissingSecondLineBreaksAfterTheLastPass)
{
    Component c;
    replyAfter(100, "\r\nOK\r\n");
    c.z.SendCommand("ATE0V1+MCR?", true, true);
    EXPECT_EQ(c.z.LastLine, "OK");
    EXPECT_EQ(c.z.PrevLine, "");
    EXPECT_EQ(c.log.lines, QStringList({"<ATE0V1+MCR?", ">OK", "**Break waittwo**", "*l1*OK*", "*l2**"}));
}

TEST_F(ScriptedPeer, TestPortTakesOnlyNonEmptyLinesAndShiftsEachOne)
{
    Component c;
    // CR and LF of one line split across polls; a line without LF after it.
    replyAfter(100, "\r\nMODEL\r");
    replyAfter(250, "\nOK\rNEXT\r");
    c.z.TestCommand("ATE0#MDL?", false, false);
    EXPECT_EQ(c.z.LastLine, "NEXT");
    EXPECT_EQ(c.z.PrevLine, ""); // no second line awaited: forgotten
    EXPECT_TRUE(c.log.lines.contains(">OK"));
    EXPECT_TRUE(c.log.lines.contains(">MODEL"));
}

} // namespace
