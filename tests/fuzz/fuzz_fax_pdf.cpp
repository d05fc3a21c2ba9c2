// SPDX-License-Identifier: GPL-3.0-or-later
// A fax as PDF from arbitrary page data: decoding, G4 coding and the document end, stay in bounds,
// and what comes out starts and ends as a PDF whose cross-reference table is where it says.

#include "fax/FaxPdf.h"

#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the paper; the rest is split into pages at DLE ETX as a fax is.
    const zarvo::PdfPaper paper = data[0] & 1 ? zarvo::PaperLetter : zarvo::PaperA4;
    const std::vector<zarvo::FaxBytes> pages = zarvo::SplitFaxPages({data + 1, size - 1});
    const zarvo::FaxPdf pdf = zarvo::MakeFaxPdf(pages, paper);
    if (pdf.pages == 0) {
        if (!pdf.bytes.empty())
            std::abort();
        return 0;
    }
    const std::string& f = pdf.bytes;
    const std::string end = "%%EOF\n";
    if (f.rfind("%PDF-1.4\n", 0) != 0 || f.size() < end.size() ||
        f.compare(f.size() - end.size(), end.size(), end) != 0)
        std::abort();
    const size_t startxref = f.rfind("startxref\n");
    if (startxref == std::string::npos)
        std::abort();
    const size_t xref = std::strtoull(f.c_str() + startxref + 10, nullptr, 10);
    if (f.compare(xref, 5, "xref\n") != 0)
        std::abort();
    return 0;
}
