#include "fax/FaxPdfText.h"

#include "fax/PageDecoder.h"

namespace zarvo {

FaxPdf MakeFaxPdfWithText(std::span<const FaxBytes> pages, const PdfPaper& paper, const FaxPageWords& wordsOf)
{
    CodeTable table;
    LoadCodeTable(table);
    const PageDecoder decoder(table);
    std::vector<PdfFaxImage> pictures;
    std::vector<std::vector<PdfTextWord>> words;
    for (size_t k = 0; k < pages.size(); ++k) {
        const PageBitmap picture = decoder.decode(pages[k]).bitmap;
        if (picture.width <= 0 || picture.height <= 0)
            continue;
        words.push_back(wordsOf ? wordsOf(static_cast<int>(k), picture) : std::vector<PdfTextWord>());
        pictures.push_back(PdfImageOf(picture));
    }
    FaxPdf pdf;
    pdf.pages = static_cast<int>(pictures.size());
    if (pdf.pages > 0)
        pdf.bytes = FaxPdfDocument(pictures, paper, words);
    return pdf;
}

} // namespace zarvo
