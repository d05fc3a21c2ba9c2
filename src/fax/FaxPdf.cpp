#include "fax/FaxPdf.h"

#include "fax/PageDecoder.h"
#include "fax/WholeFile.h"

#include <vector>

namespace zarvo {

FaxPdf MakeFaxPdf(std::span<const FaxBytes> pages, const PdfPaper& paper)
{
    CodeTable table;
    LoadCodeTable(table);
    const PageDecoder decoder(table);
    std::vector<PageBitmap> pictures;
    for (const FaxBytes& page : pages) {
        PageBitmap picture = decoder.decode(page).bitmap;
        if (picture.width > 0 && picture.height > 0)
            pictures.push_back(std::move(picture));
    }
    FaxPdf pdf;
    pdf.pages = static_cast<int>(pictures.size());
    if (pdf.pages > 0)
        pdf.bytes = FaxPdfDocument(pictures, paper);
    return pdf;
}

int SaveFaxAsPdf(std::span<const FaxBytes> pages, const std::string& pdfFile, const PdfPaper& paper)
{
    const FaxPdf pdf = MakeFaxPdf(pages, paper);
    if (pdf.pages > 0)
        WriteWholeFile(pdfFile, pdf.bytes);
    return pdf.pages;
}

} // namespace zarvo
