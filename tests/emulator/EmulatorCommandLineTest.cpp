// SPDX-License-Identifier: GPL-3.0-or-later
// Arguments of zarvo-emulator, parsed without starting it.
#include "EmulatorCommandLine.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace zarvo::emu {
namespace {

std::string writeFile(const QTemporaryDir& dir, const char* name, const std::string& bytes)
{
    std::string path = dir.filePath(name).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(EmulatorCommandLine, MessagesTakeTheSwitchesBeforeThem)
{
    QTemporaryDir dir;
    std::string gsm(66, '\xD0');
    auto voice = writeFile(dir, "v.gsm", gsm);
    auto p1 = writeFile(dir, "1.g3", "\x10\x01");
    auto p2 = writeFile(dir, "2.g3", "\x02");
    auto data = writeFile(dir, "d.bin", "abc");
    CommandLine cl = parseCommandLine(
        {"--link",      "modem-link",   "--baud",    "57600",   "--clock", "4,5,6,7", "--id",
         "A, B",        "--listened",   "--time",    "1,2,3",   "--voice", voice,     "--fax",
         p1 + "," + p2, "--downloaded", "--at",      "7:32760", "--data",  data,      "--size",
         "9",           "--message",    "0:" + data, "--start", "2:100"});
    const EmulatorOptions& o = cl.options;
    EXPECT_EQ(o.linkPath, "modem-link");
    EXPECT_EQ(o.baud, 57600);
    EXPECT_EQ(o.clockStart, (ClockValue{4, 5, 6, 7}));
    EXPECT_EQ(o.startBlock, 2);
    EXPECT_EQ(o.startOffset, 100);
    ASSERT_EQ(o.messages.size(), 4u);
    EXPECT_EQ(o.messages[0].type, 2);
    EXPECT_EQ(o.messages[0].id, "A, B");
    EXPECT_EQ(o.messages[0].state, 253);
    EXPECT_EQ(o.messages[0].received, (ClockValue{1, 2, 3, 0}));
    EXPECT_EQ(o.messages[1].type, 1);
    EXPECT_EQ(o.messages[1].size, 2);
    EXPECT_EQ(o.messages[1].body,
              (std::vector<std::uint8_t>{0x10, 0x10, 0x01, 0x10, 0x03, 0x02, 0x10, 0x03}));
    EXPECT_EQ(o.messages[1].state, 255); // switches apply to one message only
    EXPECT_EQ(o.messages[1].id, "");
    EXPECT_EQ(o.messages[2].type, 3);
    EXPECT_EQ(o.messages[2].state, 252);
    EXPECT_EQ(o.messages[2].block, 7);
    EXPECT_EQ(o.messages[2].offset, 32760);
    EXPECT_EQ(o.messages[3].type, 0);
    EXPECT_EQ(o.messages[3].size, 9);
    EXPECT_FALSE(cl.help);
}

TEST(EmulatorCommandLine, SettingsAndFaults)
{
    CommandLine cl =
        parseCommandLine({"--options",     "mcd=1,MCF=0,MCR=4", "--options", "MCP=12 34,MFI=ZARVO FAX",
                          "--clock-unset", "--identity",        "Other",     "--no-reply",
                          "+MSR=1",        "--error-reply",     "+MCW",      "--bad-field",
                          "+MSR=0:3:abc",  "--cut-block",       "5:100",     "--ok-in-block",
                          "any:7",         "--dead-in-block",   "2:0",       "--chunks",
                          "8:20",          "--late-reply",      "+MEM:2500"});
    const EmulatorOptions& o = cl.options;
    EXPECT_TRUE(o.settings.dialupRetr);
    EXPECT_FALSE(o.settings.faxRecv);
    EXPECT_EQ(o.settings.rings, 4);
    EXPECT_EQ(o.settings.password, "12 34");
    EXPECT_EQ(o.settings.faxId, "ZARVO FAX");
    EXPECT_TRUE(o.clockUnset);
    EXPECT_EQ(o.identity, "Other");
    EXPECT_EQ(o.faults.noReply.match, "+MSR=1");
    EXPECT_EQ(o.faults.error.match, "+MCW");
    EXPECT_EQ(o.faults.badField.match, "+MSR=0");
    EXPECT_EQ(o.faults.badFieldIndex, 3);
    EXPECT_EQ(o.faults.badFieldText, "abc");
    EXPECT_TRUE(o.faults.cutShort.enabled);
    EXPECT_EQ(o.faults.cutShort.block, 5);
    EXPECT_EQ(o.faults.cutShort.offset, 100u);
    EXPECT_EQ(o.faults.okInData.block, -1);
    EXPECT_EQ(o.faults.lineDead.block, 2);
    EXPECT_EQ(o.faults.chunkSize, 8u);
    EXPECT_EQ(o.faults.chunkPauseMs, 20);
    EXPECT_EQ(o.faults.lateReply.match, "+MEM");
    EXPECT_EQ(o.faults.lateReplyMs, 2500);
}

TEST(EmulatorCommandLine, ArrivalsTakeTheirTimeTypeAndDescription)
{
    QTemporaryDir dir;
    auto voice = writeFile(dir, "v:1.gsm", std::string(66, '\xD0'));
    auto page = writeFile(dir, "1.g3", "\x02");
    CommandLine cl =
        parseCommandLine({"--arrive", "12s:voice:" + voice, "--id", "0301 555", "--time", "1,2,3", "--arrive",
                          "b3:fax:" + page + "," + page, "--arrive", "0s:data:" + page});
    const auto& a = cl.options.arrivals;
    ASSERT_EQ(a.size(), 3u);
    EXPECT_TRUE(cl.options.messages.empty());
    EXPECT_EQ(a[0].when, Arrival::When::AfterSeconds);
    EXPECT_EQ(a[0].count, 12);
    EXPECT_EQ(a[0].message.type, 2);
    EXPECT_FALSE(a[0].message.received); // the clock's reading when it comes
    EXPECT_EQ(a[1].when, Arrival::When::AfterBlock);
    EXPECT_EQ(a[1].count, 3);
    EXPECT_EQ(a[1].message.type, 1);
    EXPECT_EQ(a[1].message.size, 2);
    EXPECT_EQ(a[1].message.id, "0301 555");
    EXPECT_EQ(a[1].message.received, (ClockValue{1, 2, 3, 0}));
    EXPECT_EQ(a[2].count, 0);
    EXPECT_EQ(a[2].message.type, 3);
    EXPECT_EQ(a[2].message.id, "");
}

// The modem keeps caller and fax IDs in Latin-1; the command line gives them in the locale's UTF-8.
TEST(EmulatorCommandLine, TextsAreStoredAsLatin1)
{
    QTemporaryDir dir;
    const auto data = writeFile(dir, "d.bin", "abc");
    const struct {
        std::string given, stored;
    } cases[] = {
        {"Anruf M\xC3\xBCller", "Anruf M\xFCller"}, // UTF-8
        {"M\xFCller", "M\xFCller"},                 // Latin-1 already: no valid UTF-8
        {"\xE2\x82\xAC 5", "? 5"},                  // beyond Latin-1
        {"plain", "plain"},
    };
    for (const auto& c : cases) {
        CommandLine cl = parseCommandLine({"--id", c.given, "--data", data, "--options", "MFI=" + c.given});
        ASSERT_EQ(cl.options.messages.size(), 1u);
        EXPECT_EQ(cl.options.messages[0].id, c.stored) << c.given;
        EXPECT_EQ(cl.options.settings.faxId, c.stored) << c.given;
    }
}

TEST(EmulatorCommandLine, RefusesBadArguments)
{
    std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"--baud"},
        {"--baud", "fast"},
        {"--baud", "-1"},
        {"--clock", "1,2,3"},
        {"--clock", "1,24,0,0"},
        {"--options", "MCX=1"},
        {"--options", "MCD"},
        {"--options", "MCD=2"},
        {"--options", "MCR=0"},
        {"--at", "256:0"},
        {"--at", "1:32768"},
        {"--id", "x"},
        {"--chunks", "0:5"},
        {"--late-reply", "+MEM"},
        {"--late-reply", "+MEM:-1"},
        {"--cut-block", "1"},
        {"--message", "nofile"},
        {"--arrive", "3s:voice"},
        {"--arrive", "3:voice:x"},
        {"--arrive", "b0:voice:x"},
        {"--arrive", "3s:speech:x"},
    };
    for (const auto& args : bad)
        EXPECT_THROW(parseCommandLine(args), UsageError) << args[0];
    EXPECT_TRUE(parseCommandLine({"-h"}).help);
    EXPECT_TRUE(parseCommandLine({"--version"}).version);
}

// --demo finds share/zarvo/demo beside an installed program; a program elsewhere finds none.
TEST(EmulatorCommandLine, DemoComesFromTheInstallation)
{
    QTemporaryDir root;
    const std::string demo = root.filePath("usr/share/zarvo/demo").toStdString();
    std::filesystem::create_directories(demo);
    std::filesystem::create_directories(root.filePath("usr/bin").toStdString());
    for (const char* name : {"nachricht1.gsm", "nachricht2.gsm", "fax3-1.g3", "fax3-2.g3", "fax3-3.g3"})
        std::ofstream(demo + "/" + name, std::ios::binary) << std::string(66, '\xD0');
    qputenv("XDG_DATA_HOME", root.filePath("none").toUtf8());
    qputenv("XDG_DATA_DIRS", root.filePath("none").toUtf8());

    CommandLine cl = parseCommandLine({"--link", "m", "--demo"}, root.filePath("usr/bin").toStdString());
    ASSERT_EQ(cl.options.messages.size(), 3u);
    EXPECT_EQ(cl.options.messages[1].id, "Demo Sprache 2");
    EXPECT_EQ(cl.options.messages[2].size, 3); // the fax's pages
    EXPECT_THROW(parseCommandLine({"--demo"}, root.filePath("elsewhere").toStdString()), UsageError);
}

} // namespace
} // namespace zarvo::emu
