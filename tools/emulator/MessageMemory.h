// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EmulatorTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarvo::emu {

// The modem's message memory: 256 blocks of 32768 bytes and the directory describing them.
// Each message is a 34-byte header followed at once by its body; both may run across block ends.
//
// Header bytes (offsets from the header's start):
//   0 type, 1 state, 2..3 size (little-endian, capped at 65535), 4 day, 5 hour, 6 minute, 7 zero,
//   8..27 identification (NUL-padded), 28 block, 29..30 offset (high, low) of the header itself,
//   31 last block, 32..33 end offset (high, low): the body ends just before that offset of the last
//   block. A body ending exactly at a block end gives end offset 32768 (bytes 0x80 0x00) in that
//   block, so a message may fill the memory to its last byte.
// Unused memory reads 0xFF, as erased flash.
//
// Not thread-safe; the emulator guards it with its state lock.
class MessageMemory {
  public:
    static constexpr int kBlocks = 256;
    static constexpr int kBlockSize = 32768;
    static constexpr int kHeaderSize = 34;
    static constexpr std::size_t kIdBytes = 20;
    static constexpr std::uint8_t kErased = 0xFF;

    MessageMemory();

    // Adds the messages in order. Those without placement follow the previous one, the first at
    // startBlock/startOffset. `now` stamps messages without reception time. Throws
    // std::runtime_error when a message does not fit or overlaps another; nothing is kept then.
    void fill(const std::vector<StoredMessage>& messages, int startBlock, int startOffset, ClockValue now);
    void clear();
    // Adds one message as a call the modem answers now: after the message that ends last in memory
    // (at 0:0 when the memory is empty), unless it carries its own placement. Throws as fill().
    void add(const StoredMessage& message, ClockValue now);

    std::size_t count() const { return m_entries.size(); }
    const std::vector<DirectoryEntry>& entries() const { return m_entries; }
    const DirectoryEntry& entry(std::size_t index) const { return m_entries.at(index - 1); } // from 1
    void setState(std::size_t index, int state);
    // Blocks a reader fetches for the message: from the header's block to the last block.
    std::vector<int> blocksOf(std::size_t index) const;

    std::span<const std::uint8_t> block(int n) const;
    // Overwrites bytes of block n from `offset`, moved back so they end within the block.
    void overwrite(int n, std::size_t offset, const std::string& bytes);
    int usedPercent() const;

    // Value line of "+MSR=0": total, percent used, non-fax count, new non-fax, fax count, new fax,
    // "001", "000" (numbers in three digits, as the flags).
    std::string statusLine() const;
    // Value line of "+MSR=n": n, type, size, state, 0, day, hour, minute, id, block, offset high,
    // offset low, 0.
    std::string entryLine(std::size_t index) const;

  private:
    struct Extent {
        long start;
        long end;
    };
    void writeHeader(std::size_t index);

    std::vector<std::uint8_t> m_bytes;
    std::vector<DirectoryEntry> m_entries;
    std::vector<Extent> m_extents;
};

} // namespace zarvo::emu
