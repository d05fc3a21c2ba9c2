// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/PageBitmap.h"
#include "fax/PdfTextLayer.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

// Paper of a PDF page in points (1/72 inch).
struct PdfPaper {
    double width = 0;
    double height = 0;
    bool operator==(const PdfPaper&) const = default;
};
inline constexpr PdfPaper PaperA4{595.28, 841.89};
inline constexpr PdfPaper PaperLetter{612, 792};

// The paper of a locale's name ("en_US.UTF-8", "fr_CA", "de_DE@euro"): Letter for the territories
// that use it, A4 for every other one and for names without a territory ("C", "POSIX").
PdfPaper PaperForLocale(std::string_view locale);
// The locale that decides the paper as POSIX orders it: LC_ALL, else LC_PAPER, else LANG (the
// first one set and not empty); each may be null.
PdfPaper PaperForEnvironment(const char* lcAll, const char* lcPaper, const char* lang);
// PaperForEnvironment of this process's environment.
PdfPaper UserPaper();

// Where a fax page's picture goes on the paper, in points from the paper's lower left corner.
struct PdfPlacement {
    double x = 0, y = 0, width = 0, height = 0;
};
// The picture at the paper's width in its true aspect (204 dpi across, 98 or 196 lines per inch by
// its line count), at the top of the paper; a page longer than the paper is shrunk to the paper's
// height instead and centred across, so nothing of it is cut off.
PdfPlacement PlaceFaxPage(int width, int lines, const PdfPaper& paper);

// One page's picture as the PDF stores it: 1 bit deep, CCITT Group 4 coded (lossless). Only this
// is kept per page, so a long fax never holds all its bitmaps at once.
struct PdfFaxImage {
    int width = 0, height = 0;
    std::vector<uint8_t> g4;
};
PdfFaxImage PdfImageOf(const PageBitmap& page);

class PdfObjects;

// A PDF document built page by page: each page's image goes into the document as it is added, so
// the caller can drop the picture before it draws the next one.
class FaxPdfBuilder {
  public:
    // With `textLayer` the document carries a font for invisible text (object 4; the pages follow
    // it); without, it is numbered as it always was.
    explicit FaxPdfBuilder(const PdfPaper& paper, bool textLayer = false);
    ~FaxPdfBuilder();
    FaxPdfBuilder(const FaxPdfBuilder&) = delete;
    FaxPdfBuilder& operator=(const FaxPdfBuilder&) = delete;

    // Placed by PlaceFaxPage; `words` (boxes in the picture's pixels) become invisible, selectable
    // text over it when the builder has a text layer.
    void addPage(const PdfFaxImage& page, std::span<const PdfTextWord> words = {});
    int pages() const { return m_pages; }
    std::string finish(); // the whole document; the builder is spent

  private:
    std::unique_ptr<PdfObjects> m_pdf;
    PdfPaper m_paper;
    std::string m_mediaBox;
    int m_firstPage = 4; // object number of the first page
    bool m_textLayer = false;
    int m_pages = 0;
};

// A PDF document of one page per picture, each placed by PlaceFaxPage. A picture without a pixel
// gives an empty page; callers leave such pages out.
std::string FaxPdfDocument(std::span<const PdfFaxImage> pages, const PdfPaper& paper);
// The same with invisible, selectable text over the pictures (PdfInvisibleText): words[k] belongs
// to pages[k]; pages beyond `words` and empty lists get none. Without any word the document is
// byte for byte the one above.
std::string FaxPdfDocument(std::span<const PdfFaxImage> pages, const PdfPaper& paper,
                           std::span<const std::vector<PdfTextWord>> words);

} // namespace zarvo
