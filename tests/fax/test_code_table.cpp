// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuildPaths.h"
#include "fax/CodeTable.h"

#include "G3TestWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace zarvo::test {
namespace {

std::vector<std::string> Lines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.emplace_back(text.substr(start, end - start));
        start = end == std::string_view::npos ? text.size() : end + 1;
    }
    return lines;
}

TEST(CodeTable, ShippedTextHas204LinesInSevenSections)
{
    const std::vector<std::string> lines = Lines(G3Table());
    ASSERT_EQ(lines.size(), 204u);
    EXPECT_EQ(lines[0], "WT");
    EXPECT_EQ(lines[1], "         00110101        8       0");
    std::vector<std::pair<std::string, int>> sections;
    for (const std::string& line : lines) {
        if (line.front() != ' ')
            sections.emplace_back(line, 0);
        else
            ++sections.back().second;
    }
    const std::vector<std::pair<std::string, int>> expected = {
        {"WT", 64}, {"WM", 27}, {"BT", 64}, {"BM", 27}, {"M", 13}, {"WEOL", 1}, {"BEOL", 1}};
    EXPECT_EQ(sections, expected);
}

TEST(CodeTable, ShippedTableLoadsWithRunsKindsAndValues)
{
    CodeTable table;
    ASSERT_TRUE(LoadCodeTable(table).ok());
    EXPECT_EQ(table.LastCode, 196);

    struct Section {
        CodeKind kind;
        int first, count, firstRun, step;
    };
    for (const Section& s : {Section{CodeKind::WT, 0, 64, 0, 1}, Section{CodeKind::WM, 64, 27, 64, 64},
                             Section{CodeKind::BT, 91, 64, 0, 1}, Section{CodeKind::BM, 155, 27, 64, 64},
                             Section{CodeKind::M, 182, 13, 1792, 64}, Section{CodeKind::WEOL, 195, 1, 0, 0},
                             Section{CodeKind::BEOL, 196, 1, 0, 0}}) {
        for (int k = 0; k < s.count; ++k) {
            const oneCode& code = table[s.first + k];
            SCOPED_TRACE(s.first + k);
            EXPECT_EQ(code.Kind, s.kind);
            EXPECT_EQ(code.Run, s.firstRun + k * s.step);
            EXPECT_EQ(code.Bits, code.Code.size());
            EXPECT_EQ(code.Value, std::stoi(code.Code, nullptr, 2));
        }
    }
    EXPECT_EQ(table[195].Code, "000000000001");
    EXPECT_EQ(table[196].Code, "000000000000");
    EXPECT_EQ(table[197].Code, "");
}

// T.4 codes of one colour (with the shared make-up codes and the EOL) are prefix-free; a typo in the
// table would most likely break that.
TEST(CodeTable, CodesOfEachColourArePrefixFree)
{
    CodeTable table;
    ASSERT_TRUE(LoadCodeTable(table).ok());
    for (bool white : {true, false}) {
        std::vector<std::string> codes;
        for (int i = 0; i < table.LastCode; ++i) {
            const CodeKind kind = table[i].Kind;
            const bool shared = kind == CodeKind::M || kind == CodeKind::WEOL;
            if (shared || (white ? kind == CodeKind::WT || kind == CodeKind::WM
                                 : kind == CodeKind::BT || kind == CodeKind::BM))
                codes.push_back(table[i].Code);
        }
        EXPECT_EQ(codes.size(), 64u + 27u + 13u + 1u);
        for (const std::string& a : codes) {
            for (const std::string& b : codes) {
                if (&a != &b) {
                    EXPECT_NE(b.rfind(a, 0), 0u) << a << " is a prefix of " << b;
                }
            }
        }
    }
}

TEST(CodeTable, ShippedFileEqualsBuiltInTextAndLoadsTheSame)
{
    const std::filesystem::path path = std::filesystem::path(ZARVO_SOURCE_DATADIR) / "RFCG3.DAT";
    const std::vector<uint8_t> file = ReadAll(path);
    EXPECT_EQ(std::string(file.begin(), file.end()), G3Table());

    CodeTable fromFile;
    CodeTable builtIn;
    ASSERT_TRUE(LoadCodeTableFile(fromFile, path.string()).ok());
    ASSERT_TRUE(LoadCodeTable(builtIn).ok());
    ASSERT_EQ(fromFile.LastCode, builtIn.LastCode);
    for (int i = 0; i < kCodeTableSize; ++i) {
        EXPECT_EQ(fromFile[i].Code, builtIn[i].Code);
        EXPECT_EQ(fromFile[i].Run, builtIn[i].Run);
    }
}

TEST(CodeTable, UnreadableFileFailsAndLeavesTableEmpty)
{
    TempDir dir;
    CodeTable table;
    ASSERT_TRUE(LoadCodeTable(table).ok());
    for (const std::filesystem::path& path : {dir.file("missing.dat"), dir.file("")}) {
        const CodeTableLoad load = LoadCodeTableFile(table, path.string());
        EXPECT_EQ(load.error, CodeTableError::Unreadable) << path;
        EXPECT_FALSE(load.message.empty());
        EXPECT_EQ(table.LastCode, -1);
        EXPECT_EQ(table[0].Code, "");
    }
}

struct LoadCase {
    const char* name;
    std::string text;
    CodeTableError error;
    int lineNumber;   // of the failure
    bool emptyColumn; // the viewer shows the line first
    int lastCode;     // entries that stay loaded
};

class CodeTableLoadFailure : public ::testing::TestWithParam<LoadCase> {};

TEST_P(CodeTableLoadFailure, StopsAtTheOffendingLine)
{
    const LoadCase& c = GetParam();
    CodeTable table;
    const CodeTableLoad load = LoadCodeTableText(table, c.text);
    EXPECT_EQ(load.error, c.error);
    EXPECT_EQ(load.lineNumber, c.lineNumber);
    EXPECT_EQ(load.emptyColumn, c.emptyColumn);
    EXPECT_EQ(table.LastCode, c.lastCode);
    if (c.error != CodeTableError::TooManyCodes) {
        const std::vector<std::string> lines = Lines(c.text);
        EXPECT_EQ(load.line, lines[static_cast<size_t>(c.lineNumber - 1)]);
    }
}

const std::string kGood = FormatCodeLine("0111", 4, 2) + "\n";

// A code line with one character changed.
std::string WithCharAt(std::string line, size_t at, char c)
{
    line.at(at) = c;
    return line;
}

std::string ManyLines(int n)
{
    std::string text = "WT\n";
    for (int i = 0; i < n; ++i)
        text += kGood;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CodeTableLoadFailure,
    ::testing::Values(LoadCase{"EmptyLength",
                               std::string("WT\n") + kGood + "         0111                    2\n",
                               CodeTableError::BadNumber, 3, true, 0},
                      LoadCase{"EmptyRun", std::string("WT\n") + kGood + "         0111            4\n",
                               CodeTableError::BadNumber, 3, true, 0},
                      LoadCase{"BlankLine", std::string("WT\n") + kGood + "\n" + kGood,
                               CodeTableError::BadNumber, 3, true, 0},
                      LoadCase{"LengthNotANumber",
                               std::string("WT\n") + WithCharAt(FormatCodeLine("0111", 4, 2), 25, 'x') + "\n",
                               CodeTableError::BadNumber, 2, false, -1},
                      LoadCase{"RunNotANumber",
                               std::string("BT\n") + kGood + FormatCodeLine("11", 2, 2) + "x\n",
                               CodeTableError::BadNumber, 3, false, 0},
                      LoadCase{"LengthTooBig", std::string("WT\n") + FormatCodeLine("0111", 256, 2) + "\n",
                               CodeTableError::BadLength, 2, false, -1},
                      LoadCase{"LengthNegative", std::string("WT\n") + FormatCodeLine("0111", -1, 2) + "\n",
                               CodeTableError::BadLength, 2, false, -1},
                      LoadCase{"HeaderWithTrailingBlank", "WT \n", CodeTableError::BadNumber, 1, true, -1},
                      LoadCase{"TooManyCodes", ManyLines(kCodeTableSize + 1), CodeTableError::TooManyCodes,
                               kCodeTableSize + 2, false, kCodeTableSize - 1}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(CodeTable, LoadsOddButValidLines)
{
    const std::string text = FormatCodeLine("1", 1, 5) + "\r\n" // before any header: kind 0
                             + "BM\r\n" + FormatCodeLine("0101", 3, -17) +
                             "\r\n"                                        // negative run, Bits != length
                             + "M\n" + FormatCodeLine("012", 3, 1) + "\n"  // not only 0 and 1
                             + "WEOL\n" + FormatCodeLine("", 12, 0) + "\n" // empty code
                             + FormatCodeLine("1", 1, 7);                  // no final line end
    CodeTable table;
    const CodeTableLoad load = LoadCodeTableText(table, text);
    ASSERT_TRUE(load.ok()) << load.message;
    ASSERT_EQ(table.LastCode, 4);
    EXPECT_EQ(table[0].Kind, CodeKind::None);
    EXPECT_EQ(table[1].Kind, CodeKind::BM);
    EXPECT_EQ(table[1].Run, -17);
    EXPECT_EQ(table[1].Bits, 3);
    EXPECT_EQ(table[1].Value, 5);
    EXPECT_EQ(table[2].Value, 2); // only '1' counts as a one
    EXPECT_EQ(table[3].Code, "");
    EXPECT_EQ(table[3].Value, 0);
    EXPECT_EQ(table[4].Run, 7);
}

TEST(CodeTable, ExactlyFullTableLoadsAndReloadEmptiesOldEntries)
{
    CodeTable table;
    ASSERT_TRUE(LoadCodeTableText(table, ManyLines(kCodeTableSize)).ok());
    EXPECT_EQ(table.LastCode, kCodeTableSize - 1);
    ASSERT_TRUE(LoadCodeTableText(table, ManyLines(2)).ok());
    EXPECT_EQ(table.LastCode, 1);
    EXPECT_EQ(table[2].Code, "");
    ASSERT_TRUE(LoadCodeTableText(table, "").ok());
    EXPECT_EQ(table.LastCode, -1);
}

} // namespace
} // namespace zarvo::test
