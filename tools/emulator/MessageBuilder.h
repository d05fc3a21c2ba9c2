// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EmulatorTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Messages as the modem stores them: bodies DLE-shielded (a data byte 0x10 doubled), fax pages
// each ended by DLE ETX. All builders throw std::runtime_error on unusable input.
namespace zarvo::emu {

inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::size_t kGsmFrameBytes = 33;

std::vector<std::uint8_t> dleShield(std::span<const std::uint8_t> data);

// Raw GSM 06.10 frames of 33 bytes (as sox writes .gsm files). Stored as 66-byte units of two
// frames; an odd last frame is dropped. Size: seconds, rounded up (50 frames a second).
StoredMessage voiceMessage(std::span<const std::uint8_t> gsmFrames);

// Raw T.4 pages, most significant bit first (as pbmtog3 writes them). Size: the page count.
StoredMessage faxMessage(const std::vector<std::vector<std::uint8_t>>& pages);

// Any bytes as a data message (type 3). Size: the byte count.
StoredMessage dataMessage(std::span<const std::uint8_t> bytes);

// Any bytes under any type byte, shielded. Size: the byte count.
StoredMessage rawMessage(int type, std::span<const std::uint8_t> bytes);

std::vector<std::uint8_t> readFileBytes(const std::string& path);

} // namespace zarvo::emu
