// SPDX-License-Identifier: GPL-3.0-or-later
// Output files written whole or not at all, never through a link, never over what is there unless
// asked to; and a full disk that leaves nothing behind.
#include "G3TestWriter.h"
#include "common/OutputFile.h"
#include "fax/FAXTIF.h"
#include "fax/FaxDocument.h"
#include "fax/FaxFileError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace zarvo {
namespace {

using test::ReadAll;
using test::TempDir;
namespace fs = std::filesystem;

std::span<const std::byte> Bytes(const std::string& s)
{
    return std::as_bytes(std::span<const char>(s.data(), s.size()));
}

void Put(const fs::path& p, const std::string& s)
{
    std::ofstream(p, std::ios::binary) << s;
}

std::string Get(const fs::path& p)
{
    const auto v = ReadAll(p);
    return {v.begin(), v.end()};
}

// Everything in the folder: no temporary file may remain.
std::vector<std::string> Names(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(OutputFile, WhatIsThereDecidesByMode)
{
    enum class There { Nothing, SameBytes, OtherBytes, DanglingLink, LinkToFile, Folder, Fifo };
    struct Case {
        There there;
        Existing mode;
        bool ok;
        bool alreadyThere;
        std::string after; // the target's bytes afterwards ("" for a link or folder left alone)
    };
    const Case cases[] = {
        {There::Nothing, Existing::Refuse, true, false, "neu"},
        {There::Nothing, Existing::AcceptSame, true, false, "neu"},
        {There::Nothing, Existing::Replace, true, false, "neu"},
        {There::SameBytes, Existing::Refuse, false, false, "neu"},
        {There::SameBytes, Existing::AcceptSame, true, true, "neu"},
        {There::OtherBytes, Existing::AcceptSame, false, false, "alt"},
        {There::OtherBytes, Existing::Replace, true, false, "neu"},
        {There::DanglingLink, Existing::Refuse, false, false, ""},
        {There::DanglingLink, Existing::AcceptSame, false, false, ""},
        {There::LinkToFile, Existing::AcceptSame, false, false, ""},
        {There::Folder, Existing::AcceptSame, false, false, ""},
        {There::Fifo, Existing::AcceptSame, false, false, ""},
        {There::Fifo, Existing::Refuse, false, false, ""},
    };
    // Both ways to a temporary file: unnamed, and named beside the target where a file system has
    // no unnamed files.
    for (const Case& c : cases)
        for (const bool named : {false, true}) {
            SetNamedTemporaryForTests(named);
            TempDir dir;
            const fs::path target = dir.file("MESS1.WAV");
            const fs::path outside = dir.file("outside");
            switch (c.there) {
            case There::Nothing:
                break;
            case There::SameBytes:
                Put(target, "neu");
                break;
            case There::OtherBytes:
                Put(target, "alt");
                break;
            case There::DanglingLink:
                fs::create_symlink(outside, target);
                break;
            case There::LinkToFile:
                Put(outside, "neu");
                fs::create_symlink(outside, target);
                break;
            case There::Folder:
                fs::create_directory(target);
                break;
            case There::Fifo: // never opened: that would wait for a writer
                ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
                break;
            }
            const auto before = Names(dir.file(""));
            bool alreadyThere = false;
            const std::string problem = WriteWholeFile(target.string(), Bytes("neu"), c.mode, &alreadyThere);
            const std::string row = std::to_string(&c - cases) + (named ? " named" : " unnamed");
            EXPECT_EQ(problem.empty(), c.ok) << row << ": " << problem;
            EXPECT_EQ(alreadyThere, c.alreadyThere) << row;
            if (!c.ok && c.there != There::Folder) {
                EXPECT_EQ(problem, "gibt es schon und wird nicht überschrieben") << row;
            }
            if (!c.after.empty()) {
                EXPECT_EQ(Get(target), c.after) << row;
            }
            // A link is never written through: what it points at stays as it was.
            if (c.there == There::DanglingLink) {
                EXPECT_FALSE(fs::exists(outside)) << row;
            }
            if (c.there == There::LinkToFile) {
                EXPECT_TRUE(fs::is_symlink(target)) << row;
            }
            auto after = Names(dir.file(""));
            if (c.there == There::Nothing)
                after.erase(std::remove(after.begin(), after.end(), "MESS1.WAV"), after.end());
            EXPECT_EQ(after, before) << row << ": no temporary file stays";
            SetNamedTemporaryForTests(false);
        }
}

TEST(OutputFile, SyncFolderSaysWhy)
{
    TempDir dir;
    EXPECT_EQ(SyncFolder(dir.file("").string()), "");
    EXPECT_EQ(SyncFolder(dir.file("missing").string()), "Datei oder Ordner nicht vorhanden");
}

TEST(OutputFile, FullDiskLeavesNothingAndSaysSo)
{
    TempDir dir;
    SetOutputSpaceForTests(10);
    OutputFile out(dir.file("MESS1.WAV").string(), Existing::Refuse);
    ASSERT_TRUE(out.Open());
    EXPECT_TRUE(out.Write("0123456789", 10));
    EXPECT_FALSE(out.Write("x", 1));
    EXPECT_FALSE(out.Commit());
    EXPECT_EQ(out.Error(), ENOSPC);
    EXPECT_EQ(out.Reason(), "Datenträger voll");
    EXPECT_TRUE(Names(dir.file("")).empty());

    // The TIFF writer says the same, not that the file grew too big, and leaves no page behind.
    SetOutputSpaceForTests(100);
    const test::ShippedCodes codes;
    test::BitWriter page;
    for (int line = 0; line < 40; ++line)
        page.put(test::kEolBits).put(codes.line({100, 28, 1600}));
    for (int i = 0; i < 6; ++i)
        page.put(test::kEolBits);
    const FaxBytes fax = JoinFaxPages(std::vector<FaxBytes>{page.data(), page.data()});
    CodeTable table;
    ASSERT_TRUE(LoadCodeTable(table).ok());
    FaxTiffWriter writer;
    writer.SetCodeTable(table);
    try {
        writer.SaveFaxAsTiff(fax, dir.file("MESS2.TIF").string(), "", Existing::Refuse);
        ADD_FAILURE() << "a full disk must fail";
    }
    catch (const FaxFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Datenträger voll"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(Names(dir.file("")).empty());
    SetOutputSpaceForTests(-1);
    EXPECT_EQ(writer.SaveFaxAsTiff(fax, dir.file("MESS2.TIF").string(), "", Existing::Refuse).pages, 2);
}

TEST(OutputFile, ReasonsAreGerman)
{
    const std::pair<int, std::string> cases[] = {{EDQUOT, "Datenträger voll"},
                                                 {EPERM, "Keine Berechtigung"},
                                                 {ENOENT, "Datei oder Ordner nicht vorhanden"},
                                                 {ENAMETOOLONG, "Name zu lang"},
                                                 {0, ""}};
    for (const auto& [error, text] : cases)
        EXPECT_EQ(FileErrorReason(error), text) << error;
}

TEST(OutputFile, UncommittedOrUnopenableLeavesNothing)
{
    TempDir dir;
    {
        OutputFile out(dir.file("a.bmp").string(), Existing::Replace);
        ASSERT_TRUE(out.Open());
        EXPECT_TRUE(out.Write("half", 4));
    }
    EXPECT_TRUE(Names(dir.file("")).empty());
    OutputFile missing(dir.file("no/such/x.wav").string(), Existing::Refuse);
    EXPECT_FALSE(missing.Open());
    EXPECT_EQ(missing.Error(), ENOENT);
}

} // namespace
} // namespace zarvo
