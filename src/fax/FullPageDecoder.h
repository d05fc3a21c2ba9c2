// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/CodeTable.h"
#include "fax/PageBitmap.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace zarvo {

// A fax page decoded whole, as a T.4 reader of the TIFF export finds it: one row per complete coded
// line (exactly MeasurePage's line count), as wide as at least half of its lines that decode whole
// (MeasurePage's width when there is no such width), with no size limit but memory. This is the
// page a document (PDF) shows; the viewer's display decoder is another.
class FullPageDecoder {
  public:
    explicit FullPageDecoder(const CodeTable& table);

    // An empty bitmap when the page has no complete line, or when its picture would take more than
    // kMaxBytes (a hostile width times line count).
    PageBitmap decode(std::span<const uint8_t> page) const;

    static constexpr size_t kMaxBytes = size_t{256} << 20;

  private:
    static constexpr int kMaxCodeBits = 16;
    struct Code {
        int32_t run = -1; // -1: no code of this length and value
        bool terminating = false;
    };
    // Per colour and code length, the codes by value.
    using ByLength = std::array<std::vector<Code>, kMaxCodeBits + 1>;
    void decodeLine(std::span<const uint8_t> bits, PageBitmap& picture, int y) const;
    // The sum of a line's runs when its codes read it whole up to the EOL's zeros, else -1.
    int64_t lineWidth(std::span<const uint8_t> bits) const;
    int pictureWidth(std::span<const uint8_t> page, int measured) const;

    CodeTable m_table; // for the measurement: its own copy, so a decoder never outlives its table
    std::array<ByLength, 2> m_codes;
    int m_longest = 0;
};

} // namespace zarvo
