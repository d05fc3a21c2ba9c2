// SPDX-License-Identifier: GPL-3.0-or-later
#include "ocr/OcrTextFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <optional>
#include <utility>

namespace zarvo {

namespace {

constexpr size_t kNumberFields = 7;

std::optional<int> Integer(std::string_view field)
{
    int value = 0;
    const auto r = std::from_chars(field.data(), field.data() + field.size(), value);
    if (r.ec != std::errc() || r.ptr != field.data() + field.size())
        return std::nullopt;
    return value;
}

std::optional<std::pair<int, OcrWord>> ParseLine(std::string_view line)
{
    std::array<int, kNumberFields> numbers{};
    for (int& number : numbers) {
        const size_t tab = line.find('\t');
        const std::optional<int> value =
            tab == std::string_view::npos ? std::nullopt : Integer(line.substr(0, tab));
        if (!value)
            return std::nullopt;
        number = *value;
        line.remove_prefix(tab + 1);
    }
    line = line.substr(0, line.find('\t')); // fields a later version adds
    if (line.empty() || numbers[0] < 1 || numbers[4] < 0 || numbers[5] < 0)
        return std::nullopt;
    OcrWord word{numbers[2], numbers[3], numbers[4], numbers[5], numbers[1], numbers[6], std::string(line)};
    return std::pair{numbers[0], std::move(word)};
}

} // namespace

std::string OcrTextFile(std::span<const OcrPage> pages)
{
    std::string out = std::string(OcrTextFileHeader) + "\n";
    for (const OcrPage& page : pages) {
        for (const OcrWord& word : page.words) {
            std::string text = word.text;
            std::replace_if(
                text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
            for (const int number :
                 {page.number, word.line, word.x, word.y, word.width, word.height, word.confidence})
                out += std::to_string(number) + "\t";
            out += text + "\n";
        }
    }
    return out;
}

OcrTextRead ReadOcrTextFile(std::string_view file)
{
    OcrTextRead read;
    std::map<int, OcrPage> pages;
    bool first = true;
    while (!file.empty()) {
        const size_t end = std::min(file.find('\n'), file.size());
        std::string_view line = file.substr(0, end);
        file.remove_prefix(std::min(end + 1, file.size()));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (std::exchange(first, false) && line == OcrTextFileHeader) {
            read.known = true;
            continue;
        }
        if (line.empty() || line.front() == '#')
            continue;
        auto parsed = ParseLine(line);
        if (!parsed) {
            ++read.badLines;
            continue;
        }
        OcrPage& page = pages[parsed->first];
        page.number = parsed->first;
        page.words.push_back(std::move(parsed->second));
    }
    for (auto& [number, page] : pages)
        read.pages.push_back(std::move(page));
    return read;
}

} // namespace zarvo
