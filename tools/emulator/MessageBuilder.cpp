// SPDX-License-Identifier: GPL-3.0-or-later
#include "MessageBuilder.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zarvo::emu {

namespace {

constexpr std::size_t kFramesPerSecond = 50; // 160 samples of 8 kHz each

void appendShielded(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> data)
{
    for (std::uint8_t b : data) {
        out.push_back(b);
        if (b == kDle)
            out.push_back(kDle);
    }
}

} // namespace

std::vector<std::uint8_t> dleShield(std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> out;
    out.reserve(data.size() + data.size() / 64);
    appendShielded(out, data);
    return out;
}

StoredMessage voiceMessage(std::span<const std::uint8_t> gsmFrames)
{
    if (gsmFrames.size() % kGsmFrameBytes != 0)
        throw std::runtime_error("GSM data is not a whole number of 33-byte frames");
    std::size_t frames = gsmFrames.size() / kGsmFrameBytes;
    for (std::size_t i = 0; i < frames; ++i) {
        // Every GSM 06.10 frame of a .gsm file starts with the magic nibble 0xD.
        if ((gsmFrames[i * kGsmFrameBytes] & 0xF0) != 0xD0)
            throw std::runtime_error("not a raw GSM 06.10 file (frame " + std::to_string(i) + ")");
    }
    frames -= frames % 2; // the modem keeps whole 66-byte units
    StoredMessage m;
    m.type = 2;
    m.body = dleShield(gsmFrames.first(frames * kGsmFrameBytes));
    m.size = static_cast<int>((frames + kFramesPerSecond - 1) / kFramesPerSecond);
    return m;
}

StoredMessage faxMessage(const std::vector<std::vector<std::uint8_t>>& pages)
{
    if (pages.empty())
        throw std::runtime_error("a fax needs at least one page");
    StoredMessage m;
    m.type = 1;
    for (const auto& page : pages) {
        appendShielded(m.body, page);
        m.body.push_back(kDle);
        m.body.push_back(kEtx);
    }
    m.size = static_cast<int>(pages.size());
    return m;
}

StoredMessage dataMessage(std::span<const std::uint8_t> bytes)
{
    return rawMessage(3, bytes);
}

StoredMessage rawMessage(int type, std::span<const std::uint8_t> bytes)
{
    StoredMessage m;
    m.type = type;
    m.body = dleShield(bytes);
    m.size = static_cast<int>(bytes.size());
    return m;
}

std::vector<std::uint8_t> readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw std::runtime_error("cannot read " + path);
    return bytes;
}

} // namespace zarvo::emu
