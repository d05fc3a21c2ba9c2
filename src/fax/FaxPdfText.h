// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/FaxPdf.h"

#include <functional>
#include <vector>

namespace zarvo {

// The words of one fax page for the PDF's text layer, asked with the page's index among all pages
// given (0-based, counted before empty pages are left out) and its decoded picture; boxes are in
// that picture's pixels. May return an empty list.
using FaxPageWords = std::function<std::vector<PdfTextWord>(int index, const PageBitmap& page)>;

// MakeFaxPdf with each page's words as invisible, selectable text over its picture. The pictures
// are the very ones MakeFaxPdf stores; with no word at all the document is MakeFaxPdf's.
FaxPdf MakeFaxPdfWithText(std::span<const FaxBytes> pages, const PdfPaper& paper,
                          const FaxPageWords& wordsOf);

} // namespace zarvo
