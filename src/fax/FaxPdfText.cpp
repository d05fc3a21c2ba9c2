// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/FaxPdfText.h"

#include "fax/FullPageDecoder.h"

namespace zarvo {

FaxPdf MakeFaxPdfWithText(std::span<const FaxBytes> pages, const PdfPaper& paper, const FaxPageWords& wordsOf)
{
    CodeTable table;
    LoadCodeTable(table);
    const FullPageDecoder decoder(table);
    // Only the coded images and the words stay per page, never the pictures.
    std::vector<PdfFaxImage> pictures;
    std::vector<std::vector<PdfTextWord>> words;
    FaxPdf pdf;
    for (size_t k = 0; k < pages.size(); ++k) {
        const PageBitmap picture = decoder.decode(pages[k]);
        if (picture.width <= 0 || picture.height <= 0) {
            pdf.undrawable.push_back(static_cast<int>(k + 1));
            continue;
        }
        words.push_back(wordsOf ? wordsOf(static_cast<int>(k), picture) : std::vector<PdfTextWord>());
        pictures.push_back(PdfImageOf(picture));
    }
    pdf.pages = static_cast<int>(pictures.size());
    if (pdf.pages > 0)
        pdf.bytes = FaxPdfDocument(pictures, paper, words);
    return pdf;
}

} // namespace zarvo
