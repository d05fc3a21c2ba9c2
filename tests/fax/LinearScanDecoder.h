// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/CodeTable.h"
#include "fax/PageDecoder.h"

#include <cstdint>
#include <span>

namespace zarvo::test {

// The page display written the plain way: every code found by trying the table entries one by one,
// every bit read on its own, every pixel set on its own. Slow on purpose; it is the reference the
// table-driven decoder must agree with.
DecodedPage LinearScanDecode(std::span<const uint8_t> page, const CodeTable& table, double zoom = 1.0,
                             int heightFactor = 1, const PageDecodeHooks& hooks = {});

} // namespace zarvo::test
