// SPDX-License-Identifier: GPL-3.0-or-later
#include "ocr/FaxOcr.h"

#include "fax/FaxResolution.h"

#include <dlfcn.h>
#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>

namespace zarvo {

namespace {

// A page Tesseract needs longer for is not worth the wait (a clean page takes about a second).
constexpr int kPageDeadlineMs = 120'000;
// Larger pictures are no fax page; Tesseract is not asked to try.
constexpr int kLargestSide = 10'000;

struct PixDeleter {
    void operator()(Pix* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

void LimitOpenMp()
{
    // OpenMP reads its environment when it is loaded, so the variable serves child processes and
    // anyone who reads it later; what counts for this thread is the limit below.
    static std::once_flag once;
    std::call_once(once, [] { setenv("OMP_THREAD_LIMIT", "1", 0); });
    // No parallel region of this thread gets more than its own thread. Asked of whichever OpenMP
    // runtime Tesseract brought along; a Tesseract without OpenMP has none and needs nothing.
    using SetMaxActiveLevels = void (*)(int);
    static const auto setLevels =
        reinterpret_cast<SetMaxActiveLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"));
    if (setLevels)
        setLevels(0);
}

bool ValidLanguages(const std::string& languages)
{
    if (languages.empty() || languages.front() == '+' || languages.back() == '+' ||
        languages.find("++") != std::string::npos)
        return false;
    for (const char c : languages)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
              c == '+'))
            return false;
    return true;
}

std::string DebianPackageOf(std::string language)
{
    for (char& c : language)
        c = c == '_' ? '-' : static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return "tesseract-ocr-" + language;
}

// Tesseract's chatter ("Error opening data file", "Detected 41 diacritics") is no message for a
// user: a batch run that did everything stays silent, and why recognition is off is said once, in
// German. The setting is global in Tesseract and must come before Init to cover what Init says.
void Quiet(tesseract::TessBaseAPI& api)
{
    api.SetVariable("debug_file", "/dev/null");
}

bool Loads(const OcrSettings& settings, const std::string& languages)
{
    tesseract::TessBaseAPI api;
    Quiet(api);
    return api.Init(settings.dataPath.empty() ? nullptr : settings.dataPath.c_str(), languages.c_str(),
                    tesseract::OEM_DEFAULT) == 0;
}

// Why `settings` cannot be loaded into an engine that just failed to; asks each language alone.
std::string ReasonOfFailedInit(const OcrSettings& settings)
{
    if (!ValidLanguages(settings.languages))
        return "Texterkennung aus: Spracheinstellung „" + settings.languages + "“ ist ungültig";
    std::string missing, packages;
    int count = 0;
    for (size_t from = 0; from <= settings.languages.size();) {
        const size_t plus = std::min(settings.languages.find('+', from), settings.languages.size());
        const std::string language = settings.languages.substr(from, plus - from);
        from = plus + 1;
        if (Loads(settings, language))
            continue;
        missing.append(count ? ", " : "").append(language);
        packages.append(count ? " " : "").append(DebianPackageOf(language));
        ++count;
    }
    if (count == 0)
        return "Texterkennung aus: Tesseract kann die Sprachdaten „" + settings.languages + "“ nicht laden";
    return "Texterkennung aus: Sprachdaten für " + missing + " fehlen (Debian-Paket" +
           (count > 1 ? "e " : " ") + packages + " installieren)";
}

// The page without specks: a pixel none of whose eight neighbours shares its colour is line noise
// (a dot of ink is never one fax pixel alone), and Tesseract reads such specks as punctuation or
// loses letters over them.
PageBitmap WithoutSpecks(const PageBitmap& page)
{
    PageBitmap clean = page;
    const size_t stride = static_cast<size_t>(page.stride());
    const auto byteAt = [&](int y, size_t i) { return page.bits[static_cast<size_t>(y) * stride + i]; };
    for (int y = 1; y + 1 < page.height; ++y) {
        for (size_t i = 0; i < stride; ++i) {
            // Only white around: no speck here.
            uint8_t around = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (size_t j = i > 0 ? i - 1 : i; j <= i + 1 && j < stride; ++j)
                    around |= byteAt(y + dy, j);
            if (around == 0)
                continue;
            const int last = std::min(static_cast<int>(i) * 8 + 8, page.width - 1);
            for (int x = std::max(static_cast<int>(i) * 8, 1); x < last; ++x) {
                const bool colour = page.black(x, y);
                bool alone = true;
                for (int dy = -1; dy <= 1 && alone; ++dy)
                    for (int dx = -1; dx <= 1 && alone; ++dx)
                        alone = (dx == 0 && dy == 0) || page.black(x + dx, y + dy) != colour;
                if (alone)
                    clean.setBlack(x, y, !colour);
            }
        }
    }
    return clean;
}

// The page as Tesseract takes it: 1 bit, 1 = black (Leptonica's sense as ours), every line
// `repeat` times.
PixPtr PixOf(const PageBitmap& page, int repeat)
{
    PixPtr pix(pixCreate(page.width, page.height * repeat, 1));
    if (!pix)
        return pix;
    pixSetResolution(pix.get(), FaxDotsPerInchAcross, FaxDotsPerInchAcross);
    const int wpl = pixGetWpl(pix.get());
    l_uint32* data = pixGetData(pix.get());
    const size_t stride = static_cast<size_t>(page.stride());
    const int spare = page.stride() * 8 - page.width; // bits past the last pixel, kept white
    for (int y = 0; y < page.height; ++y) {
        for (int r = 0; r < repeat; ++r) {
            auto* line = reinterpret_cast<uint8_t*>(data + static_cast<size_t>(y * repeat + r) * wpl);
            std::memcpy(line, page.bits.data() + static_cast<size_t>(y) * stride, stride);
            if (spare > 0)
                line[stride - 1] &= static_cast<uint8_t>(0xFF << spare);
        }
    }
    // Leptonica keeps pixels in 32-bit words, the first pixel in the most significant bit.
    pixEndianByteSwap(pix.get());
    return pix;
}

std::string Trimmed(const char* text)
{
    std::string word(text ? text : "");
    const size_t first = word.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return word.substr(first, word.find_last_not_of(" \t\r\n") - first + 1);
}

bool Cancelled(void* flag, int)
{
    return static_cast<std::atomic<bool>*>(flag)->load();
}

} // namespace

std::string OcrUnavailableReason(const OcrSettings& settings)
{
    if (!ValidLanguages(settings.languages))
        return ReasonOfFailedInit(settings);
    return Loads(settings, settings.languages) ? std::string() : ReasonOfFailedInit(settings);
}

FaxOcr::FaxOcr(OcrSettings settings) : settings_(std::move(settings)), api_(new tesseract::TessBaseAPI)
{
    LimitOpenMp();
    Quiet(*api_);
    if (!ValidLanguages(settings_.languages) ||
        api_->Init(settings_.dataPath.empty() ? nullptr : settings_.dataPath.c_str(),
                   settings_.languages.c_str(), tesseract::OEM_DEFAULT) != 0) {
        unavailable_ = ReasonOfFailedInit(settings_);
        return;
    }
    api_->SetPageSegMode(tesseract::PSM_AUTO);
    // A fax is black on white; looking for inverted text costs time and finds nothing.
    api_->SetVariable("tessedit_do_invert", "0");
}

FaxOcr::~FaxOcr() = default;

void FaxOcr::cancel()
{
    cancelled_ = true;
}

OcrResult FaxOcr::recognise(const PageBitmap& page, bool finePage, int number)
{
    OcrResult result;
    result.page.number = number;
    const std::string which = "Seite " + std::to_string(number);
    if (!unavailable_.empty()) {
        result.error = unavailable_;
        return result;
    }
    if (page.width <= 0 || page.height <= 0 || page.width > kLargestSide || page.height > kLargestSide ||
        page.bits.size() < static_cast<size_t>(page.height) * page.stride()) {
        result.error = "Texterkennung: " + which + " hat kein lesbares Bild";
        return result;
    }
    LimitOpenMp();
    // Square pixels: a normal page's lines are twice as tall as its dots are wide.
    const int repeat = finePage ? 1 : 2;
    try {
        const PixPtr pix = PixOf(WithoutSpecks(page), repeat);
        if (!pix) {
            result.error = "Texterkennung: kein Speicher für " + which;
            return result;
        }
        api_->SetImage(pix.get());
        api_->SetSourceResolution(FaxDotsPerInchAcross);
        tesseract::ETEXT_DESC monitor;
        monitor.cancel = &Cancelled;
        monitor.cancel_this = &cancelled_;
        monitor.set_deadline_msecs(kPageDeadlineMs);
        const int failed = api_->Recognize(&monitor);
        if (cancelled_ || monitor.deadline_exceeded()) {
            api_->Clear();
            result.error =
                "Texterkennung: " + which + (cancelled_ ? " abgebrochen" : " dauert zu lange, abgebrochen");
            return result;
        }
        if (failed != 0) {
            api_->Clear();
            result.error = "Texterkennung: Tesseract kann " + which + " nicht lesen";
            return result;
        }
        const std::unique_ptr<tesseract::ResultIterator> it(api_->GetIterator());
        int line = -1;
        if (it && !it->Empty(tesseract::RIL_WORD)) {
            do {
                if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE))
                    ++line;
                const std::unique_ptr<char[]> utf8(it->GetUTF8Text(tesseract::RIL_WORD));
                std::string text = Trimmed(utf8.get());
                int left = 0, top = 0, right = 0, bottom = 0;
                if (text.empty() || !it->BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom))
                    continue;
                OcrWord word;
                word.x = left;
                word.width = right - left;
                word.y = top / repeat;
                word.height = (bottom + repeat - 1) / repeat - word.y;
                word.line = std::max(line, 0);
                word.confidence =
                    std::clamp(static_cast<int>(it->Confidence(tesseract::RIL_WORD) + 0.5f), 0, 100);
                word.text = std::move(text);
                result.page.words.push_back(std::move(word));
            } while (it->Next(tesseract::RIL_WORD));
        }
        api_->Clear();
    }
    catch (const std::exception& e) {
        api_->Clear();
        result.page.words.clear();
        result.error = "Texterkennung: " + which + " nicht lesbar (" + e.what() + ")";
    }
    return result;
}

} // namespace zarvo
