// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuildPaths.h"
#include "modem/Zarvo.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestFiles.h"

#include <random>

namespace zarvo::test {
namespace {

using zarvo::test::ReadFile;
using zarvo::test::WriteFile;

struct ToolRun {
    int exitCode = -1;
    QString out, err;
    QByteArray bytes; // standard output as it came
};

ToolRun RunProgram(const QString& program, const QStringList& args, const QString& home = {},
                   const QByteArray& input = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!home.isEmpty())
        env.insert(QStringLiteral("ZARVO_HOME"), home);
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit) << program.toStdString();
    const QByteArray out = p.readAllStandardOutput();
    return {p.exitCode(), QString::fromUtf8(out), QString::fromUtf8(p.readAllStandardError()), out};
}

// Binary PBM from packed rows of fax width (216 bytes, 1 = black).
QByteArray Pbm(const QList<QByteArray>& rows)
{
    return QStringLiteral("P4\n1728 %1\n").arg(rows.size()).toLatin1() + rows.join();
}

// Rows of black bars of random lengths, each row different.
QList<QByteArray> BarRows(int height, unsigned seed)
{
    std::mt19937 random(seed);
    QList<QByteArray> rows;
    for (int y = 0; y < height; ++y) {
        QByteArray row(216, '\0');
        for (int x = int(random() % 40), black = 0; x < 1728; x += black + 1 + int(random() % 200)) {
            black = 1 + int(random() % 90);
            for (int i = x; i < std::min(1728, x + black); ++i)
                row[i / 8] = char(row[i / 8] | (0x80 >> (i % 8)));
        }
        rows << row;
    }
    return rows;
}

// The pages DLE-coded as the modem delivers a fax: 0x10 doubled, DLE ETX after every page.
QByteArray ShieldFax(const QList<QByteArray>& pages)
{
    QByteArray fax;
    for (const QByteArray& page : pages)
        fax += QByteArray(page).replace('\x10', QByteArray("\x10\x10")) + QByteArray("\x10\x03");
    return fax;
}

const QString kNoisePage = QString::fromUtf8(
    "zarvo-convert: %1: Seite 2 nicht darstellbar; die Datei enthält nur die übrigen Seiten\n");

class ConvertToolTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        for (const QList<QByteArray>& rows : sources) // netpbm's encoder: EOL per line, RTC at the end
            pages << RunProgram(QStringLiteral("pbmtog3"), {}, {}, Pbm(rows)).bytes;
        WriteFile(path("fax.ufr"), ShieldFax(pages));
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    ToolRun convert(const QStringList& args) const
    {
        return RunProgram(QStringLiteral(ZARVO_BINARY_DIR "/tools/convert/zarvo-convert"), args, home.path());
    }

    QTemporaryDir home, dir; // home: the tool's program directory
    const QList<QList<QByteArray>> sources = {BarRows(37, 1), BarRows(12, 2)};
    QList<QByteArray> pages;
};

TEST_F(ConvertToolTest, RejectsBadUsage)
{
    const QStringList cases[] = {{},
                                 {"wav2voice", "a", "b"},
                                 {"fax2tiff", "a.ufr", "b.tif", "--height-factor", "2"},
                                 {"page2pic", "a.ufr", "1", "b.png"},
                                 {"page2pic", "a.ufr", "1", "b.bmp", "--height-factor", "3"},
                                 {"--fast", "voice2wav", "a", "b"}};
    for (const QStringList& args : cases) {
        const ToolRun r = convert(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("Aufruf: zarvo-convert")) << args.join(' ').toStdString();
    }
    const ToolRun help = convert({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("page2pic") && help.err.isEmpty());
    const ToolRun version = convert({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "zarvo-convert " ZARVO_VERSION "\n");
}

TEST_F(ConvertToolTest, VoiceToWavIsConvertVoice)
{
    const QByteArray frames = ReadFile(QStringLiteral(ZARVO_TEST_DATADIR "/voice/nachricht.gsm"));
    const QByteArray message = "V" + QByteArray(frames).replace('\x10', QByteArray("\x10\x10")) + "\x10\x03";
    WriteFile(path("voice.msg"), message);
    const ToolRun r = convert({"voice2wav", path("voice.msg"), path("tool.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(home.filePath("~~test.gsm")));

    qputenv("ZARVO_HOME", home.path().toLocal8Bit());
    EXPECT_EQ(TZarvo().ConvertVoice(message, path("own.wav")), 0);
    qunsetenv("ZARVO_HOME");
    EXPECT_EQ(ReadFile(path("tool.wav")), ReadFile(path("own.wav")));

    EXPECT_EQ(convert({"--verbose", "voice2wav", path("voice.msg"), path("tool.wav")}).err,
              "Entferne DLE-Shield\nKonvertiere in WAV\nFertig\n");
    const ToolRun notVoice = convert({"voice2wav", path("fax.ufr"), path("x.wav")});
    EXPECT_EQ(notVoice.exitCode, 1);
    EXPECT_EQ(notVoice.err, "zarvo-convert: voice2wav: keine Sprachnachricht (Ergebnis 21)\n");
    const ToolRun unwritable = convert({"voice2wav", path("voice.msg"), path("no-folder/x.wav")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_EQ(unwritable.err, "zarvo-convert: voice2wav: Fehler beim Schreiben (Ergebnis 23)\n");
}

TEST_F(ConvertToolTest, FaxToTiffFromBothInputs)
{
    ASSERT_EQ(convert({"fax2tiff", path("fax.ufr"), path("ufr.tif")}).exitCode, 0);
    EXPECT_EQ(RunProgram("tiffinfo", {path("ufr.tif")}).out.count("Image Width: 1728"), 2);
    // A message data string takes SaveFax, to the same file.
    WriteFile(path("fax.msg"), "F\x02" + ShieldFax(pages));
    ASSERT_EQ(convert({"fax2tiff", path("fax.msg"), path("msg.tif")}).exitCode, 0);
    EXPECT_EQ(ReadFile(path("msg.tif")), ReadFile(path("ufr.tif")));

    // A page of line noise: the file holds the others, and the tool says so and fails.
    WriteFile(path("noise.ufr"), ShieldFax({pages[0], QByteArray(300, '\x55')}));
    const ToolRun noise = convert({"fax2tiff", path("noise.ufr"), path("noise.tif")});
    EXPECT_EQ(noise.exitCode, 1);
    EXPECT_EQ(noise.err, kNoisePage.arg("fax2tiff"));
    EXPECT_EQ(RunProgram("tiffinfo", {path("noise.tif")}).out.count("Image Width: 1728"), 1);

    WriteFile(path("none.msg"), QByteArray("F\0", 2) + ShieldFax(pages));
    EXPECT_TRUE(convert({"fax2tiff", path("none.msg"), path("x.tif")}).err.endsWith("(Ergebnis 25)\n"));
    EXPECT_FALSE(QFileInfo::exists(path("x.tif")));
}

TEST_F(ConvertToolTest, FaxToPdfFromEveryInput)
{
    WriteFile(path("fax.msg"), "F\x02" + ShieldFax(pages));
    WriteFile(path("page.MMF"), pages[1]);
    WriteFile(path("voice.msg"), "V\x01\x10\x03");
    WriteFile(path("noise.ufr"), ShieldFax({pages[0], QByteArray(300, '\x55')}));
    struct Case {
        QString in;
        QByteArray locale;
        int exitCode;
        QString pages, paper, error;
    } const cases[] = {
        {"fax.ufr", "de_DE.UTF-8", 0, "2", "595.28 x 841.89 pts (A4)", ""},
        {"fax.msg", "en_US.UTF-8", 0, "2", "612 x 792 pts (letter)", ""},
        {"page.MMF", "fr_CA", 0, "1", "612 x 792 pts (letter)", ""},
        {"voice.msg", "C", 1, "", "", "zarvo-convert: fax2pdf: kein Fax (Ergebnis 21)\n"},
        {"noise.ufr", "C", 1, "1", "595.28 x 841.89 pts (A4)", kNoisePage.arg("fax2pdf")},
    };
    for (const Case& c : cases) {
        const QString out = path(c.in + ".pdf");
        qputenv("LC_ALL", c.locale);
        const ToolRun r = convert({"fax2pdf", path(c.in), out});
        qunsetenv("LC_ALL");
        EXPECT_EQ(r.exitCode, c.exitCode) << c.in.toStdString() << r.err.toStdString();
        EXPECT_EQ(r.err, c.error) << c.in.toStdString();
        if (c.pages.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(out));
            continue;
        }
        const QString info = RunProgram("pdfinfo", {out}).out;
        EXPECT_TRUE(info.contains("Pages:           " + c.pages)) << info.toStdString();
        EXPECT_TRUE(info.contains("Page size:       " + c.paper)) << info.toStdString();
    }
    EXPECT_TRUE(convert({"--help"}).out.contains("fax2pdf EIN AUS.pdf"));
}

TEST_F(ConvertToolTest, FaxToPbmDecodesAsTheViewer)
{
    WriteFile(path("gap.UFR"), ShieldFax({pages[0], {}, pages[1]}));
    const ToolRun r = convert({"fax2pbm", path("gap.UFR"), path("page")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Seite 2")) << "the empty page is named";
    EXPECT_FALSE(QFileInfo::exists(path("page-2.pbm")));
    const QByteArray white(216, '\0');
    for (int i : {0, 1}) { // white row 0, the source rows, four white rows
        const QList<QByteArray> want = QList<QByteArray>{white} + sources[i] + QList<QByteArray>(4, white);
        EXPECT_EQ(ReadFile(path(QStringLiteral("page-%1.pbm").arg(i * 2 + 1))), Pbm(want)) << "page " << i;
    }
    // A prefix holding a percent sign and a digit is taken as it is.
    ASSERT_EQ(convert({"fax2pbm", path("fax.ufr"), path("a%1b")}).exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(path("a%1b-1.pbm")) && QFileInfo::exists(path("a%1b-2.pbm")));
}

TEST_F(ConvertToolTest, PageToPictureSizes)
{
    const std::tuple<QString, QStringList, int> cases[] = {
        {"p.bmp", {"2"}, 17}, {"p2.BMP", {"2", "--height-factor", "2"}, 34}, {"p.jpg", {"1"}, 42}};
    for (const auto& [name, args, height] : cases) {
        const ToolRun r =
            convert(QStringList{"page2pic", path("fax.ufr"), args[0], path(name)} + args.mid(1));
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(RunProgram("identify", {"-format", "%w %h", path(name)}).out,
                  QStringLiteral("1728 %1").arg(height));
    }
    const ToolRun beyond = convert({"page2pic", path("fax.ufr"), "3", path("x.bmp")});
    EXPECT_EQ(beyond.exitCode, 1);
    EXPECT_TRUE(beyond.err.contains("Seite 3"));
}

} // namespace
} // namespace zarvo::test
