// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/FaxPdf.h"

#include "fax/FaxFileError.h"
#include "fax/FullPageDecoder.h"

#include <vector>

namespace zarvo {

FaxPdf MakeFaxPdf(std::span<const FaxBytes> pages, const PdfPaper& paper)
{
    CodeTable table;
    LoadCodeTable(table);
    const FullPageDecoder decoder(table);
    FaxPdfBuilder builder(paper);
    FaxPdf pdf;
    for (size_t k = 0; k < pages.size(); ++k) {
        // One page's bitmap at a time: only its G4 image stays, inside the document.
        const PageBitmap picture = decoder.decode(pages[k]);
        if (picture.width > 0 && picture.height > 0)
            builder.addPage(PdfImageOf(picture));
        else
            pdf.undrawable.push_back(static_cast<int>(k + 1));
    }
    pdf.pages = builder.pages();
    if (pdf.pages > 0)
        pdf.bytes = builder.finish();
    return pdf;
}

FaxSaveReport SaveFaxAsPdf(std::span<const FaxBytes> pages, const std::string& pdfFile, const PdfPaper& paper,
                           Existing existing, bool* alreadyThere)
{
    const FaxPdf pdf = MakeFaxPdf(pages, paper);
    FaxSaveReport report{pdf.pages, pdf.undrawable};
    if (pdf.pages == 0)
        return report;
    const std::string problem =
        WriteWholeFile(pdfFile, std::as_bytes(std::span<const char>(pdf.bytes.data(), pdf.bytes.size())),
                       existing, &report.alreadyThere);
    if (alreadyThere)
        *alreadyThere = report.alreadyThere;
    if (!problem.empty())
        throw FaxFileError("Datei " + pdfFile + " kann nicht geschrieben werden (" + problem + ")");
    return report;
}

} // namespace zarvo
