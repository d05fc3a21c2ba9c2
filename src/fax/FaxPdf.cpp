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
    FaxPdf pdf;
    for (size_t k = 0; k < pages.size(); ++k) {
        const PageBitmap picture = decoder.decode(pages[k]).bitmap;
        if (picture.width > 0 && picture.height > 0)
            pictures.push_back(PdfImageOf(picture));
        else
            pdf.undrawable.push_back(static_cast<int>(k + 1));
    }
    pdf.pages = static_cast<int>(pictures.size());
    if (pdf.pages > 0)
        pdf.bytes = FaxPdfDocument(pictures, paper);
    return pdf;
}

FaxSaveReport SaveFaxAsPdf(std::span<const FaxBytes> pages, const std::string& pdfFile, const PdfPaper& paper,
                           Existing existing, bool* alreadyThere)
{
    const FaxPdf pdf = MakeFaxPdf(pages, paper);
    const FaxSaveReport report{pdf.pages, pdf.undrawable};
    if (pdf.pages == 0)
        return report;
    const std::string problem =
        WriteWholeFile(pdfFile, std::as_bytes(std::span<const char>(pdf.bytes.data(), pdf.bytes.size())),
                       existing, alreadyThere);
    if (!problem.empty())
        throw FaxFileError("Datei " + pdfFile + " kann nicht geschrieben werden (" + problem + ")");
    return report;
}

} // namespace zarvo
