// SPDX-License-Identifier: GPL-3.0-or-later
// Replies of the AT command set and their framing, spoken as raw bytes over the pty.
#include "EmulatorFixture.h"
#include "PtyClient.h"

#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

emu::EmulatorOptions frozenOptions()
{
    emu::EmulatorOptions o;
    o.echo = false;
    o.clockRunning = false;
    o.clockStart = emu::ClockValue{3, 4, 5, 6};
    return o;
}

struct ReplyCase {
    const char* command;
    const char* reply;
};

class EmulatorCommands : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(EmulatorCommands, AnswersExactly)
{
    EmulatorFixture modem(frozenOptions(), 0);
    PtyClient line(modem.portPath());
    EXPECT_EQ(line.exchange(GetParam().command), GetParam().reply) << GetParam().command;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, EmulatorCommands,
    ::testing::Values(
        ReplyCase{"AT", "\r\nOK\r\n"}, ReplyCase{"at", "\r\nOK\r\n"}, ReplyCase{"aT", "\r\nOK\r\n"},
        ReplyCase{"ATE0", "\r\nOK\r\n"}, ReplyCase{"ATZ", "\r\nOK\r\n"},
        ReplyCase{"ATE0#MDL?", "\r\nU.S. Robotics 56K Message V.92\r\n\r\nOK\r\n"},
        ReplyCase{"ATI3", "\r\nU.S. Robotics 56K Message V.92 Rev. 1.0\r\n\r\nOK\r\n"},
        ReplyCase{"ATE0V1+MCC?", "\r\n3,4,5,6\r\n\r\nOK\r\n"},
        ReplyCase{"ATE0V1+MSR=0", "\r\n000,000,000,000,000,000,001,000\r\n\r\nOK\r\n"},
        ReplyCase{"ATE0V1+MSR=1", "\r\nERROR\r\n"}, ReplyCase{"ATE0V1+MCD?", "\r\n0\r\n\r\nOK\r\n"},
        ReplyCase{"ATE0V1+MCF?", "\r\n1\r\n\r\nOK\r\n"}, ReplyCase{"ATE0V1+MCR?", "\r\n2\r\n\r\nOK\r\n"},
        ReplyCase{"ATE0V1+MFI?", "\r\n\"\"\r\n\r\nOK\r\n"},
        ReplyCase{"at+msr=0;+mcr?", "\r\n000,000,000,000,000,000,001,000\r\n"
                                    "\r\n2\r\n\r\nOK\r\n"},
        ReplyCase{"AT +MCR = 4", "\r\nOK\r\n"}, ReplyCase{"ATE0V1+MCS=1", "\r\nOK\r\n"},
        ReplyCase{"AT+MEM", "\r\nOK\r\n"}, ReplyCase{"AT+MCW", "\r\nOK\r\n"},
        ReplyCase{"ATE0V1+MVP=1", "\r\nOK\r\n"}, ReplyCase{"ATE0V1+MVP1", "\r\nOK\r\n"},
        // Unknown and malformed commands.
        ReplyCase{"AT+FOO", "\r\nERROR\r\n"}, ReplyCase{"ATX", "\r\nERROR\r\n"},
        ReplyCase{"ATI0", "\r\nERROR\r\n"}, ReplyCase{"ATE2", "\r\nERROR\r\n"},
        ReplyCase{"AT#MDL", "\r\nERROR\r\n"}, ReplyCase{"AT+MCD=2", "\r\nERROR\r\n"},
        ReplyCase{"AT+MCD", "\r\nERROR\r\n"}, ReplyCase{"AT+MCR=abc", "\r\nERROR\r\n"},
        ReplyCase{"AT+MCR=0", "\r\nERROR\r\n"}, ReplyCase{"AT+MCR=21", "\r\nERROR\r\n"},
        ReplyCase{"AT+MSR=", "\r\nERROR\r\n"}, ReplyCase{"AT+MSR?", "\r\nERROR\r\n"},
        ReplyCase{"AT+MTP=256", "\r\nERROR\r\n"}, ReplyCase{"AT+MTP=", "\r\nERROR\r\n"},
        ReplyCase{"AT+MFI=abc", "\r\nERROR\r\n"}, ReplyCase{"AT+MFI=\"abc", "\r\nERROR\r\n"},
        ReplyCase{"AT+MFI=\"123456789012345678901\"", "\r\nERROR\r\n"},
        ReplyCase{"AT+MCP=123456789012345678901", "\r\nERROR\r\n"},
        ReplyCase{"AT+MCC=1,24,0,0", "\r\nERROR\r\n"}, ReplyCase{"AT+MCC=1,2,3", "\r\nERROR\r\n"},
        ReplyCase{"AT+MCC=255,0,0,0", "\r\nERROR\r\n"}, ReplyCase{"AT+MVP=x", "\r\nERROR\r\n"},
        // A value line already produced stays in front of the error.
        ReplyCase{"AT+MCR?+FOO", "\r\n2\r\n\r\nERROR\r\n"}));

TEST(EmulatorFraming, EchoRepeatsTheCommandUntilE0)
{
    auto o = frozenOptions();
    o.echo = true;
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    // E0 acts after its own line was echoed, as on a real modem.
    EXPECT_EQ(line.exchange("ATE0"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(line.exchange("AT"), "\r\nOK\r\n");
    EXPECT_EQ(line.exchange("ATE1"), "\r\nOK\r\n");
    EXPECT_EQ(line.exchange("AT"), "AT\r\r\nOK\r\n");
    EXPECT_FALSE(modem.emulator().selfMode());
}

TEST(EmulatorFraming, NumericResultsInV0)
{
    EmulatorFixture modem(frozenOptions(), 0);
    PtyClient line(modem.portPath());
    line.send("ATV0");
    EXPECT_EQ(line.readUntil([](const std::string& s) { return s.size() >= 2; }), "0\r");
    line.send("AT+FOO");
    EXPECT_EQ(line.readUntil([](const std::string& s) { return s.size() >= 2; }), "4\r");
    line.send("AT+MCR?");
    EXPECT_EQ(line.readUntil([](const std::string& s) { return s.size() >= 5; }), "2\r\n0\r");
    // V1 inside the same line frames everything after it verbosely.
    EXPECT_EQ(line.exchange("ATV1+MCR?"), "\r\n2\r\n\r\nOK\r\n");
}

TEST(EmulatorFraming, LineAssemblyIgnoresLineFeedsAndHonoursBackspace)
{
    EmulatorFixture modem(frozenOptions(), 0);
    PtyClient line(modem.portPath());
    line.write("\nAT+MCX\bR?\r\n");
    EXPECT_EQ(line.readReply(), "\r\n2\r\n\r\nOK\r\n");
    // Two commands in one write are answered in order; empty lines and non-commands are ignored.
    line.write("\r\rhello\rAT+MCD?\rAT+MCF?\r");
    EXPECT_EQ(line.readUntil([](const std::string& s) { return s.size() >= 22; }),
              "\r\n0\r\n\r\nOK\r\n\r\n1\r\n\r\nOK\r\n");
    EXPECT_EQ(modem.transcript(), (std::vector<std::string>{"AT+MCR?", "hello", "AT+MCD?", "AT+MCF?"}));
}

TEST(EmulatorFraming, ChainedCommandsAsTheProgramSendsThem)
{
    EmulatorFixture modem(frozenOptions(), 0);
    PtyClient line(modem.portPath());
    line.send("ATV0");
    EXPECT_EQ(line.readUntil([](const std::string& s) { return s.size() >= 2; }), "0\r");
    EXPECT_EQ(line.exchange("ATE0V1+MSR=0"), "\r\n000,000,000,000,000,000,001,000\r\n\r\nOK\r\n");
    EXPECT_EQ(line.exchange("ATE0+MCS=1"), "\r\nOK\r\n");
    EXPECT_TRUE(modem.emulator().selfMode());
    EXPECT_EQ(line.exchange("AT+MCS?"), "\r\n1\r\n\r\nOK\r\n");
    EXPECT_EQ(line.exchange("ATZ"), "\r\nOK\r\n");
    EXPECT_FALSE(modem.emulator().selfMode()); // a reset leaves self mode
}

TEST(EmulatorSettings, WorkingSetIsStoredByMcwAndRecalledByZ)
{
    auto o = frozenOptions();
    o.settings.dialupRetr = true;
    o.settings.password = "12 34";
    o.settings.rings = 4;
    o.settings.faxId = "ZARVO";
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    auto query = [&](const std::string& name) { return line.exchange("ATE0V1+" + name + "?"); };
    EXPECT_EQ(query("MCD"), "\r\n1\r\n\r\nOK\r\n");
    EXPECT_EQ(query("MCP"), "\r\n12 34\r\n\r\nOK\r\n"); // the whole line, blanks and all
    EXPECT_EQ(query("MCR"), "\r\n4\r\n\r\nOK\r\n");
    EXPECT_EQ(query("MFI"), "\r\n\"ZARVO\"\r\n\r\nOK\r\n");

    for (const char* set : {"ATE0V1+MCD=0", "ATE0V1+MCF=0", "ATE0V1+MCL=1", "ATE0V1+MCM=1", "ATE0V1+MCP=9876",
                            "ATE0V1+MCR=6", "ATE0V1+MCV=0", "ATE0V1+MFI=\"NEUE ID\""})
        EXPECT_EQ(line.exchange(set), "\r\nOK\r\n") << set;
    emu::SelfModeSettings changed{false, false, true, true, "9876", 6, false, "NEUE ID"};
    EXPECT_EQ(modem.emulator().workingSettings(), changed);
    EXPECT_EQ(modem.emulator().storedSettings(), o.settings);
    EXPECT_EQ(query("MFI"), "\r\n\"NEUE ID\"\r\n\r\nOK\r\n");

    line.exchange("ATZ"); // a reset brings back the stored set
    EXPECT_EQ(modem.emulator().workingSettings(), o.settings);
    EXPECT_EQ(query("MCP"), "\r\n12 34\r\n\r\nOK\r\n");

    line.exchange("ATE0V1+MCP=");
    line.exchange("ATE0V1+MCR=1");
    EXPECT_EQ(line.exchange("ATE0V1+MCW"), "\r\nOK\r\n");
    line.exchange("ATZ");
    EXPECT_EQ(query("MCP"), "\r\n\r\n\r\nOK\r\n"); // an empty value line
    EXPECT_EQ(query("MCR"), "\r\n1\r\n\r\nOK\r\n");
}

TEST(EmulatorFraming, IdentityIsConfigurable)
{
    auto o = frozenOptions();
    o.identity = "Hayes Accura 56K";
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    EXPECT_EQ(line.exchange("ATE0#MDL?"), "\r\nHayes Accura 56K\r\n\r\nOK\r\n");
}

} // namespace
} // namespace zarvo::test
