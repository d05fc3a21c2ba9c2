// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/OutputFile.h"
#include "fax/CodeTable.h"
#include "fax/FaxSaveReport.h"

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace zarvo {

// Multi-page TIFF export of a fax (G3, one-dimensional). The pages' T.4 data goes into the file as
// it came from the modem; each page is only measured (width and line count) for its directory.

inline constexpr int StandardFaxWidth = 1728;
inline constexpr uint16_t TiffRowsPerStrip = 1201;
inline constexpr size_t TiffCopyPiece = 2047;

// One byte as eight '0'/'1' characters, bit 7 first.
std::string ByteToBits(uint8_t b);

// The bits from after the first EOL of `previous` up to and including the next EOL, plus the rest
// of the byte that EOL ends in. Without an EOL in `previous` its first 11 characters are dropped
// instead. Bytes are taken from `page` at `pos` (the count of bytes read so far), which advances.
// When the page ends before the next EOL the text is returned without one.
std::string NextLineBits(std::span<const uint8_t> page, size_t& pos, std::string_view previous);

struct PageMeasure {
    int width = StandardFaxWidth; // run sum of the first readable line, or 1728 when none is
    int lines = 0;                // complete coded lines in the bytes that go into the file
    bool widthMeasured = false;
};

// Width: the first line after the first EOL that consists only of the table's terminating and
// make-up codes (sum of its runs). Lines: every stretch between two EOLs that holds code bits,
// counted in all but the page's last byte - exactly the rows a T.4 reader finds there.
PageMeasure MeasurePage(const CodeTable& table, std::span<const uint8_t> page);

// The 8-byte little-endian header; the first directory follows at offset 8.
void WriteTiffHeader(std::ostream& out);
// One 12-byte directory entry; a single SHORT value stands in the low two bytes of the value field,
// two SHORTs fill it (the first in the low bytes).
void WriteIfdEntry(std::ostream& out, uint16_t tag, uint16_t type, uint32_t count, uint32_t value);
// The directory and data of one page at the stream's end: 16 entries in ascending tag order, the
// next directory's position (0 for the last page), the resolutions, then the page bytes but the
// last. Width is written modulo 65536; lines give the image length (SHORT up to 65535, LONG above),
// and the rows per strip are 1201 or the image length when that is larger, so the page is always
// one strip.
// The resolution is 204 dpi across and 98 or 196 lines per inch by the line count (IsFinePage);
// the page number entry holds pageIndex (0-based) and pageTotal.
void WriteTiffPage(std::ostream& out, std::span<const uint8_t> page, int width, bool lastPage, int lines,
                   int pageIndex, int pageTotal);

// The writer's code table, loaded once per run from a table file such as RFCG3.DAT.
class FaxTiffWriter {
  public:
    // Loads `codeFile` unless a load was already tried: a failed load leaves the table empty for
    // the rest of the run (later exports then write the standard width). Throws FaxFileError when
    // the file cannot be read and ConvertError for a malformed code line.
    void LoadCodeFile(const std::string& codeFile);
    // Takes a table loaded elsewhere (the built-in text, say) as if it had been read from a file.
    void SetCodeTable(const CodeTable& table);
    bool Loaded() const { return m_loaded; }
    const CodeTable& Table() const { return m_table; }

    // Writes the DLE-coded fax as TIFF: header, then every page that holds a complete line. Reports
    // the pages written and those left out; with none written, nothing is written at all.
    FaxSaveReport WriteFax(std::ostream& out, std::span<const uint8_t> faxData) const;

    // LoadCodeFile, then writes the file whole or not at all, reporting as WriteFax. With
    // Existing::Replace an earlier file `tiffFile` is removed first: with no page to write no file
    // is left and 0 pages are reported, so
    // an old file (another fax) never passes for this one. Otherwise an existing name is left alone
    // (and with AcceptSame counts as written when it holds the same bytes). Throws FaxFileError when
    // the old file stays or writing fails, naming the reason ("Datenträger voll", ...).
    FaxSaveReport SaveFaxAsTiff(std::span<const uint8_t> faxData, const std::string& tiffFile,
                                const std::string& codeFile, Existing existing = Existing::Replace);

  private:
    CodeTable m_table;
    bool m_loaded = false;
};

// Removes the file if there is one; throws FaxFileError when it stays (a directory, no right).
void RemoveOldTiff(const std::string& tiffFile);

// The one writer of the program run.
FaxTiffWriter& ProgramTiffWriter();

} // namespace zarvo
