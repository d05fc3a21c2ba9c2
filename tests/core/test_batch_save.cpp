// SPDX-License-Identifier: GPL-3.0-or-later
// Saving every message of the emulated modem into a folder: files as the converter would write
// them, nothing replaced or written through a link, an index of what was saved, a second look that
// finds what came in meanwhile, and failures counted rather than lost.

#include "BuildPaths.h"
#include "EmulatorFixture.h"
#include "Recording.h"
#include "common/OutputFile.h"
#include "core/BatchSave.h"
#include "core/MessageIndex.h"
#include "modem/Zarvo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace zarvo::test {
namespace {

std::vector<emu::StoredMessage> DemoMessages()
{
    emu::StoredMessage fax = emu::faxMessage({readDemoFile("fax3-1.g3"), readDemoFile("fax3-2.g3")});
    fax.id = "0301 555 123";
    return {fax, emu::voiceMessage(readDemoFile("nachricht1.gsm")),
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

QStringList IndexLines(const BatchFixture& f)
{
    QFile index(f.out.filePath(kMessageIndexName));
    if (!index.open(QIODevice::ReadOnly))
        return {};
    return MessageIndexLines(index.readAll());
}

MessageListData List(TZarvo& z)
{
    return ReadMessageList(z);
}

TEST(BatchSave, SavesEveryKindAndIndexesIt)
{
    BatchFixture f(DemoMessages());
    BatchSaver saver(f.z, f.folder());
    const BatchSaveReport r = saver.SaveNew(List(f.z));
    EXPECT_TRUE(r.AllSaved()) << r.Problems.join("\n").toStdString();
    EXPECT_EQ(r.Saved, 4);
    EXPECT_EQ(QDir(f.out.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"MESS1.TIF", "MESS2.WAV", "MESS3.DAT", "MESS4.WAV", "Nachrichten.csv"}));
    QFile tif(f.out.filePath("MESS1.TIF"));
    ASSERT_TRUE(tif.open(QIODevice::ReadOnly));
    EXPECT_TRUE(tif.read(4) == QByteArray("II*\0", 4));
    QFile wav(f.out.filePath("MESS2.WAV"));
    ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
    EXPECT_TRUE(wav.read(4) == "RIFF");
    // A data message keeps its downloaded bytes, so an erase loses nothing.
    QFile dat(f.out.filePath("MESS3.DAT"));
    ASSERT_TRUE(dat.open(QIODevice::ReadOnly));
    EXPECT_EQ(dat.readAll(), QByteArray(500, 7));

    const QStringList lines = IndexLines(f);
    ASSERT_EQ(lines.size(), 5) << lines.join("|").toStdString();
    EXPECT_EQ(lines[0], QString::fromUtf8("Nummer;Art;Rufnummer;Empfangszeit;Größe;Dateien"));
    const QStringList fax = SplitIndexLine(lines[1]);
    ASSERT_EQ(fax.size(), 6);
    EXPECT_EQ(fax[0], "1");
    EXPECT_EQ(fax[1], "Fax");
    EXPECT_EQ(fax[2], "0301 555 123");
    EXPECT_EQ(fax[3], List(f.z).Rows[0][5]); // as the list shows it
    EXPECT_EQ(fax[4], "2 Seite(n)");
    EXPECT_EQ(fax[5], "MESS1.TIF");
    EXPECT_EQ(SplitIndexLine(lines[3]).mid(0, 2), (QStringList{"3", "Daten"}));
    EXPECT_EQ(SplitIndexLine(lines[3])[5], "MESS3.DAT");

    // Another run into the same folder over the same memory: everything is there already, byte
    // for byte, so it counts as saved, and the index gains no second row.
    BatchSaver again(f.z, f.folder());
    const BatchSaveReport second = again.SaveNew(List(f.z));
    EXPECT_TRUE(second.AllSaved()) << second.Problems.join("\n").toStdString();
    EXPECT_EQ(second.Saved, 4);
    EXPECT_EQ(second.AlreadyThere, 4);
    EXPECT_EQ(IndexLines(f), lines);
}

// What is already under a message's name decides: identical bytes count as saved; anything else,
// a link above all, is never written through or replaced, and the message counts as failed.
TEST(BatchSave, ExistingNamesAreNeverReplacedOrFollowed)
{
    enum class There { Other, DanglingLink, LinkToFile };
    for (There there : {There::Other, There::DanglingLink, There::LinkToFile}) {
        BatchFixture f(DemoMessages());
        const QString name = f.out.filePath("MESS2.WAV");
        const QString outside = f.out.filePath("elsewhere");
        if (there == There::Other) {
            QFile old(name);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("yesterday");
        }
        else {
            if (there == There::LinkToFile) {
                QFile target(outside);
                ASSERT_TRUE(target.open(QIODevice::WriteOnly));
                target.write("keep");
            }
            ASSERT_TRUE(QFile::link(outside, name));
        }
        BatchSaver saver(f.z, f.folder());
        const BatchSaveReport r = saver.SaveNew(List(f.z));
        EXPECT_EQ(r.Failed, std::vector<int>{2}) << int(there);
        EXPECT_EQ(r.Saved, 3);
        ASSERT_EQ(r.Problems.size(), 1);
        EXPECT_TRUE(r.Problems[0].contains("gibt es schon")) << r.Problems[0].toStdString();
        if (there == There::Other) {
            QFile old(name);
            ASSERT_TRUE(old.open(QIODevice::ReadOnly));
            EXPECT_EQ(old.readAll(), "yesterday");
        }
        else {
            EXPECT_TRUE(QFileInfo(name).isSymLink());
            QFile target(outside);
            EXPECT_EQ(target.exists(), there == There::LinkToFile);
            if (target.open(QIODevice::ReadOnly)) {
                EXPECT_EQ(target.readAll(), "keep");
            }
        }
        // The failed message is not in the index; the others are.
        EXPECT_EQ(IndexLines(f).size(), 4);
        EXPECT_EQ(saver.Unsaved(List(f.z)), std::vector<int>{2});
    }
}

TEST(BatchSave, FailedDownloadIsReportedAndTheRestSaved)
{
    BatchFixture f(DemoMessages());
    emu::Faults faults;
    faults.cutShort = emu::BlockFault{true, -1, 100, 1}; // the first block answer breaks off
    f.modem.setFaults(faults);
    BatchSaver saver(f.z, f.folder());
    const BatchSaveReport r = saver.SaveNew(List(f.z));
    EXPECT_EQ(r.Failed, std::vector<int>{1});
    ASSERT_EQ(r.Problems.size(), 1);
    EXPECT_TRUE(r.Problems[0].startsWith("Nachricht 1 konnte nicht gelesen werden"));
    EXPECT_FALSE(QFile::exists(f.out.filePath("MESS1.TIF")));
    EXPECT_TRUE(QFile::exists(f.out.filePath("MESS4.WAV")));
}

TEST(BatchSave, ASecondLookFindsWhatCameInAndAGarbledEntryFails)
{
    BatchFixture f(DemoMessages());
    BatchSaver saver(f.z, f.folder());
    ASSERT_TRUE(saver.SaveNew(List(f.z)).AllSaved());
    EXPECT_TRUE(saver.Unsaved(List(f.z)).empty());
    EXPECT_TRUE(ListShowsSameMessages(List(f.z).Rows, List(f.z)));

    const std::vector<MessageRow> shown = List(f.z).Rows;
    ASSERT_TRUE(f.modem.emulator().arrive(emu::voiceMessage(readDemoFile("nachricht1.gsm"))));
    const MessageListData now = List(f.z);
    EXPECT_FALSE(ListShowsSameMessages(shown, now));
    EXPECT_EQ(saver.Unsaved(now), std::vector<int>{5});
    const BatchSaveReport r = saver.SaveNew(now);
    EXPECT_EQ(r.Saved, 1);
    EXPECT_TRUE(QFile::exists(f.out.filePath("MESS5.WAV")));
    EXPECT_EQ(IndexLines(f).size(), 6);

    // A directory line with a word where a number belongs: that message fails, nothing throws.
    emu::Faults faults;
    faults.badField.match = "+MSR=2";
    faults.badFieldIndex = 2;
    f.modem.setFaults(faults);
    BatchSaver other(f.z, f.folder());
    const MessageListData garbled = List(f.z);
    EXPECT_TRUE(EntryUnreadable(garbled.Rows.at(1)));
    EXPECT_FALSE(ListShowsSameMessages(garbled.Rows, garbled));
    const BatchSaveReport bad = other.SaveNew(garbled);
    EXPECT_EQ(bad.Failed, std::vector<int>{2});
    EXPECT_EQ(bad.Saved, 4); // found there byte for byte
    EXPECT_EQ(bad.AlreadyThere, 4);
}

TEST(BatchSave, FullDiskLeavesNoFileAndTheNextRunCompletes)
{
    BatchFixture f(DemoMessages());
    SetOutputSpaceForTests(20000);
    BatchSaver saver(f.z, f.folder());
    const BatchSaveReport r = saver.SaveNew(List(f.z));
    SetOutputSpaceForTests(-1);
    EXPECT_FALSE(r.AllSaved());
    EXPECT_TRUE(r.Problems.join("\n").contains(QString::fromUtf8("Datenträger voll")))
        << r.Problems.join("\n").toStdString();
    // Only whole files: each one there is the one a run with room writes.
    const QStringList partial = QDir(f.out.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_LT(partial.size(), 5) << partial.join(",").toStdString();
    QTemporaryDir room;
    BatchSaver full(f.z, room.path() + "/");
    ASSERT_TRUE(full.SaveNew(List(f.z)).AllSaved());
    for (const QString& name : partial) {
        if (name == kMessageIndexName)
            continue;
        QFile a(f.out.filePath(name)), b(room.filePath(name));
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_TRUE(a.readAll() == b.readAll()) << name.toStdString();
    }
    // With room again, the same saver saves the rest; what is there counts.
    const BatchSaveReport rest = saver.SaveNew(List(f.z));
    EXPECT_TRUE(rest.AllSaved()) << rest.Problems.join("\n").toStdString();
    EXPECT_TRUE(saver.Unsaved(List(f.z)).empty());
}

// The index alone: quoting, appending without rewriting, no second row for a message, no link.
TEST(MessageIndex, AppendsQuotedRowsOnceAndNeverThroughALink)
{
    QTemporaryDir dir;
    const MessageIndexRow odd{7, "Sprache", "A;\"B\"", "01.02.2026 10:11:00", "3 Sekunden", {"MESS7.WAV"}};
    EXPECT_EQ(MessageIndexLine(odd), "7;Sprache;\"A;\"\"B\"\"\";01.02.2026 10:11:00;3 Sekunden;MESS7.WAV");
    EXPECT_EQ(SplitIndexLine(MessageIndexLine(odd)),
              (QStringList{"7", "Sprache", "A;\"B\"", "01.02.2026 10:11:00", "3 Sekunden", "MESS7.WAV"}));
    const MessageIndexRow fax{1, "Fax", "", "x", "2 Seite(n)", {"MESS1.TIF", "MESS1.PDF"}};
    EXPECT_TRUE(SplitIndexLine(MessageIndexLine(fax)).endsWith("MESS1.TIF,MESS1.PDF"));

    EXPECT_EQ(AppendToMessageIndex(dir.path(), {odd}), "");
    QFile index(dir.filePath(kMessageIndexName));
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    const QByteArray first = index.readAll();
    index.close();
    EXPECT_EQ(AppendToMessageIndex(dir.path(), {odd, fax}), "");
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    const QByteArray second = index.readAll();
    index.close();
    EXPECT_TRUE(second.startsWith(first)) << "never rewritten";
    EXPECT_EQ(second.count("\r\n"), 3);
    // A row of an earlier version, its seconds off by the host clock, is the same message.
    MessageIndexRow wandered = odd;
    wandered.Received = "01.02.2026 10:10:59";
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); // the program's locale
    EXPECT_EQ(AppendToMessageIndex(dir.path(), {wandered}), "");
    QLocale::setDefault(saved);
    EXPECT_EQ(QFileInfo(dir.filePath(kMessageIndexName)).size(), second.size());
    EXPECT_TRUE(first.startsWith("\xEF\xBB\xBFNummer;")) << "a new index says it is UTF-8";

    // Formula-like fields are quoted behind an apostrophe and read back as they were; a full disk
    // leaves the file as it was, with no half row.
    const MessageIndexRow formula{8, "Fax", "=HYPERLINK(1)", "x", "-1", {"@MESS8.TIF"}};
    EXPECT_EQ(MessageIndexLine(formula), "8;Fax;\"'=HYPERLINK(1)\";x;\"'-1\";\"'@MESS8.TIF\"");
    EXPECT_EQ(SplitIndexLine(MessageIndexLine(formula)),
              (QStringList{"8", "Fax", "=HYPERLINK(1)", "x", "-1", "@MESS8.TIF"}));
    EXPECT_EQ(SplitIndexLine(MessageIndexLine({9, "Fax", "'+x;", "x", "", {}})).at(2), "'+x;");
    QFile::resize(dir.filePath(kMessageIndexName), first.size());
    {
        const rlimit small{static_cast<rlim_t>(first.size() + 10), RLIM_INFINITY};
        rlimit was{};
        ::getrlimit(RLIMIT_FSIZE, &was);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &small);
        EXPECT_NE(AppendToMessageIndex(dir.path(), {fax, formula}), "");
        ::setrlimit(RLIMIT_FSIZE, &was);
        std::signal(SIGXFSZ, handler);
    }
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    EXPECT_EQ(index.readAll(), first) << "whole rows or none";
    index.close();

    QTemporaryDir linked;
    ASSERT_TRUE(QFile::link(linked.filePath("elsewhere.csv"), linked.filePath(kMessageIndexName)));
    EXPECT_NE(AppendToMessageIndex(linked.path(), {odd}), "");
    EXPECT_FALSE(QFile::exists(linked.filePath("elsewhere.csv")));
}

} // namespace
} // namespace zarvo::test
