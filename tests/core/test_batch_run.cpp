// SPDX-License-Identifier: GPL-3.0-or-later
// The batch run without a window: one case table against the emulated modem. The program's own
// end-to-end runs (tests/app/test_haupt_batch.cpp) keep only a few smoke cases.
#include "BuildPaths.h"
#include "EmulatorFixture.h"
#include "ScriptedMessages.h"
#include "common/ProgramPaths.h"
#include "core/BatchRun.h"
#include "modem/Zarvo.h"
#include "ocr/FaxOcr.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace zarvo::test {
namespace {

int Count(const std::vector<std::string>& transcript, const std::string& command)
{
    return static_cast<int>(std::count_if(transcript.begin(), transcript.end(), [&](const std::string& l) {
        return l.find(command) != std::string::npos;
    }));
}

emu::StoredMessage Voice(int state = 255)
{
    emu::StoredMessage m = emu::voiceMessage(readDemoFile("nachricht1.gsm"));
    m.state = state;
    return m;
}

struct Case {
    const char* name;
    QStringList arguments; // "OUT" stands for the output folder
    int status;
    int erases;
    const char* says = nullptr; // in a message; nullptr: no message at all
    bool port = true;           // ComPort chosen in the settings
    bool stop = false;          // a stop signal before the run
    emu::Faults faults = {};
    int arrivals = 0;      // calls answered during the run, one after each of the first blocks
    bool oldWav = false;   // MESS1.WAV is there with other bytes
    bool noisyFax = false; // a third message: a fax whose second page is line noise
    QString command = {};  // [Archiv] Befehl; a stop signal once it says "da"
};

Case Faulty(Case c, const emu::Faults& faults)
{
    c.faults = faults;
    return c;
}

emu::Faults CutShort()
{
    emu::Faults f;
    f.cutShort = emu::BlockFault{true, -1, 100, 1};
    return f;
}

emu::Faults BadField(const char* command, int field)
{
    emu::Faults f;
    f.badField.match = command;
    f.badFieldIndex = field;
    return f;
}

TEST(BatchRun, SavesLooksAgainErasesAndEndsWithItsStatus)
{
    const QString options = QStringLiteral("[ModemOpt]\nFax_recv=1\nVoice_recv=1\nRing_setup=2\n");
    const QStringList saveAndErase{"/STP:OUT", "/DELETE"};
    const Case cases[] = {
        {"saved, erased, logged", {"/STP:OUT", "/DELETE", "/PDF", "/LOG"}, 0, 1},
        {"saved only", {"/STP:OUT"}, 0, 0},
        {"missing folder", {"/STP:OUT/fehlt", "/DELETE"}, 2, 0, "Verzeichnis muß existieren!"},
        {"no port chosen", saveAndErase, 2, 0, "kein Anschluss", false},
        {"stopped by a signal", saveAndErase, 1, 0, "durch ein Signal beendet", true, true},
        Faulty({"a download fails", saveAndErase, 1, 0, "Nachricht 1 konnte nicht gelesen werden"},
               CutShort()),
        Faulty({"an entry garbled", saveAndErase, 1, 0, "Nachricht 2 konnte nicht gelesen werden"},
               BadField("+MSR=2", 2)),
        Faulty({"the status garbled", saveAndErase, 1, 0, "die Antwort des Modems war nicht lesbar"},
               BadField("+MSR=0", 1)),
        {"an old file is kept", saveAndErase, 1, 0, "MESS1.WAV", true, false, {}, 0, true},
        {"a call during the run is saved first", saveAndErase, 0, 1, nullptr, true, false, {}, 1},
        {"calls keep coming", saveAndErase, 1, 0, "immer wieder neue Nachrichten", true, false, {}, 40},
        {"a page of line noise: the fax kept as received",
         {"/STP:OUT", "/DELETE", "/PDF"},
         0,
         1,
         "Seite 2 nicht darstellbar",
         true,
         false,
         {},
         0,
         false,
         true},
        // clang-format off
        {"stopped while the command runs, after the erase", {"/ARCHIV", "/DELETE"}, 1, 1, "schon gelöscht",
         true, false, {}, 0, false, false, "sh -c 'echo da; sleep 60'"},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emu::EmulatorOptions o;
        o.echo = false;
        o.messages = {Voice(), emu::dataMessage(std::vector<std::uint8_t>(100, 7))};
        if (c.noisyFax)
            o.messages.push_back(
                emu::faxMessage({readDemoFile("fax3-1.g3"), std::vector<std::uint8_t>(3000, 0x55)}));
        for (int block = 1; block <= c.arrivals; ++block)
            o.arrivals.push_back({emu::Arrival::When::AfterBlock, block, Voice(0)});
        EmulatorFixture modem(o, 1,
                              (c.port ? QStringLiteral("[Modem]\nComPort=1\n") : QString()) + options +
                                  (c.command.isEmpty() ? QString() : "[Archiv]\nBefehl=" + c.command));
        modem.setFaults(c.faults);
        QTemporaryDir out;
        if (c.oldWav) {
            QFile old(out.filePath("MESS1.WAV"));
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("gestern");
        }
        QStringList arguments;
        for (const QString& a : c.arguments)
            arguments << QString(a).replace(QStringLiteral("OUT"), out.path());
        ScriptedMessages boxes;
        TZarvo zarvo;
        BatchRun run(zarvo, RunRequest::Parse(arguments),
                     ProgramPaths::programFile(QStringLiteral("ZARVO2.ini")));
        if (c.stop)
            run.Stop();
        QTimer stopper; // a stop signal once the command has begun
        QObject::connect(&stopper, &QTimer::timeout, [&] {
            if (!c.command.isEmpty() && run.Log().contains("da"))
                run.Stop();
        });
        stopper.start(20);

        EXPECT_EQ(run.Run(), c.status);
        EXPECT_EQ(Count(modem.transcript(), "AT+MEM"), c.erases);
        if (c.erases == 0)
            EXPECT_GE(modem.emulator().directory().size(), 2u);
        else
            EXPECT_TRUE(modem.emulator().directory().empty());
        QString said;
        for (const auto& box : boxes.shown)
            said += box.text + u'\n';
        if (c.says)
            EXPECT_TRUE(said.contains(QString::fromUtf8(c.says))) << said.toStdString();
        else
            EXPECT_TRUE(said.isEmpty()) << said.toStdString();
        // A stopped run never blames the modem, nor does a garbled reply pass for a missing modem.
        EXPECT_FALSE(said.contains(QStringLiteral("Modems konnte nicht")) ||
                     said.contains(QStringLiteral("kein Modem gefunden")))
            << said.toStdString();
        if (c.status == 0) {
            EXPECT_TRUE(QFile::exists(out.filePath("MESS1.WAV")));
            EXPECT_TRUE(QFile::exists(out.filePath("MESS2.DAT")));
            EXPECT_EQ(QFile::exists(out.filePath("MESS3.WAV")), c.arrivals > 0);
            EXPECT_EQ(QFile::exists(out.filePath("MESS3.UFR")), c.noisyFax);
        }
        if (c.oldWav) {
            QFile old(out.filePath("MESS1.WAV"));
            ASSERT_TRUE(old.open(QIODevice::ReadOnly));
            EXPECT_EQ(old.readAll(), "gestern");
            EXPECT_TRUE(QFile::exists(out.filePath("MESS2.DAT"))); // the others are saved all the same
        }
        EXPECT_EQ(QFile::exists(ProgramPaths::logFile()), c.arguments.contains("/LOG"));
        EXPECT_TRUE(c.port || modem.transcript().empty());
    }
}

// /ARCHIV stores each message once, however often it runs; the command for new messages runs once
// per message: here the mail recipe, with a stand-in for the system's mail command.
TEST(BatchRun, ArchivesOnceAndMailsEachNewMessageOnce)
{
    QTemporaryDir bin;
    const QString mailbox = bin.filePath("postfach");
    QFile mail(bin.filePath("mail"));
    ASSERT_TRUE(mail.open(QIODevice::WriteOnly));
    mail.write(
        QStringLiteral("#!/bin/sh\n{ printf 'An:'; printf ' %s' \"$@\"; echo; cat; echo ----; } >> '%1'\n")
            .arg(mailbox)
            .toUtf8());
    mail.close();
    mail.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + oldPath);

    emu::EmulatorOptions o;
    o.echo = false;
    emu::StoredMessage fax = emu::faxMessage({readDemoFile("fax3-1.g3")});
    fax.id = "0301 555 123";
    o.messages = {Voice(), fax};
    EmulatorFixture modem(o, 1,
                          QStringLiteral("[Modem]\nComPort=1\n[Archiv]\nBefehl=%1 ich@example.org\n")
                              .arg(QStringLiteral(ZARVO_SOURCE_DIR "/data/examples/zarvo-mail")));
    QFile::copy(QStringLiteral(ZARVO_SOURCE_DATADIR "/RFCG3.DAT"), modem.programDir() + "/RFCG3.DAT");
    auto run = [&](const QStringList& arguments) {
        ScriptedMessages boxes;
        TZarvo zarvo;
        BatchRun batch(zarvo, RunRequest::Parse(arguments),
                       ProgramPaths::programFile(QStringLiteral("ZARVO2.ini")));
        const int status = batch.Run();
        for (const auto& box : boxes.shown)
            ADD_FAILURE() << box.text.toStdString();
        return status;
    };
    auto mails = [&] {
        QFile box(mailbox);
        return box.open(QIODevice::ReadOnly) ? QString::fromUtf8(box.readAll()) : QString();
    };

    EXPECT_EQ(run({"/ARCHIV"}), 0);
    const QString first = mails();
    EXPECT_EQ(first.count("----"), 2) << first.toStdString();
    EXPECT_TRUE(first.contains("Zarvo: Fax von 0301 555 123")) << first.toStdString();
    EXPECT_TRUE(first.contains(".pdf")) << "the fax goes as its PDF";
    EXPECT_TRUE(first.contains(".wav"));
    EXPECT_EQ(run({"/ARCHIV"}), 0);
    EXPECT_EQ(run({"/archiv", "/DELETE"}), 0);
    EXPECT_EQ(Count(modem.transcript(), "AT+MEM"), 1);
    EXPECT_TRUE(modem.emulator().directory().empty());
    EXPECT_EQ(mails(), first) << "never twice for the same message";
    QDir archive(modem.programDir() + "/Archiv");
    QStringList kept;
    for (const QString& month : archive.entryList({"20*"}, QDir::Dirs))
        for (const QString& sub : QDir(archive.filePath(month)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            kept << QDir(archive.filePath(month + "/" + sub)).entryList({"*.msg"}, QDir::Files);
    EXPECT_EQ(kept.size(), 2) << kept.join(',').toStdString();
    qputenv("PATH", oldPath);
}

// /ARCHIV reads the faxes it stored before it ends, unless recognition is switched off; either way
// nothing else of the run changes.
TEST(BatchRun, ArchiveRecognisesNewFaxesUnlessSwitchedOff)
{
    const bool available = OcrUnavailableReason().empty();
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on);
        emu::EmulatorOptions o;
        o.echo = false;
        o.messages = {Voice(), emu::faxMessage({readDemoFile("fax3-1.g3")})};
        EmulatorFixture modem(
            o, 1, QStringLiteral("[Modem]\nComPort=1\n[Archiv]\nTexterkennung=%1\n").arg(int(on)));
        ScriptedMessages boxes;
        TZarvo zarvo;
        BatchRun batch(zarvo, RunRequest::Parse({"/ARCHIV"}),
                       ProgramPaths::programFile(QStringLiteral("ZARVO2.ini")));
        EXPECT_EQ(batch.Run(), 0);
        for (const auto& box : boxes.shown)
            ADD_FAILURE() << box.text.toStdString();
        QStringList texts;
        for (QDirIterator it(modem.programDir() + "/Archiv", {"*.txt"}, QDir::Files,
                             QDirIterator::Subdirectories);
             it.hasNext();)
            texts << it.next();
        EXPECT_EQ(texts.size(), on && available ? 1 : 0) << batch.Log().join('\n').toStdString();
    }
}

} // namespace
} // namespace zarvo::test
