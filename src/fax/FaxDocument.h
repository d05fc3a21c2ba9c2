// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/PageBitmap.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarvo {

using FaxBytes = std::vector<uint8_t>;

inline constexpr uint8_t DLE = 0x10;
inline constexpr uint8_t ETX = 0x03;

// The page data of a DLE-coded fax, in order: DLE DLE is one 0x10, DLE ETX and DLE 0xFF end a
// page, DLE with any other byte (or as the last byte) is dropped. Two page ends in a row give an
// empty page; bytes after the last page end form a last page of their own.
std::vector<FaxBytes> SplitFaxPages(std::span<const uint8_t> faxData);

// The pages DLE-coded again, every page (the last one too) ended by DLE ETX.
FaxBytes JoinFaxPages(std::span<const FaxBytes> pages);

// The file types of the viewer, recognised by extension without regard to case.
enum class FaxFileKind { Ufr, Mmf, Bmp, Jpg, Pdf, Other };
FaxFileKind FaxFileKindOf(const std::string& fileName);

// The name the save dialog's filter gives: filter 1 ".UFR", 2 ".MMF", 3 ".BMP", 4 ".JPG", 5 ".pdf"
// replaces any extension of the last path component. Other filter numbers leave the name as it is.
std::string ApplySaveFilter(const std::string& fileName, int filterIndex);

// The document of one fax viewer: the fax as received, its pages and the page on show.
struct FaxDocument {
    // Entries the viewer always has; a fax with more pages makes the list grow so that every page
    // is kept. Entries at and beyond PageCount are left as they were.
    static constexpr size_t MinPageEntries = 31;

    FaxBytes FaxData;                                                    // the whole fax, DLE-coded
    std::vector<FaxBytes> Pages = std::vector<FaxBytes>(MinPageEntries); // plain T.4 data per page
    int32_t PageCount = 0;
    int32_t CurrentPage = 0;
    uint8_t HeightFactor = 1; // 1, or 2 in 200 x 100 dpi mode; pictures repeat every row this often
    PageBitmap Image;         // the decoded page on show

    // FaxData -> Pages, PageCount; CurrentPage := 0.
    void SplitPages();
    // The first PageCount pages -> FaxData; CurrentPage := 0.
    void JoinPages();

    // Reads a ".UFR" (whole fax, then SplitPages) or ".MMF" (one page, then JoinPages) file. Any
    // other extension loads nothing and returns false; the document stays as it was, also when
    // FaxFileError is thrown because the file cannot be read.
    bool OpenFile(const std::string& fileName);

    // Writes by extension: ".UFR" FaxData, ".MMF" page CurrentPage, ".BMP"/".JPG" the picture of
    // Image with HeightFactor, ".PDF" every page (SaveFaxAsPdf on the user's paper, written whole).
    // Throws FaxFileError on any failure, another extension or a PDF without a page to show.
    void SaveFile(const std::string& fileName) const;
};

// Whole-file helpers; both throw FaxFileError.
FaxBytes ReadFaxFile(const std::string& fileName);
void WriteFaxFile(const std::string& fileName, std::span<const uint8_t> bytes);

} // namespace zarvo
