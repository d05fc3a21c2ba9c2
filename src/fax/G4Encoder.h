// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/PageBitmap.h"

#include <cstdint>
#include <vector>

namespace zarvo {

// CCITT Group 4 coding (ITU-T T.6) of a 1-bit page: every line coded against the line above it
// (an all-white line above the first), most significant bit first, ended by EOFB and padded with
// zero bits to a whole byte. This is what a PDF's CCITTFaxDecode reads with K -1, Columns the page
// width and BlackIs1 false. Bits of a row beyond the page width are ignored.
std::vector<uint8_t> EncodeG4(const PageBitmap& page);

} // namespace zarvo
