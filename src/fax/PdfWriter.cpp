// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/PdfWriter.h"

#include "fax/FaxResolution.h"
#include "fax/G4Encoder.h"
#include "fax/PdfTextLayer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <vector>

namespace zarvo {

namespace {

// Territories whose paper is Letter (the common locale data agrees on these).
constexpr std::string_view kLetterTerritories[] = {"US", "CA", "MX", "PR", "PH", "CL", "CO",
                                                   "VE", "CR", "GT", "NI", "PA", "SV", "BZ"};

} // namespace

class PdfObjects {
  public:
    PdfObjects() { m_out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"; }

    // Object `number` (numbers are handed out in order) with the dictionary and an optional stream.
    void object(int number, const std::string& dictionary, std::string_view stream = {},
                bool hasStream = false)
    {
        if (static_cast<size_t>(number) >= m_offsets.size())
            m_offsets.resize(static_cast<size_t>(number) + 1, 0);
        m_offsets[static_cast<size_t>(number)] = m_out.size();
        m_out += std::to_string(number) + " 0 obj\n" + dictionary;
        if (hasStream) {
            m_out += "\nstream\n";
            m_out.append(stream);
            m_out += "\nendstream";
        }
        m_out += "\nendobj\n";
    }

    std::string finish(int root, int info)
    {
        const size_t xref = m_out.size();
        m_out += "xref\n0 " + std::to_string(m_offsets.size()) + "\n0000000000 65535 f \n";
        for (size_t i = 1; i < m_offsets.size(); ++i) {
            std::string offset = std::to_string(m_offsets[i]);
            m_out += std::string(10 - std::min<size_t>(offset.size(), 10), '0') + offset + " 00000 n \n";
        }
        m_out += "trailer\n<< /Size " + std::to_string(m_offsets.size()) + " /Root " + std::to_string(root) +
                 " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n" + std::to_string(xref) +
                 "\n%%EOF\n";
        return std::move(m_out);
    }

  private:
    std::string m_out;
    std::vector<size_t> m_offsets{0};
};

PdfPaper PaperForLocale(std::string_view locale)
{
    const size_t underscore = locale.find('_');
    if (underscore == std::string_view::npos)
        return PaperA4;
    std::string_view territory = locale.substr(underscore + 1);
    territory = territory.substr(0, territory.find_first_of(".@"));
    for (std::string_view letter : kLetterTerritories)
        if (territory == letter)
            return PaperLetter;
    return PaperA4;
}

PdfPaper PaperForEnvironment(const char* lcAll, const char* lcPaper, const char* lang)
{
    for (const char* value : {lcAll, lcPaper, lang})
        if (value && *value)
            return PaperForLocale(value);
    return PaperA4;
}

PdfPaper UserPaper()
{
    return PaperForEnvironment(std::getenv("LC_ALL"), std::getenv("LC_PAPER"), std::getenv("LANG"));
}

PdfPlacement PlaceFaxPage(int width, int lines, const PdfPaper& paper)
{
    PdfPlacement place;
    if (width <= 0 || lines <= 0)
        return place;
    // Inches of the picture, then scaled so that its width is the paper's.
    const double inchesAcross = static_cast<double>(width) / FaxDotsPerInchAcross;
    const double inchesDown = static_cast<double>(lines) / FaxLinesPerInch(lines);
    place.width = paper.width;
    place.height = paper.width * inchesDown / inchesAcross;
    if (place.height > paper.height) {
        place.width = paper.height * inchesAcross / inchesDown;
        place.height = paper.height;
    }
    place.x = (paper.width - place.width) / 2;
    place.y = paper.height - place.height;
    return place;
}

PdfFaxImage PdfImageOf(const PageBitmap& page)
{
    return {page.width, page.height, EncodeG4(page)};
}

FaxPdfBuilder::FaxPdfBuilder(const PdfPaper& paper, bool textLayer)
    : m_pdf(std::make_unique<PdfObjects>()), m_paper(paper),
      m_mediaBox("[0 0 " + PdfNumber(paper.width) + " " + PdfNumber(paper.height) + "]"),
      m_firstPage(textLayer ? 5 : 4), m_textLayer(textLayer)
{
    if (m_textLayer)
        m_pdf->object(4, PdfTextFontDictionary());
}

FaxPdfBuilder::~FaxPdfBuilder() = default;

void FaxPdfBuilder::addPage(const PdfFaxImage& page, std::span<const PdfTextWord> words)
{
    // 1 catalog, 2 page tree, 3 info (written last), 4 the text layer's font when there is one;
    // then per page: page, contents, image.
    const int pageObject = m_firstPage + 3 * m_pages++;
    const PdfPlacement at = PlaceFaxPage(page.width, page.height, m_paper);
    const std::string text = m_textLayer && !words.empty() && page.width > 0 && page.height > 0
                                 ? PdfInvisibleText(words, at, page.width, page.height)
                                 : std::string();
    const std::string fontResource =
        text.empty() ? "" : " /Font << /" + std::string(PdfTextFontName) + " 4 0 R >>";
    m_pdf->object(pageObject, "<< /Type /Page /Parent 2 0 R /MediaBox " + m_mediaBox +
                                  " /Resources << /XObject << /Im0 " + std::to_string(pageObject + 2) +
                                  " 0 R >>" + fontResource + " >> /Contents " +
                                  std::to_string(pageObject + 1) + " 0 R >>");
    std::string contents;
    if (page.width > 0 && page.height > 0)
        contents = "q " + PdfNumber(at.width) + " 0 0 " + PdfNumber(at.height) + " " + PdfNumber(at.x) + " " +
                   PdfNumber(at.y) + " cm /Im0 Do Q";
    if (!text.empty())
        contents += "\n" + text;
    m_pdf->object(pageObject + 1, "<< /Length " + std::to_string(contents.size()) + " >>", contents, true);
    const bool empty = page.width <= 0 || page.height <= 0;
    const int w = empty ? 1 : page.width, h = empty ? 1 : page.height;
    const std::vector<uint8_t> blank = empty ? EncodeG4(PageBitmap(w, h)) : std::vector<uint8_t>();
    const std::vector<uint8_t>& g4 = empty ? blank : page.g4;
    const std::string size = " /Width " + std::to_string(w) + " /Height " + std::to_string(h);
    m_pdf->object(pageObject + 2,
                  "<< /Type /XObject /Subtype /Image" + size +
                      " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode"
                      " /DecodeParms << /K -1 /Columns " +
                      std::to_string(w) + " /Rows " + std::to_string(h) + " /BlackIs1 false >> /Length " +
                      std::to_string(g4.size()) + " >>",
                  std::string_view(reinterpret_cast<const char*>(g4.data()), g4.size()), true);
}

std::string FaxPdfBuilder::finish()
{
    std::string kids;
    for (int k = 0; k < m_pages; ++k)
        kids += (k ? " " : "") + std::to_string(m_firstPage + 3 * k) + " 0 R";
    m_pdf->object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    m_pdf->object(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(m_pages) + " >>");
    m_pdf->object(3, "<< /Producer (Zarvo) >>");
    return m_pdf->finish(1, 3);
}

std::string FaxPdfDocument(std::span<const PdfFaxImage> pages, const PdfPaper& paper)
{
    return FaxPdfDocument(pages, paper, {});
}

std::string FaxPdfDocument(std::span<const PdfFaxImage> pages, const PdfPaper& paper,
                           std::span<const std::vector<PdfTextWord>> words)
{
    const bool anyText = std::any_of(words.begin(), words.end(), [](const auto& w) { return !w.empty(); });
    FaxPdfBuilder pdf(paper, anyText);
    for (size_t k = 0; k < pages.size(); ++k)
        pdf.addPage(pages[k], k < words.size() ? std::span<const PdfTextWord>(words[k])
                                               : std::span<const PdfTextWord>());
    return pdf.finish();
}

} // namespace zarvo
