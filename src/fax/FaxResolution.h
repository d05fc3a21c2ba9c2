// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace zarvo {

// The modem keeps no resolution with a fax, so a page's line count decides it: a normal page
// (98 lines per inch) has about 1100 to 1150 lines, a fine one (196) about twice as many.
inline constexpr int FaxDotsPerInchAcross = 204;
inline constexpr int FaxLinesPerInchNormal = 98;
inline constexpr int FaxLinesPerInchFine = 196;
inline constexpr int FaxFinePageLines = 1600; // more lines than this: a fine page

constexpr bool IsFinePage(int lines)
{
    return lines > FaxFinePageLines;
}

constexpr int FaxLinesPerInch(int lines)
{
    return IsFinePage(lines) ? FaxLinesPerInchFine : FaxLinesPerInchNormal;
}

} // namespace zarvo
