// SPDX-License-Identifier: GPL-3.0-or-later
// Status, directory, block download, state changes, erase and clock, over the pty, read the
// way the program reads them.
#include "EmulatorFixture.h"
#include "ProgramReader.h"
#include "PtyClient.h"

#include <gtest/gtest.h>

#include <numeric>

namespace zarvo::test {
namespace {

constexpr std::size_t kBlock = 32768;

emu::StoredMessage pattern(std::size_t n, int block = -1, int offset = 0)
{
    std::vector<std::uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t(0));
    emu::StoredMessage m = emu::dataMessage(bytes);
    m.block = block;
    m.offset = offset;
    return m;
}

// A body stored as given, without shielding, so its stored length is exact.
emu::StoredMessage plain(std::size_t n, int block, int offset)
{
    emu::StoredMessage m;
    m.type = 3;
    m.body.assign(n, 0x55);
    m.size = int(n);
    m.block = block;
    m.offset = offset;
    return m;
}

std::string asString(const std::vector<std::uint8_t>& v)
{
    return std::string(v.begin(), v.end());
}

emu::EmulatorOptions withMessages(std::vector<emu::StoredMessage> messages)
{
    emu::EmulatorOptions o;
    o.echo = false;
    o.clockRunning = false;
    o.clockStart = emu::ClockValue{9, 8, 7, 6};
    o.messages = std::move(messages);
    return o;
}

TEST(EmulatorTransfer, MessagesReadBackExactlyAsStored)
{
    auto o = withMessages({pattern(100, 5, 32760), pattern(50, 9, 32734), pattern(70000, 20, 12345),
                           pattern(20), pattern(30), plain(32768 - 34, 40, 0)});
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    int reads = 0;
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(readMessage(line, i, &reads), asString(o.messages[std::size_t(i - 1)].body)) << i;
    EXPECT_EQ(reads, 1); // the last message fills block 40 and needs no further block
}

TEST(EmulatorTransfer, StatusAndDirectoryFields)
{
    emu::StoredMessage voice = emu::voiceMessage(std::vector<std::uint8_t>(33 * 100, 0xD5));
    voice.id = "0301 555 123";
    voice.received = emu::ClockValue{3, 14, 15, 0};
    emu::StoredMessage fax = emu::faxMessage({{1, 2, 3}, {4}});
    fax.state = 253;
    emu::StoredMessage data = pattern(300);
    data.state = 252;
    EmulatorFixture modem(withMessages({voice, fax, data}), 0);
    PtyClient line(modem.portPath());

    EXPECT_EQ(valueLine(line.exchange("ATE0V1+MSR=0")), "003,001,002,001,001,000,001,000");
    EXPECT_EQ(valueLine(line.exchange("ATE0V1+MSR=1")),
              "001,002,002,255,000,003,014,015,0301 555 123,000,000,000,000");
    // Without its own time a message carries the clock's reading when the memory was filled.
    EXPECT_EQ(valueLine(line.exchange("ATE0V1+MSR=2")), "002,001,002,253,000,009,008,007,,000,013,006,000");
    EXPECT_EQ(fields(valueLine(line.exchange("ATE0V1+MSR=3"))).at(2), "300");
    EXPECT_EQ(line.exchange("ATE0V1+MSR=4"), "\r\nERROR\r\n");
    EXPECT_EQ(line.exchange("ATE0V1+MSR=255"), "\r\nERROR\r\n");
}

TEST(EmulatorTransfer, MessageBecomesDownloadedWhenAllItsBlocksFollowItsQuery)
{
    EmulatorFixture modem(withMessages({pattern(30000, 0, 32000), pattern(10, 3, 0), pattern(10, 3, 100)}),
                          0);
    PtyClient line(modem.portPath());

    // Clock queries in between (the program reads the clock with the first entry) do not matter.
    line.exchange("ATE0V1+MSR=1");
    line.exchange("ATE0V1+MCC?");
    readBlock(line, 0);
    EXPECT_EQ(modem.emulator().directory()[0].state, 255) << "one of its two blocks is still missing";
    readBlock(line, 1);
    EXPECT_EQ(modem.emulator().directory()[0].state, 252);

    // Blocks fetched without the entry query first change nothing.
    readBlock(line, 3);
    EXPECT_EQ(modem.emulator().directory()[1].state, 255);
    // A status read between the query and the block breaks the sequence too.
    line.exchange("ATE0V1+MSR=2");
    line.exchange("ATE0V1+MSR=0");
    readBlock(line, 3);
    EXPECT_EQ(modem.emulator().directory()[1].state, 255);
    line.exchange("ATE0V1+MSR=2");
    readBlock(line, 3);
    EXPECT_EQ(modem.emulator().directory()[1].state, 252);
    // The header in memory follows the directory.
    EXPECT_EQ(modem.emulator().block(3)[1], 252);
    EXPECT_EQ(modem.emulator().directory()[2].state, 255);
}

TEST(EmulatorTransfer, PlaybackCommandsAreRecordedAndMarkListened)
{
    auto o = withMessages({pattern(10), pattern(10), pattern(10)});
    o.messages[1].state = 252;
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    EXPECT_EQ(line.exchange("ATE0V1+MVP=1"), "\r\nOK\r\n");
    EXPECT_EQ(line.exchange("ATE0V1+MVP1"), "\r\nOK\r\n");
    EXPECT_EQ(line.exchange("ATE0V1+MVP=2"), "\r\nOK\r\n");
    EXPECT_EQ(line.exchange("ATE0V1+MVP=9"), "\r\nOK\r\n");
    EXPECT_EQ(modem.emulator().playbackCommands(),
              (std::vector<std::string>{"+MVP=1", "+MVP1", "+MVP=2", "+MVP=9"}));
    auto dir = modem.emulator().directory();
    EXPECT_EQ(dir[0].state, 253);
    EXPECT_EQ(dir[1].state, 252); // already downloaded: stays
    EXPECT_EQ(dir[2].state, 255);
    EXPECT_EQ(fields(valueLine(line.exchange("ATE0V1+MSR=1"))).at(3), "253");
}

// Calls that come in while the program reads: after a block answer, after a time, and handed over
// by a test. Each is added after the last message as new, stamped with the clock.
TEST(EmulatorTransfer, MessagesArriveWhileServing)
{
    auto o = withMessages({pattern(10)});
    emu::StoredMessage late = pattern(20);
    late.id = "0301 555";
    o.arrivals.push_back({emu::Arrival::When::AfterBlock, 2, pattern(30)});
    o.arrivals.push_back({emu::Arrival::When::AfterSeconds, 1, late});
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    EXPECT_EQ(fields(valueLine(line.exchange("ATE0V1+MSR=0"))).at(0), "001");
    readBlock(line, 0);
    EXPECT_EQ(modem.emulator().directory().size(), 1u) << "one block is not yet two";
    readBlock(line, 0);
    EXPECT_EQ(fields(valueLine(line.exchange("ATE0V1+MSR=0"))).at(0), "002");
    const auto f = fields(valueLine(line.exchange("ATE0V1+MSR=2")));
    EXPECT_EQ((std::vector<std::string>(f.begin() + 1, f.begin() + 8)),
              (std::vector<std::string>{"003", "030", "255", "000", "009", "008", "007"}));
    EXPECT_EQ(modem.emulator().directory()[1].offset, 34 + 10);
    EXPECT_EQ(readMessage(line, 2), asString(o.arrivals[0].message.body));

    // The timed one comes without any command (bounded wait, no time asserted).
    for (int i = 0; i < 200 && modem.emulator().directory().size() < 3; ++i)
        line.drain(std::chrono::milliseconds(50));
    ASSERT_EQ(modem.emulator().directory().size(), 3u);
    EXPECT_EQ(modem.emulator().directory()[2].id, "0301 555");
    EXPECT_EQ(modem.emulator().directory()[2].block, 0);
    EXPECT_EQ(modem.emulator().directory()[2].offset, 34 + 10 + 34 + int(o.arrivals[0].message.body.size()));

    // After an erase the next call starts the memory again; one that cannot fit is refused.
    EXPECT_EQ(line.exchange("AT+MEM"), "\r\nOK\r\n");
    EXPECT_TRUE(modem.emulator().arrive(pattern(5)));
    EXPECT_EQ(modem.emulator().directory().at(0).offset, 0);
    EXPECT_FALSE(modem.emulator().arrive(pattern(256 * kBlock)));
    EXPECT_EQ(modem.emulator().directory().size(), 1u);
}

TEST(EmulatorTransfer, EraseEmptiesTheMemory)
{
    EmulatorFixture modem(withMessages({pattern(10), pattern(10)}), 0);
    PtyClient line(modem.portPath());
    EXPECT_EQ(line.exchange("AT+MEM"), "\r\nOK\r\n");
    EXPECT_EQ(valueLine(line.exchange("ATE0V1+MSR=0")), "000,000,000,000,000,000,001,000");
    EXPECT_EQ(line.exchange("ATE0V1+MSR=1"), "\r\nERROR\r\n");
    EXPECT_EQ(readBlock(line, 0), std::string(kBlock, '\xFF'));
}

TEST(EmulatorTransfer, ClockIsSetReadAndRestarted)
{
    auto o = withMessages({});
    o.clockUnset = true;
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    EXPECT_EQ(valueLine(line.exchange("ATE0V1+MCC?")), "255,255,255,255");
    modem.emulator().advanceClock(100); // an unset clock does not run
    EXPECT_EQ(valueLine(line.exchange("ATE0V1+MCC?")), "255,255,255,255");
    EXPECT_EQ(line.exchange("ATE0V1+MCC=9,23,59,58"), "\r\nOK\r\n");
    EXPECT_EQ(valueLine(line.exchange("ATE0V1+MCC?")), "9,23,59,58");
    modem.emulator().advanceClock(3);
    EXPECT_EQ(valueLine(line.exchange("ATE0V1+MCC?")), "10,0,0,1");
    EXPECT_EQ(line.exchange("ATE0V1+MCC=31,24,0,0"), "\r\nERROR\r\n");
    EXPECT_EQ(valueLine(line.exchange("ATE0V1+MCC?")), "10,0,0,1");
    EXPECT_EQ(line.exchange("ATE0V1+MCC"), "\r\nOK\r\n");
    EXPECT_EQ(valueLine(line.exchange("ATE0V1+MCC?")), "0,0,0,0");
}

TEST(EmulatorTransfer, DefaultClockRunsFromTheHostsDayOfMonth)
{
    emu::EmulatorOptions o;
    o.echo = false;
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());
    auto f = fields(valueLine(line.exchange("ATE0V1+MCC?")));
    ASSERT_EQ(f.size(), 4u);
    int day = std::stoi(f[0]);
    EXPECT_GE(day, 1);
    EXPECT_LE(day, 32); // a month end may pass between start and query
}

} // namespace
} // namespace zarvo::test
