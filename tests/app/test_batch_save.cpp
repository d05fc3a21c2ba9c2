// Saving every message of the emulated modem into a folder: files as the converter would write
// them, nothing replaced, and failures counted rather than lost.

#include "EmulatorFixture.h"
#include "BuildPaths.h"
#include "Recording.h"
#include "app/core/BatchSave.h"
#include "modem/Zarvo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

std::vector<emu::StoredMessage> DemoMessages()
{
    return {emu::faxMessage({readDemoFile("fax3-1.g3"), readDemoFile("fax3-2.g3")}),
            emu::voiceMessage(readDemoFile("nachricht1.gsm")),
            emu::dataMessage(std::vector<std::uint8_t>(500, 7)),
            emu::voiceMessage(readDemoFile("nachricht2.gsm"))};
}

struct BatchFixture {
    explicit BatchFixture(std::vector<emu::StoredMessage> messages) : modem(Options(std::move(messages)))
    {
        // The TIFF writer reads its code table from the program's directory.
        QFile::copy(QStringLiteral(ZARVO_SOURCE_DATADIR "/RFCG3.DAT"), modem.programDir() + "/RFCG3.DAT");
        z.ReportMemo = &log;
        z.StatusPanel = &status;
        z.MainPort->SetComPort(pnCOM1);
        z.ProbePort->SetComPort(pnCOM1);
        z.ModemFound = true;
        z.ClockRead = true;
    }
    static emu::EmulatorOptions Options(std::vector<emu::StoredMessage> messages)
    {
        emu::EmulatorOptions o;
        o.echo = false;
        o.messages = std::move(messages);
        return o;
    }
    EmulatorFixture modem;
    RecordingReport log;
    RecordingStatus status;
    TZarvo z;
    QTemporaryDir out;
    QString folder() const { return out.path() + "/"; }
};

TEST(BatchSave, SavesFaxesAndVoiceSkipsData)
{
    BatchFixture f(DemoMessages());
    const BatchSaveReport r = SaveAllMessages(f.z, f.folder(), 4);
    EXPECT_TRUE(r.AllSaved()) << r.Problems.join("\n").toStdString();
    EXPECT_EQ(r.Saved, 3);
    EXPECT_EQ(r.Skipped, 1);
    EXPECT_EQ(QDir(f.out.path()).entryList(QDir::Files),
              (QStringList{"MESS1.TIF", "MESS2.WAV", "MESS4.WAV"}));
    QFile tif(f.out.filePath("MESS1.TIF"));
    ASSERT_TRUE(tif.open(QIODevice::ReadOnly));
    EXPECT_TRUE(tif.read(4) == QByteArray("II*\0", 4));
    QFile wav(f.out.filePath("MESS2.WAV"));
    ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
    EXPECT_TRUE(wav.read(4) == "RIFF");
}

TEST(BatchSave, ExistingFileIsKeptAndCountsAsFailed)
{
    BatchFixture f(DemoMessages());
    QFile old(f.out.filePath("MESS2.WAV"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("yesterday");
    old.close();
    const BatchSaveReport r = SaveAllMessages(f.z, f.folder(), 4);
    EXPECT_EQ(r.Failed, std::vector<int>{2});
    EXPECT_EQ(r.Saved, 2);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "yesterday");
}

TEST(BatchSave, FailedDownloadIsReportedAndTheRestSaved)
{
    BatchFixture f(DemoMessages());
    emu::Faults faults;
    faults.cutShort = emu::BlockFault{true, -1, 100, 1}; // the first block answer breaks off
    f.modem.setFaults(faults);
    const BatchSaveReport r = SaveAllMessages(f.z, f.folder(), 4);
    EXPECT_EQ(r.Failed, std::vector<int>{1});
    ASSERT_EQ(r.Problems.size(), 1);
    EXPECT_TRUE(r.Problems[0].startsWith("Nachricht 1 konnte nicht gelesen werden"));
    EXPECT_FALSE(QFile::exists(f.out.filePath("MESS1.TIF")));
    EXPECT_TRUE(QFile::exists(f.out.filePath("MESS4.WAV")));
}

} // namespace
} // namespace zarvo::test
