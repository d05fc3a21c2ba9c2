// SPDX-License-Identifier: GPL-3.0-or-later
// Fault switches for the program's reliability tests.
#include "EmulatorFixture.h"
#include "PtyClient.h"

#include <gtest/gtest.h>

#include <numeric>

namespace zarvo::test {
namespace {

constexpr std::size_t kBlock = 32768;

emu::EmulatorOptions twoMessages()
{
    emu::EmulatorOptions o;
    o.echo = false;
    o.clockRunning = false;
    o.clockStart = emu::ClockValue{1, 2, 3, 4};
    std::vector<std::uint8_t> bytes(40000);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t(0));
    o.messages = {emu::dataMessage(bytes), emu::dataMessage(std::vector<std::uint8_t>(10, 0x41))};
    return o;
}

std::string asString(const std::vector<std::uint8_t>& v)
{
    return std::string(v.begin(), v.end());
}

TEST(EmulatorFaults, NoReplySwallowsTheGivenCommandAsOftenAsAsked)
{
    auto o = twoMessages();
    o.faults.noReply = {"+msr=0", 1};
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    line.send("ATE0V1+MSR=0");
    ASSERT_TRUE(modem.waitForTranscript(1));
    EXPECT_EQ(line.exchange("AT"), "\r\nOK\r\n"); // nothing came before this OK
    EXPECT_EQ(line.exchange("ATE0V1+MSR=0"), "\r\n002,001,002,002,000,000,001,000\r\n\r\nOK\r\n");
    EXPECT_EQ(modem.transcript(), (std::vector<std::string>{"ATE0V1+MSR=0", "AT", "ATE0V1+MSR=0"}));
}

TEST(EmulatorFaults, ErrorRefusesWithoutExecuting)
{
    auto o = twoMessages();
    o.faults.error.match = "+MCR=";
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    EXPECT_EQ(line.exchange("ATE0V1+MCR=5"), "\r\nERROR\r\n");
    EXPECT_EQ(line.exchange("ATE0V1+MCR?"), "\r\n2\r\n\r\nOK\r\n");
    // Switched at run time from the test's thread.
    emu::Faults f;
    f.error.match = "+MCR?";
    modem.setFaults(f);
    EXPECT_EQ(line.exchange("ATE0V1+MCR?"), "\r\nERROR\r\n");
    EXPECT_EQ(line.exchange("ATE0V1+MCR=5"), "\r\nOK\r\n");
}

// Field `index` (from 1) of the value line of a "value, OK" reply replaced by text.
std::string withField(const std::string& reply, int index, const std::string& text)
{
    std::string value = reply.substr(2, reply.find("\r\n", 2) - 2);
    std::vector<std::string> f;
    std::size_t start = 0;
    for (std::size_t comma; (comma = value.find(',', start)) != std::string::npos; start = comma + 1)
        f.push_back(value.substr(start, comma - start));
    f.push_back(value.substr(start));
    f.at(std::size_t(index) - 1) = text;
    std::string joined;
    for (std::size_t i = 0; i < f.size(); ++i)
        joined += (i ? "," : "") + f[i];
    return "\r\n" + joined + reply.substr(reply.find("\r\n", 2));
}

TEST(EmulatorFaults, BadFieldReplacesOneFieldOfTheValueLine)
{
    struct {
        const char* match;
        int index;
        const char* command;
    } cases[] = {{"+MSR=0", 2, "ATE0V1+MSR=0"},
                 {"+MSR=2", 13, "ATE0V1+MSR=2"},
                 {"+MSR=1", 10, "ATE0V1+MSR=1"},
                 {"+MCR?", 1, "ATE0V1+MCR?"},
                 {"+MCC?", 4, "ATE0V1+MCC?"}};
    for (const auto& c : cases) {
        auto o = twoMessages();
        o.faults.badField = {c.match, 1};
        o.faults.badFieldIndex = c.index;
        EmulatorFixture modem(o, 0);
        PtyClient line(modem.portPath());
        std::string faulty = line.exchange(c.command);
        std::string clean = line.exchange(c.command); // the fault was for one reply only
        EXPECT_NE(faulty, clean);
        EXPECT_EQ(faulty, withField(clean, c.index, "X7")) << c.command;
    }
}

TEST(EmulatorFaults, BlockCutShortEndsWithOkAndDoesNotCountAsDownloaded)
{
    auto o = twoMessages();
    o.faults.cutShort = {true, 1, 100, 1};
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    line.exchange("ATE0V1+MSR=2");
    EXPECT_EQ(line.exchange("ATE0V1+MTP=1"),
              "\r\n" + asString(modem.emulator().block(1)).substr(0, 100) + "\r\nOK\r\n");
    EXPECT_EQ(modem.emulator().directory()[1].state, 255);
    // Once only: the next answer is whole and completes the download.
    line.exchange("ATE0V1+MSR=2");
    line.send("ATE0V1+MTP=1");
    EXPECT_EQ(line.readUntil([](const std::string& s) { return s.size() >= kBlock + 8; }).size(), kBlock + 8);
    line.exchange("AT"); // the state changes once the last byte is out
    EXPECT_EQ(modem.emulator().directory()[1].state, 252);
}

TEST(EmulatorFaults, OkInsideTheBlockData)
{
    auto o = twoMessages();
    o.faults.okInData = {true, 1, 5000, -1};
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    std::string expected = asString(modem.emulator().blockAsSent(1));
    EXPECT_EQ(expected.substr(5000, 4), "\rOK\r");
    EXPECT_EQ(expected.substr(0, 5000), asString(modem.emulator().block(1)).substr(0, 5000));
    line.send("ATE0V1+MTP=1");
    std::string r = line.readUntil([](const std::string& s) { return s.size() >= kBlock + 8; });
    EXPECT_EQ(r, "\r\n" + expected + "\r\nOK\r\n");
    EXPECT_EQ(asString(modem.emulator().block(1)), expected) << "the memory holds what was sent";
    // Other blocks are untouched.
    EXPECT_EQ(modem.emulator().blockAsSent(0), modem.emulator().block(0));
}

TEST(EmulatorFaults, LineGoesDeadMidBlockUntilRevived)
{
    auto o = twoMessages();
    o.faults.lineDead = {true, -1, 1000, 1};
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    line.send("ATE0V1+MTP=0");
    std::string r = line.readUntil([](const std::string& s) { return s.size() >= 1002; });
    EXPECT_EQ(r, "\r\n" + asString(modem.emulator().block(0)).substr(0, 1000));
    line.send("AT");
    ASSERT_TRUE(modem.waitForTranscript(2)); // still heard and recorded, never answered
    EXPECT_TRUE(modem.emulator().dead());
    EXPECT_EQ(line.drain(), "");
    modem.emulator().revive();
    EXPECT_EQ(line.exchange("AT"), "\r\nOK\r\n");
}

TEST(EmulatorFaults, ChunkedReplyArrivesWhole)
{
    auto o = twoMessages();
    o.faults.chunkSize = 3;
    o.faults.chunkPauseMs = 5;
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    EXPECT_EQ(line.exchange("ATE0V1+MSR=0"), "\r\n002,001,002,002,000,000,001,000\r\n\r\nOK\r\n");
}

} // namespace
} // namespace zarvo::test
