// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/PagePicture.h"

#include "common/OutputFile.h"
#include "fax/FaxDocument.h"
#include "fax/FaxFileError.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace zarvo {

namespace {

constexpr int JpegQuality = 90;
constexpr int BmpHeaderBytes = 14 + 40;

// Row y of the page bitmap as 24-bit pixels (all three channels equal, so RGB and BGR read the
// same). Bytes missing from a short bitmap count as white.
void ExpandRow(const PageBitmap& page, int y, uint8_t* row)
{
    const size_t stride = static_cast<size_t>(page.stride());
    const size_t start = static_cast<size_t>(y) * stride;
    for (int x = 0; x < page.width; ++x) {
        const size_t at = start + static_cast<size_t>(x / 8);
        const bool black = at < page.bits.size() && ((page.bits[at] >> (7 - x % 8)) & 1);
        const uint8_t v = black ? 0 : 255;
        uint8_t* px = row + static_cast<size_t>(x) * 3;
        px[0] = px[1] = px[2] = v;
    }
}

int Factor(uint8_t heightFactor)
{
    return heightFactor == 0 ? 1 : heightFactor;
}

void RequirePicture(const PageBitmap& page, const std::string& fileName)
{
    if (page.width <= 0 || page.height <= 0)
        throw FaxFileError("Die Seite ist leer: " + fileName + " wird nicht geschrieben");
}

void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

struct JpegError {
    jpeg_error_mgr mgr; // first, so the library's pointer is also ours
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Everything between setjmp and a possible longjmp out of the library happens here, with no object
// that needs a destructor, so the jump skips no clean-up. The state lives in the caller's frame.
bool CompressPage(std::FILE* file, const PageBitmap& page, int factor, uint8_t* row,
                  jpeg_compress_struct* cinfo, JpegError* err)
{
    cinfo->err = jpeg_std_error(&err->mgr);
    err->mgr.error_exit = OnJpegError;
    if (setjmp(err->jump)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, file);
    cinfo->image_width = static_cast<JDIMENSION>(page.width);
    cinfo->image_height = static_cast<JDIMENSION>(page.height * factor);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, JpegQuality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    JSAMPROW rows[1] = {row};
    for (int y = 0; y < page.height; ++y) {
        ExpandRow(page, y, row);
        for (int r = 0; r < factor; ++r)
            jpeg_write_scanlines(cinfo, rows, 1);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

} // namespace

void SavePagePicture(const PageBitmap& page, uint8_t heightFactor, const std::string& fileName)
{
    switch (FaxFileKindOf(fileName)) {
    case FaxFileKind::Bmp:
        WritePageBmp(page, heightFactor, fileName);
        return;
    case FaxFileKind::Jpg:
        WritePageJpeg(page, heightFactor, fileName);
        return;
    default:
        throw FaxFileError("Datei " + fileName + ": Bilder werden als BMP oder JPG gespeichert");
    }
}

void WritePageBmp(const PageBitmap& page, uint8_t heightFactor, const std::string& fileName)
{
    RequirePicture(page, fileName);
    const int factor = Factor(heightFactor);
    const uint64_t rowBytes = (static_cast<uint64_t>(page.width) * 3 + 3) & ~uint64_t{3};
    const uint64_t rows = static_cast<uint64_t>(page.height) * static_cast<uint64_t>(factor);
    const uint64_t imageBytes = rowBytes * rows;
    if (rows > INT32_MAX || imageBytes + BmpHeaderBytes > UINT32_MAX)
        throw FaxFileError("Die Seite ist zu groß für " + fileName);

    std::vector<uint8_t> header;
    header.push_back('B');
    header.push_back('M');
    PutLe(header, static_cast<uint32_t>(imageBytes + BmpHeaderBytes), 4);
    PutLe(header, 0, 4);
    PutLe(header, BmpHeaderBytes, 4);
    PutLe(header, 40, 4); // BITMAPINFOHEADER
    PutLe(header, static_cast<uint32_t>(page.width), 4);
    PutLe(header, static_cast<uint32_t>(rows), 4); // positive: bottom-up
    PutLe(header, 1, 2);                           // planes
    PutLe(header, 24, 2);                          // bits per pixel
    PutLe(header, 0, 4);                           // no compression
    PutLe(header, static_cast<uint32_t>(imageBytes), 4);
    PutLe(header, 0, 4); // no resolution given
    PutLe(header, 0, 4);
    PutLe(header, 0, 4); // no palette
    PutLe(header, 0, 4);

    // Written whole or not at all: a full disk leaves no cut-off picture.
    OutputFile f(fileName, Existing::Replace);
    auto fail = [&]() {
        return FaxFileError("Datei " + fileName + " kann nicht geschrieben werden (" + f.Reason() + ")");
    };
    if (!f.Open() || !f.Write(header.data(), header.size()))
        throw fail();
    std::vector<uint8_t> row(rowBytes, 0);
    for (int y = page.height - 1; y >= 0; --y) {
        ExpandRow(page, y, row.data());
        for (int r = 0; r < factor; ++r)
            if (!f.Write(row.data(), row.size()))
                throw fail();
    }
    if (!f.Commit())
        throw fail();
}

void WritePageJpeg(const PageBitmap& page, uint8_t heightFactor, const std::string& fileName)
{
    RequirePicture(page, fileName);
    const int factor = Factor(heightFactor);
    if (page.width > JPEG_MAX_DIMENSION ||
        static_cast<int64_t>(page.height) * factor > static_cast<int64_t>(JPEG_MAX_DIMENSION))
        throw FaxFileError("Die Seite ist zu groß für " + fileName);
    OutputFile f(fileName, Existing::Replace);
    if (!f.Open())
        throw FaxFileError("Datei " + fileName + " kann nicht erstellt werden (" + f.Reason() + ")");
    std::vector<uint8_t> row(static_cast<size_t>(page.width) * 3);
    jpeg_compress_struct cinfo{};
    JpegError err{};
    if (!CompressPage(f.Stream(), page, factor, row.data(), &cinfo, &err))
        throw FaxFileError("Datei " + fileName + " kann nicht geschrieben werden (" + err.message + ")");
    if (!f.Commit())
        throw FaxFileError("Datei " + fileName + " kann nicht geschrieben werden (" + f.Reason() + ")");
}

} // namespace zarvo
