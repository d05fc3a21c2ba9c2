#include "fax/FaxPdf.h"

#include "fax/FaxFileError.h"
#include "fax/PageDecoder.h"

#include <vector>

namespace zarvo {

FaxPdf MakeFaxPdf(std::span<const FaxBytes> pages, const PdfPaper& paper)
{
    CodeTable table;
    LoadCodeTable(table);
    const PageDecoder decoder(table);
    std::vector<PdfFaxImage> pictures;
    for (const FaxBytes& page : pages) {
        const PageBitmap picture = decoder.decode(page).bitmap;
        if (picture.width > 0 && picture.height > 0)
            pictures.push_back(PdfImageOf(picture));
    }
    FaxPdf pdf;
    pdf.pages = static_cast<int>(pictures.size());
    if (pdf.pages > 0)
        pdf.bytes = FaxPdfDocument(pictures, paper);
    return pdf;
}

int SaveFaxAsPdf(std::span<const FaxBytes> pages, const std::string& pdfFile, const PdfPaper& paper,
                 Existing existing, bool* alreadyThere)
{
    const FaxPdf pdf = MakeFaxPdf(pages, paper);
    if (pdf.pages == 0)
        return 0;
    const std::string problem =
        WriteWholeFile(pdfFile, std::as_bytes(std::span<const char>(pdf.bytes.data(), pdf.bytes.size())),
                       existing, alreadyThere);
    if (!problem.empty())
        throw FaxFileError("Datei " + pdfFile + " kann nicht geschrieben werden (" + problem + ")");
    return pdf.pages;
}

} // namespace zarvo
