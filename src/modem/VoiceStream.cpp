// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/VoiceStream.h"

namespace zarvo {

namespace {
constexpr uint8_t Dle = 0x10; // the escape byte of the modem's data streams
}

std::vector<uint8_t> UnshieldVoice(std::span<const uint8_t> shielded)
{
    std::vector<uint8_t> plain;
    plain.reserve(shielded.size());
    const std::size_t n = shielded.size();
    std::size_t i = 0;
    while (i < n) {
        const uint8_t b = shielded[i];
        if (b != Dle) {
            plain.push_back(b);
            ++i;
            continue;
        }
        if (i + 1 < n && shielded[i + 1] == Dle)
            plain.push_back(Dle);
        // A control pair (or a DLE at the end) leaves nothing behind.
        i += 2;
    }
    return plain;
}

} // namespace zarvo
