// SPDX-License-Identifier: GPL-3.0-or-later
// The voice window and its WAV49 playback: decoding against sox, button layout, saving, no sound.
#include "EmulatorFixture.h"
#include "ScriptedMessages.h"
#include "app/UWave.h"
#include "app/UWavePlayer.h"
#include "core/WavPlayback.h"
#include "modem/Wav49.h"
#include "modem/Zarvo.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "TestFiles.h"

namespace zarvo::test {
namespace {

using zarvo::test::ReadFile;
using zarvo::test::WriteFile;

// A demo voice message converted to WAV the way the main window does it.
class WaveTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        savedHome = qgetenv("ZARVO_HOME");
        qputenv("ZARVO_HOME", dir.path().toLocal8Bit());
        QByteArray message("V");
        for (uint8_t b : readDemoFile(QStringLiteral("nachricht1.gsm"))) {
            message.append(char(b));
            if (b == 0x10)
                message.append(char(b)); // the modem's DLE shielding
        }
        ASSERT_EQ(TZarvo().ConvertVoice(message, wav), 0);
        wave.Player().SetOutputAllowed(false); // the same on every test machine
        wave.SetFileName(wav);
    }
    void TearDown() override
    {
        savedHome.isNull() ? qunsetenv("ZARVO_HOME") : qputenv("ZARVO_HOME", savedHome);
    }

    QTemporaryDir dir;
    QByteArray savedHome;
    const QString wav = dir.filePath(QStringLiteral("~~test.wav"));
    ScriptedMessages boxes;
    TWave wave;
};

TEST_F(WaveTest, PlayerPcmEqualsWhatSoxDecodes)
{
    const QString sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
    if (sox.isEmpty())
        GTEST_SKIP() << "sox is not installed";
    QProcess p;
    p.start(sox, {wav, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-e"),
                  QStringLiteral("signed-integer"), QStringLiteral("-b"), QStringLiteral("16"),
                  QStringLiteral("-L"), QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray expected = p.readAllStandardOutput();
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();

    ASSERT_TRUE(wave.Open());
    const QByteArray& pcm = wave.Player().Pcm();
    ASSERT_FALSE(pcm.isEmpty());
    EXPECT_EQ(pcm.size(), expected.size());
    EXPECT_TRUE(pcm == expected) << "the samples differ from sox's";
    EXPECT_EQ(wave.Player().SampleRate(), 8000);
}

TEST(Wav49DecodeTest, CopesWithDamagedFiles)
{
    // Two blocks of silence-ish frames, made with the program's own repacker.
    QByteArray two;
    const auto header = Wav49Header(2);
    two.append(reinterpret_cast<const char*>(header.data()), qsizetype(header.size()));
    two.append(QByteArray(2 * qsizetype(Wav49BlockBytes), '\0'));
    ASSERT_TRUE(DecodeWav49(two).ok());
    EXPECT_EQ(DecodeWav49(two).samples.size(), 640u);

    EXPECT_EQ(DecodeWav49(two.left(two.size() - 10)).samples.size(), 320u) << "a cut last block is dropped";
    QByteArray wrongTag = two;
    wrongTag[20] = 1; // PCM, not GSM
    EXPECT_FALSE(DecodeWav49(wrongTag).ok());
    EXPECT_FALSE(DecodeWav49(QByteArray("RIFF\0\0\0\0WAVE", 12)).ok());
    EXPECT_FALSE(DecodeWav49(QByteArray()).ok());
    QByteArray hugeFmt = two;
    hugeFmt[16] = char(0xFF); // fmt chunk claims more than the file holds
    hugeFmt[19] = char(0x7F);
    EXPECT_FALSE(DecodeWav49(hugeFmt).ok());
    EXPECT_FALSE(DecodeWav49File(QStringLiteral("/nonexistent/x.wav")).ok());
}

TEST(WaveLayoutTest, ButtonsFollowThePlayer)
{
    const WaveButtonLayout l = LayOutWaveButtons(0, 113, 25, 25, 25);
    EXPECT_EQ(l.saveLeft, 118);
    EXPECT_EQ(l.closeLeft, 144);
    EXPECT_EQ(l.helpLeft, 170);
    EXPECT_EQ(l.windowWidth, 202);
}

TEST_F(WaveTest, ShownWindowPlacesItsButtonsByTheRule)
{
    ASSERT_TRUE(wave.Open());
    wave.ModalHook = [](TWave& w) {
        auto* player = w.findChild<QWidget*>(QStringLiteral("MediaPlayer1"));
        auto* save = w.findChild<QToolButton*>(QStringLiteral("SpeedButton2"));
        auto* close = w.findChild<QToolButton*>(QStringLiteral("SpeedButton1"));
        auto* help = w.findChild<QToolButton*>(QStringLiteral("SpeedButton3"));
        EXPECT_EQ(save->x(), player->geometry().right() + 1 + 5);
        EXPECT_EQ(close->x(), save->geometry().right() + 1 + 1);
        EXPECT_EQ(help->x(), close->geometry().right() + 1 + 1);
        EXPECT_EQ(w.width(), help->geometry().right() + 1 + 7);
        return 0;
    };
    wave.ShowModal();
}

TEST_F(WaveTest, WithoutSoundTheWindowSaysSoAndSavingWorks)
{
    ASSERT_TRUE(wave.Open());
    EXPECT_FALSE(wave.SoundAvailable());
    const QString target = dir.filePath(QStringLiteral("kopie.wav"));
    wave.AskSaveFileName = [&](TWave&) { return target; };
    wave.ModalHook = [&](TWave& w) {
        auto* label = w.findChild<QLabel*>(QStringLiteral("LabelSound"));
        EXPECT_TRUE(label->isVisible());
        EXPECT_TRUE(label->text().startsWith(QStringLiteral("Keine Tonausgabe verfügbar")));
        EXPECT_GE(w.height(), label->geometry().bottom()) << "the text is not cut off";
        EXPECT_FALSE(w.findChild<QToolButton*>(QStringLiteral("btPlay"))->isEnabled());
        w.findChild<QToolButton*>(QStringLiteral("SpeedButton2"))->click();
        return 0;
    };
    wave.ShowModal();
    EXPECT_EQ(ReadFile(target), ReadFile(wav)) << "a byte-for-byte copy";
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WaveTest, SaveNeverReplacesAFileAndSaysSo)
{
    const QString target = dir.filePath(QStringLiteral("alt.wav"));
    WriteFile(target, "keep me");
    wave.AskSaveFileName = [&](TWave&) { return target; };
    wave.SpeedButton2Click();
    EXPECT_EQ(ReadFile(target), QByteArray("keep me"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("nicht überschrieben")));

    wave.AskSaveFileName = [](TWave&) { return QString(); }; // cancelled
    wave.SpeedButton2Click();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.wav")}, QDir::Files).size(), 2);
}

TEST_F(WaveTest, OpenRefusesAFileThatIsNoVoiceWave)
{
    WriteFile(wav, "not a wave file");
    EXPECT_FALSE(wave.PlayFile(wav));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, ScriptedMessages::Kind::Error);
    EXPECT_FALSE(wave.isVisible());
}

TEST_F(WaveTest, ClosingByTitleBarOrButtonReleasesThePlayer)
{
    for (bool titleBar : {true, false}) {
        ASSERT_TRUE(wave.Open());
        wave.ModalHook = [&](TWave& w) {
            EXPECT_EQ(w.Player().state(), WavPlayer::State::Stopped);
            if (titleBar)
                w.close();
            else
                w.findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
            EXPECT_EQ(w.Player().state(), WavPlayer::State::Closed);
            return 0;
        };
        wave.ShowModal();
    }
}

// Runs only where a sound server answers (for example a null sink started for the tests).
TEST_F(WaveTest, PlaysToTheEndPausesAndGoesBackToTheStart)
{
    wave.Player().SetOutputAllowed(true);
    ASSERT_TRUE(wave.Open());
    if (!wave.SoundAvailable())
        GTEST_SKIP() << "no sound output here";
    WavPlayer& p = wave.Player();
    p.Play();
    EXPECT_EQ(p.state(), WavPlayer::State::Playing);
    p.Pause();
    EXPECT_EQ(p.state(), WavPlayer::State::Paused);
    p.Play(); // resumes
    EXPECT_EQ(p.state(), WavPlayer::State::Playing);
    QTRY_COMPARE_WITH_TIMEOUT(p.state(), WavPlayer::State::Stopped, 60000);
    EXPECT_EQ(p.PositionBytes(), p.Pcm().size()) << "everything was handed to the output";
    p.Rewind();
    EXPECT_EQ(p.PositionBytes(), 0);
    p.Play();
    p.Stop();
    EXPECT_EQ(p.state(), WavPlayer::State::Stopped);
    EXPECT_LT(p.PositionBytes(), p.Pcm().size()) << "stop keeps the place heard so far";
}

} // namespace
} // namespace zarvo::test
