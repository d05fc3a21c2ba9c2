// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/OutputFile.h"
#include "fax/FaxDocument.h"
#include "fax/FaxSaveReport.h"
#include "fax/PdfWriter.h"

#include <span>
#include <string>

namespace zarvo {

// A fax as a PDF document: every page decoded whole with the built-in code table (FullPageDecoder:
// exactly the rows and width of the TIFF export, so also at its resolution), one PDF page each.
// Pages without a complete line are left out and named in `undrawable` (1-based), as in the TIFF.
struct FaxPdf {
    std::string bytes; // empty when no page is left
    int pages = 0;
    std::vector<int> undrawable;
};
FaxPdf MakeFaxPdf(std::span<const FaxBytes> pages, const PdfPaper& paper);

// MakeFaxPdf written whole to `pdfFile` (an OutputFile; `existing` says what an existing name
// does, `alreadyThere` hears whether it held these very bytes). Reports the pages written and
// those left out; with none written, no file is written and an existing one is left alone. Throws
// FaxFileError naming the reason ("Datenträger voll", ...) when the file cannot be written.
FaxSaveReport SaveFaxAsPdf(std::span<const FaxBytes> pages, const std::string& pdfFile, const PdfPaper& paper,
                           Existing existing = Existing::Replace, bool* alreadyThere = nullptr);

} // namespace zarvo
