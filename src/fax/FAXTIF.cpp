// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/FAXTIF.h"

#include "common/Errors.h"
#include "common/OutputFile.h"
#include "fax/FaxDocument.h"
#include "fax/FaxFileError.h"
#include "fax/FaxResolution.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace zarvo {

namespace {

constexpr std::string_view Eol = "000000000001";

enum : uint16_t { Short = 3, Long = 4, Rational = 5 };

bool HasEol(std::string_view text)
{
    return text.find(Eol) != std::string_view::npos;
}

// Complete coded lines in the bytes the file receives: stretches between two EOLs (eleven or more
// zeros, then a one) that hold at least one one-bit. Every T.4 code holds a one and no run of
// codes holds eleven zeros, so these are the rows a reader decodes; fill bits and the EOLs of the
// end-of-page sequence add none.
int CountCodedLines(std::span<const uint8_t> page)
{
    const size_t bytes = page.empty() ? 0 : page.size() - 1;
    int zeros = 0;
    bool afterEol = false;
    bool hasCode = false;
    int lines = 0;
    for (size_t i = 0; i < bytes; ++i) {
        for (int bit = 7; bit >= 0; --bit) {
            if (((page[i] >> bit) & 1) == 0) {
                zeros = std::min(zeros + 1, 11);
                continue;
            }
            if (zeros >= 11) {
                if (afterEol && hasCode && lines < INT_MAX)
                    ++lines;
                afterEol = true;
                hasCode = false;
            }
            else {
                hasCode = true;
            }
            zeros = 0;
        }
    }
    return lines;
}

// The codes the width measurement uses, in table order. Each carries its first 16 characters as a
// bit pattern, so most entries are turned down by one integer comparison: a hostile page may ask
// for millions of passes over the table.
class LineMeasurer {
  public:
    explicit LineMeasurer(const CodeTable& table)
    {
        for (int i = 0; i <= table.LastCode && i < kCodeTableSize; ++i) {
            const oneCode& c = table[i];
            Probe p;
            p.code = &c;
            p.length = static_cast<uint32_t>(c.Code.size());
            switch (c.Kind) {
            case CodeKind::WEOL:
            case CodeKind::BEOL:
                p.endsLine = true;
                break;
            case CodeKind::WT:
            case CodeKind::WM:
                p.white = true;
                break;
            case CodeKind::BT:
            case CodeKind::BM:
                break;
            default:
                continue; // M codes and unsectioned lines are not used here
            }
            // Never found in a text of bits: an empty code or one with other characters. A code
            // of length 0 would match forever without consuming anything.
            if (c.Code.empty() || c.Code.find_first_not_of("01") != std::string::npos)
                continue;
            if (!p.endsLine && c.Bits == 0)
                continue;
            const size_t n = std::min<size_t>(c.Code.size(), 16);
            for (size_t k = 0; k < 16; ++k)
                p.pattern = static_cast<uint16_t>(p.pattern << 1 | (k < n && c.Code[k] == '1'));
            p.mask = static_cast<uint16_t>(0xFFFF << (16 - n));
            m_probes.push_back(p);
        }
    }

    // Sum of the runs of the line at the front of `text` when the codes read it up to an
    // end-of-line code; -1 when a pass over the table finds nothing more to read. The codes read
    // are taken off the front of `text`. Within a pass every entry is tried in order on the text
    // as the entries before it left it; a code earlier in the table waits for the next pass.
    int64_t measure(std::string_view& text) const
    {
        bool white = true;
        int64_t sum = 0;
        uint16_t head = Head(text);
        for (;;) {
            bool matched = false;
            for (const Probe& p : m_probes) {
                if (!p.endsLine && p.white != white)
                    continue;
                if ((head & p.mask) != p.pattern || p.length > text.size() ||
                    (p.length > 16 && text.substr(0, p.length) != p.code->Code))
                    continue;
                if (p.endsLine)
                    return sum;
                sum += p.code->Run;
                text.remove_prefix(std::min<size_t>(p.code->Bits, text.size()));
                head = Head(text);
                matched = true;
                if (p.code->Kind == CodeKind::WT)
                    white = false;
                else if (p.code->Kind == CodeKind::BT)
                    white = true;
            }
            if (!matched)
                return -1;
        }
    }

  private:
    struct Probe {
        const oneCode* code = nullptr;
        uint32_t length = 0;
        uint16_t pattern = 0;
        uint16_t mask = 0;
        bool endsLine = false;
        bool white = false;
    };

    // The first 16 characters of the text as bits ('1' set), missing ones as 0.
    static uint16_t Head(std::string_view text)
    {
        uint16_t head = 0;
        for (size_t k = 0; k < 16; ++k)
            head = static_cast<uint16_t>(head << 1 | (k < text.size() && text[k] == '1'));
        return head;
    }

    std::vector<Probe> m_probes;
};

void PutLe(std::ostream& out, uint32_t v, int bytes)
{
    char buf[4];
    for (int i = 0; i < bytes; ++i)
        buf[i] = static_cast<char>(v >> (8 * i));
    out.write(buf, bytes);
}

} // namespace

std::string ByteToBits(uint8_t b)
{
    std::string bits(8, '0');
    for (int i = 0; i < 8; ++i)
        if (b & (0x80 >> i))
            bits[static_cast<size_t>(i)] = '1';
    return bits;
}

std::string NextLineBits(std::span<const uint8_t> page, size_t& pos, std::string_view previous)
{
    std::string text;
    if (!previous.empty()) {
        const size_t eol = previous.find(Eol);
        if (eol != std::string_view::npos)
            text = previous.substr(eol + Eol.size());
        else if (previous.size() > 11)
            text = previous.substr(11);
    }
    size_t searchFrom = 0;
    while (text.find(Eol, searchFrom) == std::string::npos && pos < page.size()) {
        // Only the new bits and the eleven before them can complete an EOL.
        searchFrom = text.size() > 11 ? text.size() - 11 : 0;
        text += ByteToBits(page[pos++]);
    }
    return text;
}

PageMeasure MeasurePage(const CodeTable& table, std::span<const uint8_t> page)
{
    PageMeasure m;
    m.lines = CountCodedLines(page);

    size_t pos = 0;
    const std::string leading = NextLineBits(page, pos, {});
    if (!HasEol(leading))
        return m;
    std::string line = NextLineBits(page, pos, leading);
    const LineMeasurer measurer(table);
    // Each unreadable line gives way to the next; a line the data does not end with an EOL is
    // never measured, so the loop ends with the data at the latest.
    while (HasEol(line)) {
        std::string_view rest = line;
        const int64_t sum = measurer.measure(rest);
        if (sum >= 0) {
            if (sum > 0 && sum <= 0xFFFF) {
                m.width = static_cast<int>(sum);
                m.widthMeasured = true;
            }
            return m;
        }
        line = NextLineBits(page, pos, rest);
    }
    return m;
}

void WriteTiffHeader(std::ostream& out)
{
    out.write("II", 2);
    PutLe(out, 42, 2);
    PutLe(out, 8, 4);
}

void WriteIfdEntry(std::ostream& out, uint16_t tag, uint16_t type, uint32_t count, uint32_t value)
{
    PutLe(out, tag, 2);
    PutLe(out, type, 2);
    PutLe(out, count, 4);
    PutLe(out, type == Short && count == 1 ? (value & 0xFFFF) : value, 4);
}

void WriteTiffPage(std::ostream& out, std::span<const uint8_t> page, int width, bool lastPage, int lines,
                   int pageIndex, int pageTotal)
{
    const std::streamoff at = out.tellp();
    const size_t dataBytes = page.empty() ? 0 : page.size() - 1;
    if (at < 0 || static_cast<uint64_t>(at) + 222 + dataBytes > UINT32_MAX)
        throw FaxFileError("Die TIFF-Datei wird zu groß");
    const auto p = static_cast<uint32_t>(at);
    const auto count = static_cast<uint32_t>(dataBytes);
    const uint32_t w = static_cast<uint32_t>(width) & 0xFFFF;
    const uint32_t length = static_cast<uint32_t>(std::max(lines, 0));
    const uint32_t rowsPerStrip = std::max<uint32_t>(TiffRowsPerStrip, length);
    // SHORT as long as the count fits, so ordinary pages keep their bytes; a longer page keeps
    // every row instead of being cut at 65535.
    const uint16_t lengthType = length > 0xFFFF ? Long : Short;

    PutLe(out, 16, 2);
    WriteIfdEntry(out, 254, Long, 1, 2); // page of a multi-page document
    WriteIfdEntry(out, 256, Long, 1, w);
    WriteIfdEntry(out, 257, lengthType, 1, length);
    WriteIfdEntry(out, 258, Short, 1, 1);
    WriteIfdEntry(out, 259, Short, 1, 3); // T.4
    WriteIfdEntry(out, 262, Short, 1, 0); // zero is white
    WriteIfdEntry(out, 266, Short, 1, 1); // most significant bit first
    WriteIfdEntry(out, 273, Long, 1, p + 222);
    WriteIfdEntry(out, 277, Short, 1, 1);
    WriteIfdEntry(out, 278, lengthType, 1, rowsPerStrip);
    WriteIfdEntry(out, 279, Long, 1, count);
    WriteIfdEntry(out, 282, Rational, 1, p + 206);
    WriteIfdEntry(out, 283, Rational, 1, p + 214);
    WriteIfdEntry(out, 292, Long, 1, 0);  // one-dimensional, no fill bits promised
    WriteIfdEntry(out, 296, Short, 1, 2); // inch
    // The page's place in the document, two SHORTs in the value field; it keeps the directory at
    // 16 entries, so every position behind it stays where it always was.
    const auto index = static_cast<uint32_t>(std::clamp(pageIndex, 0, 0xFFFF));
    const auto total = static_cast<uint32_t>(std::clamp(pageTotal, 0, 0xFFFF));
    WriteIfdEntry(out, 297, Short, 2, index | total << 16);
    PutLe(out, lastPage ? 0 : p + 222 + count, 4);
    PutLe(out, 0, 4);
    PutLe(out, length * w, 4);
    PutLe(out, FaxDotsPerInchAcross, 4);
    PutLe(out, 1, 4);
    PutLe(out, static_cast<uint32_t>(FaxLinesPerInch(lines)), 4);
    PutLe(out, 1, 4);
    for (size_t done = 0; done < dataBytes; done += TiffCopyPiece) {
        const size_t n = std::min(TiffCopyPiece, dataBytes - done);
        out.write(reinterpret_cast<const char*>(page.data() + done), static_cast<std::streamsize>(n));
    }
}

void FaxTiffWriter::LoadCodeFile(const std::string& codeFile)
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_table = CodeTable{};
    const CodeTableLoad load = LoadCodeTableFile(m_table, codeFile);
    if (load.ok())
        return;
    m_table = CodeTable{}; // no half table: later exports measure nothing and write 1728
    if (load.error == CodeTableError::Unreadable)
        throw FaxFileError("Datei " + codeFile + " kann nicht gelesen werden (" + load.message + ")");
    throw ConvertError(load.message);
}

void FaxTiffWriter::SetCodeTable(const CodeTable& table)
{
    m_table = table;
    m_loaded = true;
}

namespace {

struct PlannedPage {
    FaxBytes data;
    PageMeasure measure;
};

// The pages that go into the file: a page without one complete line has no row a reader could
// decode (and a directory of zero rows is refused), so it is left out like an empty page - and
// named in `undrawable`, so the caller knows the file is not the whole fax.
std::vector<PlannedPage> PlanPages(const CodeTable& table, std::span<const uint8_t> faxData,
                                   std::vector<int>& undrawable)
{
    std::vector<PlannedPage> planned;
    int number = 0;
    for (FaxBytes& page : SplitFaxPages(faxData)) {
        ++number;
        const PageMeasure m = page.empty() ? PageMeasure{} : MeasurePage(table, page);
        if (m.lines > 0)
            planned.push_back({std::move(page), m});
        else
            undrawable.push_back(number);
    }
    return planned;
}

void WritePlanned(std::ostream& out, const std::vector<PlannedPage>& pages)
{
    WriteTiffHeader(out);
    for (size_t i = 0; i < pages.size(); ++i)
        WriteTiffPage(out, pages[i].data, pages[i].measure.width, i + 1 == pages.size(),
                      pages[i].measure.lines, static_cast<int>(i), static_cast<int>(pages.size()));
}

} // namespace

FaxSaveReport FaxTiffWriter::WriteFax(std::ostream& out, std::span<const uint8_t> faxData) const
{
    FaxSaveReport report;
    const std::vector<PlannedPage> pages = PlanPages(m_table, faxData, report.undrawable);
    if (!pages.empty())
        WritePlanned(out, pages);
    report.pages = static_cast<int>(pages.size());
    return report;
}

void RemoveOldTiff(const std::string& tiffFile)
{
    if (::unlink(tiffFile.c_str()) != 0 && errno != ENOENT)
        throw FileErrorFor(tiffFile, "gelöscht", errno);
}

FaxSaveReport FaxTiffWriter::SaveFaxAsTiff(std::span<const uint8_t> faxData, const std::string& tiffFile,
                                           const std::string& codeFile, Existing existing)
{
    // A file that is only ever replaced must not outlive a fax with no page: it would pass for it.
    if (existing == Existing::Replace)
        RemoveOldTiff(tiffFile);
    LoadCodeFile(codeFile);
    FaxSaveReport report;
    const std::vector<PlannedPage> pages = PlanPages(m_table, faxData, report.undrawable);
    if (pages.empty())
        return report;
    // Built in memory, then written whole: a full disk leaves no file with a broken page.
    std::ostringstream out(std::ios::binary);
    WritePlanned(out, pages);
    const std::string bytes = std::move(out).str();
    const std::string problem =
        WriteWholeFile(tiffFile, std::as_bytes(std::span<const char>(bytes.data(), bytes.size())), existing,
                       &report.alreadyThere);
    if (!problem.empty())
        throw FaxFileError("Datei " + tiffFile + " kann nicht geschrieben werden (" + problem + ")");
    report.pages = static_cast<int>(pages.size());
    return report;
}

FaxTiffWriter& ProgramTiffWriter()
{
    static FaxTiffWriter writer;
    return writer;
}

} // namespace zarvo
