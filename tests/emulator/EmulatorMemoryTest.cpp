// SPDX-License-Identifier: GPL-3.0-or-later
// Memory layout, headers and the builders' DLE shielding, checked on the memory itself.
#include "MessageBuilder.h"
#include "MessageMemory.h"

#include <gtest/gtest.h>

#include <numeric>

namespace zarvo::emu {
namespace {

constexpr long kBlock = MessageMemory::kBlockSize;

std::vector<std::uint8_t> header(const MessageMemory& mem, const DirectoryEntry& e)
{
    std::vector<std::uint8_t> h;
    long pos = long(e.block) * kBlock + e.offset;
    for (int i = 0; i < MessageMemory::kHeaderSize; ++i, ++pos)
        h.push_back(mem.block(int(pos / kBlock))[std::size_t(pos % kBlock)]);
    return h;
}

StoredMessage sized(std::size_t bodyBytes, int block = -1, int offset = 0)
{
    StoredMessage m;
    m.type = 3;
    m.body.resize(bodyBytes);
    std::iota(m.body.begin(), m.body.end(), std::uint8_t(1));
    m.size = int(bodyBytes);
    m.block = block;
    m.offset = offset;
    return m;
}

struct LayoutCase {
    const char* name;
    int block, offset;
    std::size_t body;
    int lastBlock, endOffset;
};

class MemoryLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(MemoryLayout, HeaderTellsWhereTheBodyEnds)
{
    const LayoutCase& c = GetParam();
    MessageMemory mem;
    mem.fill({sized(c.body, c.block, c.offset)}, 0, 0, {});
    const DirectoryEntry& e = mem.entry(1);
    EXPECT_EQ(e.lastBlock, c.lastBlock);
    EXPECT_EQ(e.endOffset, c.endOffset);
    auto h = header(mem, e);
    EXPECT_EQ(h[31], c.lastBlock);
    EXPECT_EQ(h[32] * 256 + h[33], c.endOffset);
    // The body follows the header byte for byte.
    long pos = long(c.block) * kBlock + c.offset + MessageMemory::kHeaderSize;
    for (std::size_t i = 0; i < c.body; ++i, ++pos)
        ASSERT_EQ(mem.block(int(pos / kBlock))[std::size_t(pos % kBlock)], std::uint8_t(i + 1)) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MemoryLayout,
    ::testing::Values(LayoutCase{"SameBlock", 0, 0, 100, 0, 134},
                      // 8 header bytes in block 5, 26 in block 6, body from offset 26 of block 6.
                      LayoutCase{"HeaderStraddles", 5, 32760, 100, 6, 126},
                      // The header fills block 9 exactly; the body starts at offset 0 of block 10.
                      LayoutCase{"HeaderFillsBlock", 9, 32734, 10, 10, 10},
                      LayoutCase{"ThreeBlocks", 2, 1000, 70000, 4, 1000 + 34 + 70000 - 2 * 32768},
                      // A body ending on a block boundary ends at offset 32768 of that block.
                      LayoutCase{"EndsOnBoundary", 3, 0, 32768 - 34, 3, 32768},
                      LayoutCase{"EmptyBody", 7, 32734, 0, 7, 32768},
                      LayoutCase{"LastByteOfMemory", 255, 32000, 768 - 34, 255, 32768}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MessageMemory, HeaderFieldsAndDirectory)
{
    StoredMessage m = sized(5, 1, 300);
    m.type = 2;
    m.size = 700;
    m.state = 253;
    m.id = "0201, Zentrale";
    m.received = ClockValue{12, 13, 14, 0};
    MessageMemory mem;
    mem.fill({m}, 0, 0, {});
    auto h = header(mem, mem.entry(1));
    EXPECT_EQ(h[0], 2);
    EXPECT_EQ(h[1], 253);
    EXPECT_EQ(h[2] + 256 * h[3], 700);
    EXPECT_EQ(h[4], 12);
    EXPECT_EQ(h[5], 13);
    EXPECT_EQ(h[6], 14);
    EXPECT_EQ(std::string(h.begin() + 8, h.begin() + 22), "0201  Zentrale"); // no comma in the text
    EXPECT_EQ(h[22], 0);
    EXPECT_EQ(h[28], 1);
    EXPECT_EQ(h[29] * 256 + h[30], 300);
    EXPECT_EQ(mem.entryLine(1), "001,002,700,253,000,012,013,014,0201  Zentrale,001,001,044,000");

    mem.setState(1, 252);
    EXPECT_EQ(header(mem, mem.entry(1))[1], 252);
}

TEST(MessageMemory, MessagesFollowEachOtherFromTheStart)
{
    MessageMemory mem;
    StoredMessage fax = sized(10);
    fax.type = 1;
    fax.state = 252;
    mem.fill({sized(100), fax, sized(40000), sized(3)}, 4, 32700, {});
    ASSERT_EQ(mem.count(), 4u);
    EXPECT_EQ(mem.entry(1).block, 4);
    EXPECT_EQ(mem.entry(1).offset, 32700);
    EXPECT_EQ(mem.entry(2).block, 5);
    EXPECT_EQ(mem.entry(2).offset, 32700 + 134 - 32768);
    EXPECT_EQ(mem.entry(3).offset, mem.entry(2).offset + 44); // two messages in block 5
    EXPECT_EQ(mem.entry(4).block, mem.entry(3).lastBlock);
    EXPECT_EQ(mem.entry(4).offset, mem.entry(3).endOffset);
    EXPECT_EQ(mem.blocksOf(3), (std::vector<int>{5, 6}));
    EXPECT_EQ(mem.statusLine(), "004,001,003,003,001,000,001,000");
}

TEST(MessageMemory, RefusesOverlapsAndOverflowAndKeepsThePreviousContents)
{
    MessageMemory mem;
    mem.fill({sized(10)}, 0, 0, {});
    EXPECT_THROW(mem.fill({sized(100, 3, 0), sized(10, 3, 50)}, 0, 0, {}), std::runtime_error);
    EXPECT_THROW(mem.fill({sized(768 - 33, 255, 32000)}, 0, 0, {}), std::runtime_error);
    EXPECT_THROW(mem.fill({sized(10, 256, 0)}, 0, 0, {}), std::runtime_error);
    EXPECT_THROW(mem.fill({sized(10, 0, 32768)}, 0, 0, {}), std::runtime_error);
    EXPECT_EQ(mem.count(), 1u);
    mem.clear();
    EXPECT_EQ(mem.count(), 0u);
    EXPECT_EQ(mem.block(0)[0], MessageMemory::kErased);
    EXPECT_EQ(mem.statusLine(), "000,000,000,000,000,000,001,000");
}

TEST(MessageBuilder, DleShieldDoublesOnlyDle)
{
    std::vector<std::uint8_t> in{0x41, 0x10, 0x03, 0x10, 0x10, 0xFF};
    EXPECT_EQ(dleShield(in),
              (std::vector<std::uint8_t>{0x41, 0x10, 0x10, 0x03, 0x10, 0x10, 0x10, 0x10, 0xFF}));
    EXPECT_TRUE(dleShield({}).empty());
}

TEST(MessageBuilder, FaxPagesEndWithDleEtx)
{
    StoredMessage m = faxMessage({{0x10, 0x41}, {}, {0x00}});
    EXPECT_EQ(m.type, 1);
    EXPECT_EQ(m.size, 3);
    EXPECT_EQ(m.body,
              (std::vector<std::uint8_t>{0x10, 0x10, 0x41, 0x10, 0x03, 0x10, 0x03, 0x00, 0x10, 0x03}));
    EXPECT_THROW(faxMessage({}), std::runtime_error);
}

std::vector<std::uint8_t> gsmFrames(std::size_t n, std::uint8_t fill = 0x10)
{
    std::vector<std::uint8_t> f(n * kGsmFrameBytes, fill);
    for (std::size_t i = 0; i < n; ++i)
        f[i * kGsmFrameBytes] = 0xD8;
    return f;
}

TEST(MessageBuilder, VoiceKeepsWholeUnitsOfTwoFramesAndCountsSeconds)
{
    struct {
        std::size_t frames;
        std::size_t units;
        int seconds;
    } cases[] = {{0, 0, 0}, {1, 0, 0}, {3, 1, 1}, {50, 25, 1}, {52, 26, 2}, {101, 50, 2}, {250, 125, 5}};
    for (const auto& c : cases) {
        StoredMessage m = voiceMessage(gsmFrames(c.frames, 0x22));
        EXPECT_EQ(m.type, 2);
        EXPECT_EQ(m.body.size(), c.units * 66) << c.frames;
        EXPECT_EQ(m.size, c.seconds) << c.frames;
    }
    // Every DLE of the frames is doubled.
    StoredMessage m = voiceMessage(gsmFrames(2));
    EXPECT_EQ(m.body.size(), 2 + 2 * 32 * 2u);
    EXPECT_THROW(voiceMessage(std::vector<std::uint8_t>(34, 0xD0)), std::runtime_error);
    auto bad = gsmFrames(2);
    bad[33] = 0x41; // second frame without the 0xD magic
    EXPECT_THROW(voiceMessage(bad), std::runtime_error);
}

TEST(MessageBuilder, DataAndRawMessagesCountUnshieldedBytes)
{
    std::vector<std::uint8_t> bytes{0x10, 0x10, 0x20};
    StoredMessage d = dataMessage(bytes);
    EXPECT_EQ(d.type, 3);
    EXPECT_EQ(d.size, 3);
    EXPECT_EQ(d.body.size(), 5u);
    StoredMessage r = rawMessage(7, bytes);
    EXPECT_EQ(r.type, 7);
    EXPECT_EQ(r.body, d.body);
}

} // namespace
} // namespace zarvo::emu
