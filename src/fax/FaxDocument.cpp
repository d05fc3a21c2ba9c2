// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/FaxDocument.h"

#include "fax/FaxFileError.h"
#include "fax/FaxPdf.h"
#include "fax/PagePicture.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace zarvo {

std::vector<FaxBytes> SplitFaxPages(std::span<const uint8_t> faxData)
{
    std::vector<FaxBytes> pages;
    FaxBytes current;
    for (size_t i = 0; i < faxData.size(); ++i) {
        const uint8_t b = faxData[i];
        if (b != DLE) {
            current.push_back(b);
            continue;
        }
        if (i + 1 >= faxData.size())
            break; // a lone DLE at the very end carries nothing
        const uint8_t next = faxData[++i];
        if (next == DLE) {
            current.push_back(DLE);
        }
        else if (next == ETX || next == 0xFF) {
            pages.push_back(std::move(current));
            current.clear();
        }
        // any other pair is a control the page data does not need: both bytes go
    }
    if (!current.empty())
        pages.push_back(std::move(current));
    return pages;
}

FaxBytes JoinFaxPages(std::span<const FaxBytes> pages)
{
    FaxBytes out;
    for (const FaxBytes& page : pages) {
        out.reserve(out.size() + page.size() + page.size() / 16 + 2);
        for (uint8_t b : page) {
            out.push_back(b);
            if (b == DLE)
                out.push_back(DLE);
        }
        out.push_back(DLE);
        out.push_back(ETX);
    }
    return out;
}

namespace {

// The extension of the last path component, upper case, with its dot; empty when there is none.
std::string UpperExtension(const std::string& fileName)
{
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = fileName.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ext;
}

} // namespace

FaxFileKind FaxFileKindOf(const std::string& fileName)
{
    const std::string ext = UpperExtension(fileName);
    if (ext == ".UFR")
        return FaxFileKind::Ufr;
    if (ext == ".MMF")
        return FaxFileKind::Mmf;
    if (ext == ".BMP")
        return FaxFileKind::Bmp;
    if (ext == ".JPG")
        return FaxFileKind::Jpg;
    if (ext == ".PDF")
        return FaxFileKind::Pdf;
    return FaxFileKind::Other;
}

std::string ApplySaveFilter(const std::string& fileName, int filterIndex)
{
    static const char* const extensions[] = {".UFR", ".MMF", ".BMP", ".JPG", ".pdf"};
    if (filterIndex < 1 || filterIndex > 5)
        return fileName;
    std::string base = fileName;
    const std::string ext = UpperExtension(fileName);
    base.resize(base.size() - ext.size());
    return base + extensions[filterIndex - 1];
}

void FaxDocument::SplitPages()
{
    std::vector<FaxBytes> split = SplitFaxPages(FaxData);
    if (Pages.size() < split.size())
        Pages.resize(split.size());
    for (size_t k = 0; k < split.size(); ++k)
        Pages[k] = std::move(split[k]);
    PageCount = static_cast<int32_t>(split.size());
    CurrentPage = 0;
}

void FaxDocument::JoinPages()
{
    const size_t count = std::min(Pages.size(), static_cast<size_t>(std::max(PageCount, 0)));
    FaxData = JoinFaxPages(std::span<const FaxBytes>(Pages.data(), count));
    CurrentPage = 0;
}

bool FaxDocument::OpenFile(const std::string& fileName)
{
    // Read before anything changes: a file that is no fax or cannot be read leaves the document.
    const FaxFileKind kind = FaxFileKindOf(fileName);
    if (kind != FaxFileKind::Mmf && kind != FaxFileKind::Ufr)
        return false;
    FaxBytes bytes = ReadFaxFile(fileName);
    Pages.at(0).clear();
    switch (kind) {
    case FaxFileKind::Mmf:
        Pages[0] = std::move(bytes);
        PageCount = 1;
        JoinPages();
        return true;
    case FaxFileKind::Ufr:
        FaxData = std::move(bytes);
        SplitPages();
        return true;
    default:
        return false;
    }
}

void FaxDocument::SaveFile(const std::string& fileName) const
{
    switch (FaxFileKindOf(fileName)) {
    case FaxFileKind::Ufr:
        WriteFaxFile(fileName, FaxData);
        return;
    case FaxFileKind::Mmf: {
        static const FaxBytes none;
        const bool valid = CurrentPage >= 0 && static_cast<size_t>(CurrentPage) < Pages.size();
        WriteFaxFile(fileName, valid ? Pages[static_cast<size_t>(CurrentPage)] : none);
        return;
    }
    case FaxFileKind::Bmp:
    case FaxFileKind::Jpg:
        SavePagePicture(Image, HeightFactor, fileName);
        return;
    case FaxFileKind::Pdf: {
        const size_t count = std::min(Pages.size(), static_cast<size_t>(std::max(PageCount, 0)));
        if (SaveFaxAsPdf(std::span<const FaxBytes>(Pages.data(), count), fileName, UserPaper()).pages == 0)
            throw FaxFileError("Datei " + fileName + " nicht gespeichert: das Fax hat keine lesbare Seite");
        return;
    }
    case FaxFileKind::Other:
        break;
    }
    throw FaxFileError("Datei " + fileName + ": unbekannter Dateityp (UFR, MMF, BMP, JPG oder PDF)");
}

FaxBytes ReadFaxFile(const std::string& fileName)
{
    UniqueFile f(std::fopen(fileName.c_str(), "rb"));
    if (!f)
        throw FileErrorFor(fileName, "geöffnet", errno);
    FaxBytes bytes;
    uint8_t block[2048];
    for (;;) {
        const size_t n = std::fread(block, 1, sizeof block, f.get());
        bytes.insert(bytes.end(), block, block + n);
        if (n < sizeof block)
            break;
    }
    if (std::ferror(f.get()))
        throw FileErrorFor(fileName, "gelesen", errno);
    return bytes;
}

void WriteFaxFile(const std::string& fileName, std::span<const uint8_t> bytes)
{
    UniqueFile f(std::fopen(fileName.c_str(), "wb"));
    if (!f)
        throw FileErrorFor(fileName, "erstellt", errno);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        throw FileErrorFor(fileName, "geschrieben", errno);
    if (std::fclose(f.release()) != 0)
        throw FileErrorFor(fileName, "geschrieben", errno);
}

} // namespace zarvo
