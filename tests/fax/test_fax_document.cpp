// SPDX-License-Identifier: GPL-3.0-or-later
#include "G3TestWriter.h"
#include "fax/FaxDocument.h"
#include "fax/FaxFileError.h"

#include <gtest/gtest.h>

namespace zarvo {
namespace {

using test::ReadAll;
using test::TempDir;

FaxBytes B(std::initializer_list<int> bytes)
{
    FaxBytes out;
    for (int b : bytes)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

struct SplitCase {
    const char* name;
    FaxBytes fax;
    std::vector<FaxBytes> pages;
};

class SplitPagesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitPagesTest, FollowsTheDleRules)
{
    FaxDocument doc;
    doc.FaxData = GetParam().fax;
    doc.CurrentPage = 3;
    doc.SplitPages();
    ASSERT_EQ(doc.PageCount, static_cast<int>(GetParam().pages.size()));
    for (size_t k = 0; k < GetParam().pages.size(); ++k)
        EXPECT_EQ(doc.Pages[k], GetParam().pages[k]) << "page " << k;
    EXPECT_EQ(doc.CurrentPage, 0);
}

const int D = 0x10, X = 0x03;
INSTANTIATE_TEST_SUITE_P(
    Cases, SplitPagesTest,
    ::testing::Values(SplitCase{"empty", {}, {}},
                      SplitCase{"one page per ETX", B({1, 2, D, X, 3, D, X}), {B({1, 2}), B({3})}},
                      SplitCase{"data after the last end", B({1, D, X, 4, 5}), {B({1}), B({4, 5})}},
                      SplitCase{"DLE DLE then end", B({D, D, D, X}), {B({D})}},
                      SplitCase{"DLE FF ends a page", B({7, D, 0xFF, 8}), {B({7}), B({8})}},
                      SplitCase{"other pair dropped", B({1, D, 0x41, 2, D, X}), {B({1, 2})}},
                      SplitCase{"pair byte not reread", B({D, D, X, D, X}), {B({D, X})}},
                      SplitCase{"last DLE dropped", B({1, 2, D}), {B({1, 2})}},
                      SplitCase{"two ends make an empty page", B({1, D, X, D, X, 2}), {B({1}), {}, B({2})}},
                      SplitCase{"leading end", B({D, X, 9}), {{}, B({9})}}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(FaxDocumentTest, SplitLeavesEntriesBeyondThePageCount)
{
    FaxDocument doc;
    doc.FaxData = B({1, D, X, 2, D, X, 3, D, X});
    doc.SplitPages();
    doc.FaxData = B({9, D, X});
    doc.SplitPages();
    EXPECT_EQ(doc.PageCount, 1);
    EXPECT_EQ(doc.Pages[0], B({9}));
    EXPECT_EQ(doc.Pages[2], B({3})); // stale, but not cleared
}

TEST(FaxDocumentTest, KeepsEveryPageOfALongFax)
{
    std::vector<FaxBytes> pages;
    for (int k = 0; k < 40; ++k)
        pages.push_back(B({k, D, k + 1}));
    FaxDocument doc;
    doc.FaxData = JoinFaxPages(pages);
    doc.SplitPages();
    ASSERT_EQ(doc.PageCount, 40);
    for (int k = 0; k < 40; ++k)
        EXPECT_EQ(doc.Pages[static_cast<size_t>(k)], pages[static_cast<size_t>(k)]);
    doc.CurrentPage = 39;
    doc.JoinPages();
    EXPECT_EQ(doc.FaxData, JoinFaxPages(pages));
    EXPECT_EQ(doc.CurrentPage, 0);
}

TEST(FaxDocumentTest, JoinShieldsDleAndEndsEveryPage)
{
    FaxDocument doc;
    doc.Pages[0] = B({1, D, 2});
    doc.Pages[1] = {};
    doc.Pages[2] = B({D});
    doc.Pages[3] = B({5}); // beyond PageCount: not joined
    doc.PageCount = 3;
    doc.JoinPages();
    EXPECT_EQ(doc.FaxData, B({1, D, D, 2, D, X, D, X, D, D, D, X}));
}

TEST(FaxDocumentTest, FileKindsAndSaveFilterNames)
{
    EXPECT_EQ(FaxFileKindOf("B.Mmf"), FaxFileKind::Mmf);
    EXPECT_EQ(FaxFileKindOf("x.jpeg"), FaxFileKind::Other);
    EXPECT_EQ(FaxFileKindOf("dir.ufr/x"), FaxFileKind::Other);

    EXPECT_EQ(ApplySaveFilter("fax.ufr", 3), "fax.BMP");
    EXPECT_EQ(ApplySaveFilter("fax", 1), "fax.UFR");
    EXPECT_EQ(ApplySaveFilter("a.b.c", 4), "a.b.JPG");
    EXPECT_EQ(ApplySaveFilter("dir.v1/page", 2), "dir.v1/page.MMF");
    EXPECT_EQ(ApplySaveFilter("keep.txt", 0), "keep.txt");
    EXPECT_EQ(ApplySaveFilter("fax.ufr", 5), "fax.pdf");
    EXPECT_EQ(FaxFileKindOf("Fax.PDF"), FaxFileKind::Pdf);
}

TEST(FaxDocumentTest, MmfOpenedAndSavedAsUfr)
{
    TempDir dir;
    const FaxBytes page = B({0x00, 0x10, 0x01, 0x10, 0xFF});
    WriteFaxFile(dir.file("page.mmf").string(), page);

    FaxDocument doc;
    doc.PageCount = 5;
    ASSERT_TRUE(doc.OpenFile(dir.file("page.mmf").string()));
    EXPECT_EQ(doc.PageCount, 1);
    EXPECT_EQ(doc.Pages[0], page);
    doc.SaveFile(dir.file("fax.UFR").string());
    EXPECT_EQ(ReadAll(dir.file("fax.UFR")), B({0x00, D, D, 0x01, D, D, 0xFF, D, X}));

    FaxDocument back;
    ASSERT_TRUE(back.OpenFile(dir.file("fax.UFR").string()));
    EXPECT_EQ(back.PageCount, 1);
    EXPECT_EQ(back.Pages[0], page);
    back.Pages[1] = B({2, 3});
    back.CurrentPage = 1;
    back.SaveFile(dir.file("again.mmf").string());
    EXPECT_EQ(ReadAll(dir.file("again.mmf")), B({2, 3})); // the page on show
}

TEST(FaxDocumentTest, OtherExtensionLoadsNothing)
{
    TempDir dir;
    WriteFaxFile(dir.file("note.txt").string(), B({1, 2, 3}));
    FaxDocument doc;
    doc.FaxData = B({7, D, X, 8, D, X});
    doc.SplitPages();
    EXPECT_FALSE(doc.OpenFile(dir.file("note.txt").string()));
    EXPECT_EQ(doc.PageCount, 2);
    EXPECT_EQ(doc.Pages[0], B({7})) << "the fax on show stays whole";
    EXPECT_EQ(doc.Pages[1], B({8}));
}

TEST(FaxDocumentTest, FileErrorsNameTheFile)
{
    TempDir dir;
    FaxDocument doc;
    const std::string missing = dir.file("missing.ufr").string();
    try {
        doc.OpenFile(missing);
        FAIL() << "no error";
    }
    catch (const FaxFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Datei " + missing + " kann nicht geöffnet werden"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_THROW(doc.SaveFile(dir.file("no/such/dir/x.ufr").string()), FaxFileError);
    EXPECT_THROW(doc.SaveFile(dir.file("x.pdf").string()), FaxFileError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.pdf")));
}

} // namespace
} // namespace zarvo
