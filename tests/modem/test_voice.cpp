// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuildPaths.h"
#include "Recording.h"

#include "modem/VoiceStream.h"
#include "modem/Wav49.h"
#include "modem/Zarvo.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestFiles.h"

namespace zarvo::test {
namespace {

using zarvo::test::ReadFile;
using zarvo::test::WriteFile;

constexpr char Dle = 0x10;
const QString kShield = QStringLiteral("Entferne DLE-Shield");
const QString kConvert = QStringLiteral("Konvertiere in WAV");
const QString kDone = QStringLiteral("Fertig");

// sox as the judge: the 16-bit samples it decodes from a WAV file or a .gsm file of raw frames.
QByteArray SoxSamples(const QString& file)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              {file, QStringLiteral("-t"), QStringLiteral("s16"), QStringLiteral("-")});
    EXPECT_TRUE(sox.waitForFinished(60000));
    EXPECT_EQ(sox.exitCode(), 0) << sox.readAllStandardError().toStdString();
    return sox.readAllStandardOutput();
}

// A spoken German sentence: 99 standard 33-byte GSM 06.10 frames, as sox writes them (the odd count
// leaves a frame over).
QByteArray SpokenFrames()
{
    return ReadFile(QStringLiteral(ZARVO_TEST_DATADIR "/voice/nachricht.gsm"));
}

// Shielded as the modem stores it: DLE doubled, control pairs between and inside frames, and a
// lone DLE at the very end; none of these carry sound.
QByteArray VoiceMessage(const QByteArray& plain)
{
    QByteArray message("V");
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (i % 50 == 17 || i % 66 == 0)
            message.append(Dle).append(i % 2 ? 's' : '\x03');
        message.append(plain[i]);
        if (plain[i] == Dle)
            message.append(Dle);
    }
    return message.append(Dle);
}

TEST(UnshieldVoice, FollowsTheEscapeRules)
{
    using Bytes = std::vector<uint8_t>;
    const std::pair<Bytes, Bytes> cases[] = {
        {{}, {}},
        {{'V', 0x41, 0x00, 0xFF}, {'V', 0x41, 0x00, 0xFF}},
        {{0x41, Dle, Dle, 0x42}, {0x41, Dle, 0x42}},
        {{0x41, Dle, 0x03, 0x42}, {0x41, 0x42}},
        {{'V', 0x41, Dle}, {'V', 0x41}},
        {{Dle, Dle, Dle}, {Dle}},
        {{Dle, Dle, Dle, Dle}, {Dle, Dle}},
        {{Dle, 0x11, Dle, Dle, Dle, 0x00}, {Dle}},
    };
    for (const auto& [shielded, plain] : cases)
        EXPECT_EQ(UnshieldVoice(shielded), plain) << ::testing::PrintToString(shielded);
}

TEST(Wav49Header, LaysOutTheChunks)
{
    const uint8_t oneBlock[60] = {
        'R', 'I', 'F', 'F', 117,  0,    0, 0, 'W',  'A',  'V', 'E', 'f', 'm', 't', ' ', 20, 0, 0,    0,
        49,  0,   1,   0,   0x40, 0x1F, 0, 0, 0x59, 0x06, 0,   0,   65,  0,   0,   0,   2,  0, 0x40, 0x01,
        'f', 'a', 'c', 't', 4,    0,    0, 0, 0x40, 0x01, 0,   0,   'd', 'a', 't', 'a', 65, 0, 0,    0};
    const auto h = Wav49Header(1);
    EXPECT_TRUE(std::equal(h.begin(), h.end(), oneBlock));
}

TEST(Wav49Header, LargestStreamStillHasTrueFieldsAndOneMoreIsRefused)
{
    auto field = [](const std::array<uint8_t, Wav49HeaderBytes>& h, std::size_t at) {
        return uint64_t{h[at]} | uint64_t{h[at + 1]} << 8 | uint64_t{h[at + 2]} << 16 |
               uint64_t{h[at + 3]} << 24;
    };
    const uint64_t n = Wav49MaxBlocks;
    const auto h = Wav49Header(Wav49MaxBlocks);
    EXPECT_EQ(field(h, 4), 52 + 65 * n) << "RIFF size";
    EXPECT_EQ(field(h, 48), 320 * n) << "sample count";
    EXPECT_EQ(field(h, 56), 65 * n) << "data size";
    EXPECT_GT(320 * (n + 1), uint64_t{UINT32_MAX}) << "one block more would wrap the sample count";
}

class ConvertVoiceTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        savedHome = qgetenv("ZARVO_HOME");
        qputenv("ZARVO_HOME", home.path().toLocal8Bit());
        zarvo.StatusPanel = &status;
        zarvo.ReportMemo = &report;
    }
    void TearDown() override
    {
        savedHome.isNull() ? qunsetenv("ZARVO_HOME") : qputenv("ZARVO_HOME", savedHome);
    }
    QString wav() const { return out.filePath(QStringLiteral("message.wav")); }
    QString work() const { return home.filePath(QStringLiteral("~~test.gsm")); }

    QTemporaryDir home, out;
    QByteArray savedHome;
    RecordingStatus status;
    RecordingReport report;
    TZarvo zarvo;
};

TEST_F(ConvertVoiceTest, SoxHearsTheSpokenMessages)
{
    QStringList sentences = {QStringLiteral(ZARVO_TEST_DATADIR "/voice/nachricht.gsm")};
    for (const QString& demo : QDir(QStringLiteral(ZARVO_SOURCE_DATADIR "/demo")).entryList({"*.gsm"}))
        sentences << QStringLiteral(ZARVO_SOURCE_DATADIR "/demo/") + demo;
    for (const QString& sentence : sentences) {
        status.history.clear();
        const QByteArray frames = ReadFile(sentence);
        ASSERT_EQ(zarvo.ConvertVoice(VoiceMessage(frames), wav()), 0) << sentence.toStdString();
        EXPECT_EQ(status.history, QStringList({kShield, kConvert, kDone}));
        EXPECT_FALSE(QFileInfo::exists(work()));

        const qsizetype whole = frames.size() / 66 * 66; // an odd last frame is ignored
        WriteFile(out.filePath(QStringLiteral("orig.gsm")), frames.left(whole));
        const QByteArray samples = SoxSamples(wav());
        EXPECT_EQ(samples.size(), whole / 33 * 160 * 2);
        EXPECT_EQ(samples, SoxSamples(out.filePath(QStringLiteral("orig.gsm")))) << sentence.toStdString();

        // Frames from the modem's memory may lack the 0xD signature nibble: same file.
        QByteArray unsigned_ = frames;
        for (qsizetype at = 0; at < unsigned_.size(); at += 33)
            unsigned_[at] = char(unsigned_[at] & 0x0F);
        const QByteArray first = ReadFile(wav());
        ASSERT_EQ(zarvo.ConvertVoice(VoiceMessage(unsigned_), wav()), 0);
        EXPECT_EQ(ReadFile(wav()), first);
    }
    EXPECT_EQ(report.lines.first(), '-' + kShield);
}

TEST_F(ConvertVoiceTest, WritesWholeBlocksOnly)
{
    const QByteArray frames = SpokenFrames();
    const std::tuple<QByteArray, qint64, int> cases[] = {{"V", 60, 0},
                                                         {VoiceMessage(frames.left(65)), 60, 0},
                                                         {VoiceMessage(frames.left(131)), 125, 1},
                                                         {VoiceMessage(frames.left(132)), 190, 2}};
    // A stale, longer work file must not leak into the result.
    WriteFile(work(), frames);
    for (const auto& [message, size, blocks] : cases) {
        ASSERT_EQ(zarvo.ConvertVoice(message, wav()), 0);
        EXPECT_EQ(QFileInfo(wav()).size(), size);
        EXPECT_EQ(SoxSamples(wav()).size(), blocks * 640);
    }
}

TEST_F(ConvertVoiceTest, RefusesOtherMessagesWithoutTrace)
{
    for (const char* message : {"", "F\x01\x10\x03", "v", "DV"})
        EXPECT_EQ(zarvo.ConvertVoice(QByteArray(message), wav()), 21) << message;
    EXPECT_TRUE(status.history.isEmpty());
    EXPECT_TRUE(report.lines.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(work()));
    EXPECT_FALSE(QFileInfo::exists(wav()));
}

TEST_F(ConvertVoiceTest, FileFailures)
{
    const QByteArray message = VoiceMessage(SpokenFrames());
    EXPECT_EQ(zarvo.ConvertVoice(message, out.filePath(QStringLiteral("no-folder/x.wav"))), 23);
    EXPECT_EQ(status.history, QStringList({kShield, kConvert, QStringLiteral("Fehler beim Schreiben")}));
    EXPECT_FALSE(QFileInfo::exists(work())) << "the work file goes with a failed write too";

    status.history.clear();
    WriteFile(wav(), "keep me");
    QFile::remove(work());
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("~~test.gsm")));
    EXPECT_EQ(zarvo.ConvertVoice(message, wav()), 22);
    EXPECT_EQ(status.history, QStringList({kShield, QStringLiteral("Fehler bei der temporären Datei")}));
    EXPECT_EQ(ReadFile(wav()), "keep me");
}

} // namespace
} // namespace zarvo::test
