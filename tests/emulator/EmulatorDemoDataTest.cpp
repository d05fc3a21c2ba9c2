// SPDX-License-Identifier: GPL-3.0-or-later
// The committed demo messages: well-formed for their peers, and carried through the emulator intact.
#include "EmulatorFixture.h"
#include "ProgramReader.h"
#include "PtyClient.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

std::string asString(const std::vector<std::uint8_t>& v)
{
    return std::string(v.begin(), v.end());
}

// Width and height of a T.4 page as netpbm's g3topbm reads it.
std::pair<int, int> g3Size(const QString& name)
{
    QProcess p;
    p.start("g3topbm", {demoDataPath(name)});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QList<QByteArray> header = p.readAllStandardOutput().split('\n');
    if (header.size() < 2)
        return {0, 0};
    QList<QByteArray> wh = header[1].split(' ');
    return {wh.value(0).toInt(), wh.value(1).toInt()};
}

TEST(DemoData, FaxPagesDecodeAtTheirResolution)
{
    struct {
        const char* file;
        int rows;
    } pages[] = {{"fax-normal.g3", 1143},
                 {"fax-fine.g3", 2286},
                 {"fax3-1.g3", 1143},
                 {"fax3-2.g3", 1143},
                 {"fax3-3.g3", 1143}};
    for (const auto& page : pages)
        EXPECT_EQ(g3Size(page.file), std::make_pair(1728, page.rows)) << page.file;
}

TEST(DemoData, DemoSetStaysSmall)
{
    std::size_t total = 0;
    for (const char* f : {"nachricht1.gsm", "nachricht2.gsm", "fax-normal.g3", "fax-fine.g3", "fax3-1.g3",
                          "fax3-2.g3", "fax3-3.g3"})
        total += readDemoFile(f).size();
    EXPECT_LT(total, 1024u * 1024u);
}

TEST(DemoData, MessagesReadBackThroughTheEmulator)
{
    auto voice = readDemoFile("nachricht1.gsm");
    std::vector<std::vector<std::uint8_t>> fax3 = {readDemoFile("fax3-1.g3"), readDemoFile("fax3-2.g3"),
                                                   readDemoFile("fax3-3.g3")};
    emu::EmulatorOptions o;
    o.echo = false;
    o.messages = {emu::voiceMessage(voice), emu::faxMessage(fax3),
                  emu::faxMessage({readDemoFile("fax-fine.g3")})};
    EXPECT_EQ(o.messages[0].size, 7); // 6.72 s of speech
    EmulatorFixture modem(o, 0);
    PtyClient line(modem.portPath());

    std::string v = readMessage(line, 1);
    std::string unshielded;
    for (std::size_t i = 0; i < v.size(); ++i) {
        unshielded += v[i];
        if (v[i] == '\x10')
            ++i; // DLE DLE stands for one DLE
    }
    voice.resize(voice.size() / 66 * 66);
    EXPECT_EQ(unshielded, asString(voice));

    auto pages = faxPages(readMessage(line, 2));
    ASSERT_EQ(pages.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(pages[i], asString(fax3[i])) << i;
    EXPECT_EQ(fields(valueLine(line.exchange("ATE0V1+MSR=2"))).at(2), "003");
    EXPECT_EQ(faxPages(readMessage(line, 3)),
              std::vector<std::string>{asString(readDemoFile("fax-fine.g3"))});
}

} // namespace
} // namespace zarvo::test
