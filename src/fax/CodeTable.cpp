// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/CodeTable.h"

#include "fax/FaxFileError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>

namespace zarvo {

namespace {

// ITU-T T.4 tables 1 and 2, in ascending run order.
constexpr const char* kWhiteTerminating[64] = {
    "00110101", "000111",   "0111",     "1000",     "1011",     "1100",     "1110",     "1111",
    "10011",    "10100",    "00111",    "01000",    "001000",   "000011",   "110100",   "110101",
    "101010",   "101011",   "0100111",  "0001100",  "0001000",  "0010111",  "0000011",  "0000100",
    "0101000",  "0101011",  "0010011",  "0100100",  "0011000",  "00000010", "00000011", "00011010",
    "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010",
    "00001011", "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000",
    "01011001", "01011010", "01011011", "01001010", "01001011", "00110010", "00110011", "00110100",
};

constexpr const char* kWhiteMakeUp[27] = {
    "11011",     "10010",     "010111",    "0110111",   "00110110",  "00110111",  "01100100",
    "01100101",  "01101000",  "01100111",  "011001100", "011001101", "011010010", "011010011",
    "011010100", "011010101", "011010110", "011010111", "011011000", "011011001", "011011010",
    "011011011", "010011000", "010011001", "010011010", "011000",    "010011011",
};

constexpr const char* kBlackTerminating[64] = {
    "0000110111",   "010",          "11",           "10",           "011",          "0011",
    "0010",         "00011",        "000101",       "000100",       "0000100",      "0000101",
    "0000111",      "00000100",     "00000111",     "000011000",    "0000010111",   "0000011000",
    "0000001000",   "00001100111",  "00001101000",  "00001101100",  "00000110111",  "00000101000",
    "00000010111",  "00000011000",  "000011001010", "000011001011", "000011001100", "000011001101",
    "000001101000", "000001101001", "000001101010", "000001101011", "000011010010", "000011010011",
    "000011010100", "000011010101", "000011010110", "000011010111", "000001101100", "000001101101",
    "000011011010", "000011011011", "000001010100", "000001010101", "000001010110", "000001010111",
    "000001100100", "000001100101", "000001010010", "000001010011", "000000100100", "000000110111",
    "000000111000", "000000100111", "000000101000", "000001011000", "000001011001", "000000101011",
    "000000101100", "000001011010", "000001100110", "000001100111",
};

constexpr const char* kBlackMakeUp[27] = {
    "0000001111",    "000011001000",  "000011001001",  "000001011011",  "000000110011",  "000000110100",
    "000000110101",  "0000001101100", "0000001101101", "0000001001010", "0000001001011", "0000001001100",
    "0000001001101", "0000001110010", "0000001110011", "0000001110100", "0000001110101", "0000001110110",
    "0000001110111", "0000001010010", "0000001010011", "0000001010100", "0000001010101", "0000001011010",
    "0000001011011", "0000001100100", "0000001100101",
};

// Runs 1792 to 2560, the same code in either colour.
constexpr const char* kExtendedMakeUp[13] = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011",
    "000000010100", "000000010101", "000000010110", "000000010111", "000000011100",
    "000000011101", "000000011110", "000000011111",
};

constexpr const char* kEol = "000000000001";
constexpr const char* kAllZero = "000000000000";

void AppendSection(std::string& text, CodeKind kind, std::span<const char* const> codes, int firstRun,
                   int step)
{
    text += SectionName(kind);
    text += '\n';
    int run = firstRun;
    for (const char* code : codes) {
        text += FormatCodeLine(code, static_cast<int>(std::strlen(code)), run);
        text += '\n';
        run += step;
    }
}

std::string BuildG3Table()
{
    std::string text;
    AppendSection(text, CodeKind::WT, kWhiteTerminating, 0, 1);
    AppendSection(text, CodeKind::WM, kWhiteMakeUp, 64, 64);
    AppendSection(text, CodeKind::BT, kBlackTerminating, 0, 1);
    AppendSection(text, CodeKind::BM, kBlackMakeUp, 64, 64);
    AppendSection(text, CodeKind::M, kExtendedMakeUp, 1792, 64);
    AppendSection(text, CodeKind::WEOL, std::span<const char* const>(&kEol, 1), 0, 0);
    AppendSection(text, CodeKind::BEOL, std::span<const char* const>(&kAllZero, 1), 0, 0);
    return text;
}

std::optional<CodeKind> HeaderKind(std::string_view line)
{
    for (CodeKind kind : {CodeKind::WT, CodeKind::BT, CodeKind::WM, CodeKind::BM, CodeKind::M, CodeKind::WEOL,
                          CodeKind::BEOL}) {
        if (line == SectionName(kind))
            return kind;
    }
    return std::nullopt;
}

// Columns `first` (1-based) to first + width - 1 of a line, ended by the first space.
std::string_view Field(std::string_view line, size_t first, size_t width)
{
    if (line.size() < first)
        return {};
    std::string_view field = line.substr(first - 1, width);
    return field.substr(0, field.find(' '));
}

// Decimal with an optional sign, nothing else. The fields are at most 7 characters, so the value
// always fits.
std::optional<int32_t> ParseDecimal(std::string_view text)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    int32_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::string ConversionMessage(std::string_view text)
{
    // Appended piece by piece: GCC 12 at -O3 takes literal + std::string&& for an overlapping copy
    // (-Wrestrict, a known false alarm).
    std::string message = "'";
    message.append(text);
    message.append("' ist kein gültiger Integerwert");
    return message;
}

void Empty(CodeTable& table)
{
    for (oneCode& entry : table.Codes)
        entry = oneCode{};
    table.LastCode = -1;
}

} // namespace

std::string_view SectionName(CodeKind kind)
{
    switch (kind) {
    case CodeKind::WT:
        return "WT";
    case CodeKind::BT:
        return "BT";
    case CodeKind::WM:
        return "WM";
    case CodeKind::BM:
        return "BM";
    case CodeKind::M:
        return "M";
    case CodeKind::WEOL:
        return "WEOL";
    case CodeKind::BEOL:
        return "BEOL";
    case CodeKind::None:
        break;
    }
    return {};
}

std::string FormatCodeLine(std::string_view code, int bits, int run)
{
    std::string line(9, ' ');
    line += code;
    line.resize(25, ' ');
    line += std::to_string(bits);
    line.resize(33, ' ');
    line += std::to_string(run);
    return line;
}

std::string_view G3Table()
{
    static const std::string text = BuildG3Table();
    return text;
}

CodeTableLoad LoadCodeTableText(CodeTable& table, std::string_view text)
{
    Empty(table);
    CodeTableLoad result;
    CodeKind kind = CodeKind::None;
    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r' && end < text.size())
            line.remove_suffix(1);
        start = next;
        ++lineNumber;

        if (const std::optional<CodeKind> header = HeaderKind(line)) {
            kind = *header;
            continue;
        }
        auto fail = [&](CodeTableError error, std::string message) {
            result.error = error;
            result.message = std::move(message);
            result.line = std::string(line);
            result.lineNumber = lineNumber;
            return result;
        };
        if (table.LastCode + 1 >= kCodeTableSize)
            return fail(CodeTableError::TooManyCodes, "Zu viele Codes in der Codetabelle (höchstens " +
                                                          std::to_string(kCodeTableSize) + ")");

        const std::string_view code = Field(line, 10, 15);
        const std::string_view lengthText = Field(line, 26, 7);
        const std::string_view runText = Field(line, 34, 6);
        result.emptyColumn = lengthText.empty() || runText.empty();
        const std::optional<int32_t> length = ParseDecimal(lengthText);
        if (!length)
            return fail(CodeTableError::BadNumber, ConversionMessage(lengthText));
        const std::optional<int32_t> run = ParseDecimal(runText);
        if (!run)
            return fail(CodeTableError::BadNumber, ConversionMessage(runText));
        if (*length < 0 || *length > 255)
            return fail(CodeTableError::BadLength, "Fehler bei Bereichsprüfung");

        oneCode& entry = table.Codes[static_cast<size_t>(++table.LastCode)];
        entry.Run = *run;
        entry.Kind = kind;
        entry.Bits = static_cast<uint8_t>(*length);
        entry.Code = std::string(code);
        uint16_t value = 0;
        for (char c : code)
            value = static_cast<uint16_t>((value << 1) | (c == '1' ? 1 : 0));
        entry.Value = value;
    }
    return result;
}

CodeTableLoad LoadCodeTable(CodeTable& table)
{
    return LoadCodeTableText(table, G3Table());
}

CodeTableLoad LoadCodeTableFile(CodeTable& table, const std::string& path)
{
    errno = 0;
    UniqueFile file(std::fopen(path.c_str(), "rb"));
    std::string text;
    bool readable = file != nullptr;
    if (readable) {
        char buffer[4096];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
            text.append(buffer, got);
        readable = std::ferror(file.get()) == 0;
    }
    if (!readable) {
        const int error = errno != 0 ? errno : EIO;
        Empty(table);
        CodeTableLoad result;
        result.error = CodeTableError::Unreadable;
        result.message = std::strerror(error);
        return result;
    }
    return LoadCodeTableText(table, text);
}

} // namespace zarvo
