#pragma once

#include "fax/PageBitmap.h"

#include <span>
#include <string>
#include <string_view>

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

// A PDF document of one page per picture, each picture placed by PlaceFaxPage and stored 1 bit
// deep in CCITT Group 4 coding (lossless). Pictures without a pixel should be left out by the caller;
// here they give an empty page.
std::string FaxPdfDocument(std::span<const PageBitmap> pages, const PdfPaper& paper);

} // namespace zarvo
