// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zarvo {

// Removes the modem's DLE shielding from a voice stream: DLE DLE stands for one DLE, DLE with any
// other byte is a control pair that carries no sound and is dropped whole, and a DLE left alone at
// the very end is dropped too. Every other byte passes unchanged.
std::vector<uint8_t> UnshieldVoice(std::span<const uint8_t> shielded);

} // namespace zarvo
