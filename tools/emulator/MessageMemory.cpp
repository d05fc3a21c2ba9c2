// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageMemory.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace zarvo::emu {

namespace {

constexpr long kMemoryBytes = long(MessageMemory::kBlocks) * MessageMemory::kBlockSize;

std::string three(int v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d", v);
    return buf;
}

// The directory line separates fields by commas and ends at CR: neither may appear in the text.
std::string cleanId(const std::string& id)
{
    std::string out = id.substr(0, MessageMemory::kIdBytes);
    for (char& c : out) {
        if (c == ',' || c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    return out;
}

} // namespace

MessageMemory::MessageMemory() : m_bytes(kMemoryBytes, kErased) {}

void MessageMemory::clear()
{
    std::fill(m_bytes.begin(), m_bytes.end(), kErased);
    m_entries.clear();
    m_extents.clear();
}

void MessageMemory::fill(const std::vector<StoredMessage>& messages, int startBlock, int startOffset,
                         ClockValue now)
{
    MessageMemory next(*this);
    long position = long(startBlock) * kBlockSize + startOffset;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const StoredMessage& m = messages[i];
        std::string which = "message " + std::to_string(i + 1);
        long start = m.block >= 0 ? long(m.block) * kBlockSize + m.offset : position;
        if (m.block >= kBlocks || m.offset < 0 || m.offset >= kBlockSize || start < 0)
            throw std::runtime_error(which + ": placement outside the memory");
        long end = start + kHeaderSize + long(m.body.size());
        if (end > kMemoryBytes)
            throw std::runtime_error(which + ": does not fit into the memory");
        for (const Extent& e : next.m_extents) {
            if (start < e.end && e.start < end)
                throw std::runtime_error(which + ": overlaps another message");
        }
        std::copy(m.body.begin(), m.body.end(), next.m_bytes.begin() + start + kHeaderSize);

        DirectoryEntry d;
        d.type = m.type & 0xFF;
        d.size = m.size;
        d.state = m.state & 0xFF;
        d.id = cleanId(m.id);
        d.received = m.received ? *m.received : now;
        d.block = int(start / kBlockSize);
        d.offset = int(start % kBlockSize);
        // A body ending on a block boundary ends at offset 32768 of the block it fills.
        d.lastBlock = int((end - 1) / kBlockSize);
        d.endOffset = int(end - long(d.lastBlock) * kBlockSize);
        next.m_entries.push_back(d);
        next.m_extents.push_back({start, end});
        next.writeHeader(next.m_entries.size());
        position = end;
    }
    *this = std::move(next);
}

void MessageMemory::add(const StoredMessage& message, ClockValue now)
{
    long end = 0;
    for (const Extent& e : m_extents)
        end = std::max(end, e.end);
    fill({message}, int(end / kBlockSize), int(end % kBlockSize), now);
}

void MessageMemory::writeHeader(std::size_t index)
{
    const DirectoryEntry& d = entry(index);
    std::uint8_t h[kHeaderSize] = {};
    int size = std::clamp(d.size, 0, 65535);
    h[0] = std::uint8_t(d.type);
    h[1] = std::uint8_t(d.state);
    h[2] = std::uint8_t(size & 0xFF);
    h[3] = std::uint8_t(size >> 8);
    h[4] = std::uint8_t(d.received.day);
    h[5] = std::uint8_t(d.received.hour);
    h[6] = std::uint8_t(d.received.minute);
    std::copy(d.id.begin(), d.id.end(), h + 8);
    h[28] = std::uint8_t(d.block);
    h[29] = std::uint8_t(d.offset >> 8);
    h[30] = std::uint8_t(d.offset & 0xFF);
    h[31] = std::uint8_t(d.lastBlock);
    h[32] = std::uint8_t(d.endOffset >> 8);
    h[33] = std::uint8_t(d.endOffset & 0xFF);
    std::copy(std::begin(h), std::end(h), m_bytes.begin() + m_extents[index - 1].start);
}

void MessageMemory::setState(std::size_t index, int state)
{
    m_entries.at(index - 1).state = state & 0xFF;
    writeHeader(index);
}

std::vector<int> MessageMemory::blocksOf(std::size_t index) const
{
    const DirectoryEntry& d = entry(index);
    std::vector<int> blocks;
    for (int b = d.block; b <= d.lastBlock; ++b)
        blocks.push_back(b);
    return blocks;
}

void MessageMemory::overwrite(int n, std::size_t offset, const std::string& bytes)
{
    if (n < 0 || n >= kBlocks || bytes.size() > std::size_t(kBlockSize))
        return;
    offset = std::min(offset, std::size_t(kBlockSize) - bytes.size());
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + long(n) * kBlockSize + long(offset));
}

std::span<const std::uint8_t> MessageMemory::block(int n) const
{
    return std::span<const std::uint8_t>(m_bytes).subspan(std::size_t(n) * kBlockSize, kBlockSize);
}

int MessageMemory::usedPercent() const
{
    long used = 0;
    for (const Extent& e : m_extents)
        used += e.end - e.start;
    return int((used * 100 + kMemoryBytes - 1) / kMemoryBytes);
}

std::string MessageMemory::statusLine() const
{
    int voice = 0, newVoice = 0, fax = 0, newFax = 0;
    for (const DirectoryEntry& d : m_entries) {
        bool isNew = d.state == 255;
        if (d.type == 1) {
            ++fax;
            newFax += isNew;
        }
        else {
            ++voice;
            newVoice += isNew;
        }
    }
    return three(int(m_entries.size())) + "," + three(usedPercent()) + "," + three(voice) + "," +
           three(newVoice) + "," + three(fax) + "," + three(newFax) + ",001,000";
}

std::string MessageMemory::entryLine(std::size_t index) const
{
    const DirectoryEntry& d = entry(index);
    return three(int(index)) + "," + three(d.type) + "," + three(d.size) + "," + three(d.state) + ",000," +
           three(d.received.day) + "," + three(d.received.hour) + "," + three(d.received.minute) + "," +
           d.id + "," + three(d.block) + "," + three(d.offset >> 8) + "," + three(d.offset & 0xFF) + ",000";
}

} // namespace zarvo::emu
