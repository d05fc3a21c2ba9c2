// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/PageBitmap.h"
#include "ocr/OcrPage.h"

#include <atomic>
#include <memory>
#include <string>

namespace tesseract {
class TessBaseAPI;
}

namespace zarvo {

inline constexpr const char* DefaultOcrLanguages = "deu+eng";

struct OcrSettings {
    std::string languages = DefaultOcrLanguages; // Tesseract's names joined by "+"
    std::string dataPath;                        // empty: Tesseract's own (Debian's tessdata)
};

// Why recognition cannot run with `settings`, in German for the options page and the log (names
// the Debian packages of missing language data); empty when it can. Loads the language data once
// to be sure, so it takes a moment: call it when settings change, not per page.
std::string OcrUnavailableReason(const OcrSettings& settings = {});

// The outcome of one page: its words, or the reason it has none (German); a page without any
// text is no error.
struct OcrResult {
    OcrPage page;
    std::string error;
    bool ok() const { return error.empty(); }
};

// Text recognition of decoded fax pages with Tesseract. One object per thread: it holds one
// Tesseract engine, which must not be shared. The threads it is built and used on run Tesseract's
// OpenMP regions alone (Debian's Tesseract would otherwise take every core for little gain).
class FaxOcr {
  public:
    explicit FaxOcr(OcrSettings settings = {});
    ~FaxOcr();
    FaxOcr(const FaxOcr&) = delete;
    FaxOcr& operator=(const FaxOcr&) = delete;

    // Empty when ready; else why not (as OcrUnavailableReason); recognise() then returns it.
    const std::string& unavailableReason() const { return unavailable_; }

    // Recognises a decoded page (1 = black). `finePage` says 196 lines per inch; a normal page
    // (98) goes to Tesseract with every line doubled, and its boxes come back in page lines.
    // `number` is stored in the result's page.
    OcrResult recognise(const PageBitmap& page, bool finePage, int number = 1);

    // Stops a recognise() running on another thread soon (it returns an error) and every later
    // one: for quitting while a worker thread is busy.
    void cancel();

  private:
    OcrSettings settings_;
    std::string unavailable_;
    std::unique_ptr<tesseract::TessBaseAPI> api_;
    std::atomic<bool> cancelled_{false};
};

} // namespace zarvo
