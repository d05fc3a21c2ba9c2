// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarvo {

// Section of the code table a code belongs to; the numbers are those the table has always used.
enum class CodeKind : uint8_t {
    None = 0,  // a code line read before any section header: never matched
    WT = 1,    // white terminating
    BT = 2,    // black terminating
    WM = 11,   // white make-up
    BM = 12,   // black make-up
    M = 13,    // extended make-up, valid in both colours
    WEOL = 21, // end of line
    BEOL = 22, // twelve zero bits; no T.4 code
};

// One code of the table.
struct oneCode {
    int32_t Run = 0; // run length in pixels; 0 for the end-of-line entries
    CodeKind Kind = CodeKind::None;
    uint8_t Bits = 0;   // code length as written in the length column
    std::string Code;   // '0' and '1', first bit of the stream first
    uint16_t Value = 0; // Code in base 2, first character most significant
};

inline constexpr int kCodeTableSize = 198;

// The table, filled from index 0 in the order of the table text. LastCode is the index of the last
// loaded entry (196 with the shipped table), -1 when nothing was loaded. The decoder never tries the
// entry at LastCode.
struct CodeTable {
    std::array<oneCode, kCodeTableSize> Codes{};
    int LastCode = -1;

    int count() const { return LastCode + 1; }
    const oneCode& operator[](int i) const { return Codes[static_cast<size_t>(i)]; }
};

// Why loading a table text failed.
enum class CodeTableError : uint8_t {
    None = 0,
    BadNumber,    // length or run column empty or not a decimal number (the conversion error)
    BadLength,    // length column is a number outside 0..255 (it does not fit the 8-bit field)
    TooManyCodes, // more than kCodeTableSize code lines
    Unreadable,   // the file could not be opened or read
};

// Outcome of a load. On failure the entries before the offending line stay loaded (LastCode
// counts them) but the caller should not use the table.
struct CodeTableLoad {
    CodeTableError error = CodeTableError::None;
    std::string message;      // e.g. "'' ist kein gültiger Integerwert"; strerror text for Unreadable
    std::string line;         // the offending line as read (without its line end)
    int lineNumber = 0;       // 1-based; 0 for Unreadable
    bool emptyColumn = false; // length or run column empty: the viewer shows `line` before `message`

    bool ok() const { return error == CodeTableError::None; }
};

// The built-in table text (the viewer's G3Table): 204 lines, each ended by '\n'; identical to the
// RFCG3.DAT shipped in data/.
std::string_view G3Table();

// Empties all Code texts and LastCode, then loads `text` line by line (lines end at "\n" or
// "\r\n"; a final line end adds no empty line).
CodeTableLoad LoadCodeTableText(CodeTable& table, std::string_view text);

// The viewer's load: the built-in G3Table text. Cannot fail with the shipped text.
CodeTableLoad LoadCodeTable(CodeTable& table);

// Loads a table file such as RFCG3.DAT. A file that cannot be opened or read gives Unreadable and
// leaves the table emptied.
CodeTableLoad LoadCodeTableFile(CodeTable& table, const std::string& path);

// One code line in the fixed-column format: code from column 10, length from column 26, run from
// column 34 (1-based), spaces elsewhere.
std::string FormatCodeLine(std::string_view code, int bits, int run);

// The header text of a section ("WT", "BT", ...); empty for CodeKind::None.
std::string_view SectionName(CodeKind kind);

} // namespace zarvo
