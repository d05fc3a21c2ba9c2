// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

namespace zarvo {

// Reads fax data most significant bit first. Bits past the end of the data read as 0, so a code
// may run off the last byte; the caller decides where reading stops.
class BitReader {
  public:
    explicit BitReader(std::span<const uint8_t> data) : data_(data) {}

    uint64_t position() const { return pos_; }
    uint64_t byteIndex() const { return pos_ >> 3; }
    void skip(uint64_t bits) { pos_ += bits; }

    // The next n bits (1..32) as a number, the first bit most significant.
    uint32_t peek(int n) const { return peekAt(pos_, n); }

    uint32_t peekAt(uint64_t pos, int n) const
    {
        const uint64_t byte = pos >> 3;
        uint64_t word = 0;
        if (byte < data_.size() && data_.size() - byte >= 8) {
            std::memcpy(&word, data_.data() + byte, sizeof word);
            if constexpr (std::endian::native == std::endian::little)
                word = __builtin_bswap64(word);
        }
        else {
            for (uint64_t i = 0; i < 8; ++i)
                word = (word << 8) | (byte + i < data_.size() ? data_[byte + i] : 0u);
        }
        // At most 7 bits are shifted out, so 57 valid bits remain for n <= 32.
        return static_cast<uint32_t>((word << (pos & 7)) >> (64 - n));
    }

  private:
    std::span<const uint8_t> data_;
    uint64_t pos_ = 0;
};

} // namespace zarvo
