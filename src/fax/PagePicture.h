// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/PageBitmap.h"

#include <cstdint>
#include <string>

namespace zarvo {

// The shown page as a colour picture: width x (height * heightFactor) pixels, every row of the
// page repeated heightFactor times (a factor of 0 counts as 1), black black and white white.
// All three throw FaxFileError: when the file cannot be written, and before creating it when the
// page is empty or too large for the format.

// By extension, without regard to case: ".BMP" or ".JPG".
void SavePagePicture(const PageBitmap& page, uint8_t heightFactor, const std::string& fileName);

// A Windows bitmap, 24 bits per pixel, bottom-up rows.
void WritePageBmp(const PageBitmap& page, uint8_t heightFactor, const std::string& fileName);

// A JPEG file: quality 90, three components (YCbCr from RGB), baseline.
void WritePageJpeg(const PageBitmap& page, uint8_t heightFactor, const std::string& fileName);

} // namespace zarvo
