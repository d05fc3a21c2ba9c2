// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Builders for fax test pages: a bit writer, a T.4 run encoder on the shipped table, binary PBM
// files and the netpbm converters as independent judges.

#include "fax/CodeTable.h"
#include "fax/PageBitmap.h"
#include "fax/PageDecoder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zarvo::test {

class BitWriter {
  public:
    // Appends '0' and '1' characters; anything else is ignored so codes can be spaced out.
    BitWriter& put(std::string_view bits)
    {
        for (char c : bits) {
            if (c != '0' && c != '1')
                continue;
            if (count_ % 8 == 0)
                bytes_.push_back(0);
            if (c == '1')
                bytes_.back() = static_cast<uint8_t>(bytes_.back() | (0x80 >> (count_ % 8)));
            ++count_;
        }
        return *this;
    }
    BitWriter& zeros(int n) { return put(std::string(static_cast<size_t>(n), '0')); }
    BitWriter& padToByte()
    {
        while (count_ % 8 != 0)
            put("0");
        return *this;
    }
    BitWriter& bytes(std::initializer_list<uint8_t> more)
    {
        padToByte();
        bytes_.insert(bytes_.end(), more);
        count_ += 8 * more.size();
        return *this;
    }
    size_t bitCount() const { return count_; }
    const std::vector<uint8_t>& data() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
    size_t count_ = 0;
};

// Decodes with the table-driven decoder and the linear scan and expects every result, status text
// and line hook to agree; returns the table-driven result.
DecodedPage DecodeBoth(std::span<const uint8_t> page, const CodeTable& table, double zoom = 1.0,
                       int heightFactor = 1, std::vector<std::string>* statusOut = nullptr);

inline constexpr std::string_view kEolBits = "000000000001";

// Codes of the shipped table by kind and run.
class ShippedCodes {
  public:
    ShippedCodes()
    {
        CodeTable table;
        if (!LoadCodeTable(table).ok())
            throw std::runtime_error("shipped table does not load");
        for (int i = 0; i <= table.LastCode; ++i)
            codes_[{table[i].Kind, table[i].Run}] = table[i].Code;
    }
    const std::string& code(CodeKind kind, int run) const { return codes_.at({kind, run}); }

    // A run in T.4 order: extended make-up codes of 2560 while needed, one make-up, one terminating.
    std::string run(bool white, int length) const
    {
        std::string bits;
        while (length >= 2560 + 64) {
            bits += code(CodeKind::M, 2560);
            length -= 2560;
        }
        if (length >= 64) {
            const int makeUp = length / 64 * 64;
            bits +=
                makeUp > 1728 ? code(CodeKind::M, makeUp) : code(white ? CodeKind::WM : CodeKind::BM, makeUp);
            length -= makeUp;
        }
        return bits + code(white ? CodeKind::WT : CodeKind::BT, length);
    }

    // One line from alternating run lengths, white first.
    std::string line(const std::vector<int>& runs) const
    {
        std::string bits;
        bool white = true;
        for (int r : runs) {
            bits += run(white, r);
            white = !white;
        }
        return bits;
    }

  private:
    std::map<std::pair<CodeKind, int>, std::string> codes_;
};

// A scratch directory removed with the object.
class TempDir {
  public:
    TempDir()
    {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() / ("zarvo-fax-" + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

inline std::vector<uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WritePbm(const std::filesystem::path& path, const PageBitmap& image)
{
    std::ofstream out(path, std::ios::binary);
    out << "P4\n" << image.width << ' ' << image.height << '\n';
    out.write(reinterpret_cast<const char*>(image.bits.data()),
              static_cast<std::streamsize>(image.bits.size()));
}

// Binary PBM as netpbm writes it: "P4", width, height, one whitespace, packed rows.
inline PageBitmap ReadPbm(const std::filesystem::path& path)
{
    const std::vector<uint8_t> data = ReadAll(path);
    size_t pos = 0;
    auto number = [&]() {
        while (pos < data.size() && std::isspace(data[pos]))
            ++pos;
        int value = 0;
        while (pos < data.size() && std::isdigit(data[pos]))
            value = value * 10 + (data[pos++] - '0');
        return value;
    };
    if (data.size() < 2 || data[0] != 'P' || data[1] != '4')
        throw std::runtime_error("not a binary PBM: " + path.string());
    pos = 2;
    const int width = number();
    const int height = number();
    ++pos;
    PageBitmap image(width, height);
    if (data.size() - pos < image.bits.size())
        throw std::runtime_error("short PBM: " + path.string());
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(pos), image.bits.size(), image.bits.begin());
    return image;
}

// Runs a command line; throws when it fails so a broken judge is never a silent pass. (Not named
// Run: inside a test fixture that name is testing::Test::Run.)
inline void RunCommand(const std::string& command)
{
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("command failed: " + command);
}

inline std::string Quoted(const std::filesystem::path& path)
{
    std::string quoted = "'";
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

} // namespace zarvo::test
