// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zarvo {

// A 1-bit page picture: rows packed most significant bit first, 1 = black.
struct PageBitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bits; // height * stride() bytes

    PageBitmap() = default;
    PageBitmap(int w, int h) : width(w), height(h), bits(static_cast<size_t>(h) * stride(), 0) {}

    int stride() const { return (width + 7) / 8; }
    bool black(int x, int y) const
    {
        return (bits[static_cast<size_t>(y) * stride() + x / 8] >> (7 - x % 8)) & 1;
    }
    void setBlack(int x, int y, bool on = true)
    {
        uint8_t& b = bits[static_cast<size_t>(y) * stride() + x / 8];
        const uint8_t mask = static_cast<uint8_t>(0x80 >> (x % 8));
        b = on ? static_cast<uint8_t>(b | mask) : static_cast<uint8_t>(b & ~mask);
    }
};

} // namespace zarvo
