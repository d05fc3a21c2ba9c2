// The batch run without a window: one case table against the emulated modem.
#include "BuildPaths.h"
#include "EmulatorFixture.h"
#include "ScriptedMessages.h"
#include "common/ProgramPaths.h"
#include "core/BatchRun.h"
#include "modem/Zarvo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

TEST(BatchRun, SavesLooksAgainErasesAndEndsWithItsStatus)
{
    const QString options = QStringLiteral("[ModemOpt]\nFax_recv=1\nVoice_recv=1\nRing_setup=2\n");
    struct Case {
        const char* name;
        QStringList arguments; // "OUT" stands for the output folder
        bool port;             // ComPort chosen in the settings
        bool stop;             // a stop signal before the run
        int status;
        int erases;
        const char* says; // in a message, or nothing
    };
    const Case cases[] = {
        {"saved, erased, logged", {"/STP:OUT", "/DELETE", "/PDF", "/LOG"}, true, false, 0, 1, nullptr},
        {"saved only", {"/STP:OUT"}, true, false, 0, 0, nullptr},
        {"missing folder", {"/STP:OUT/fehlt", "/DELETE"}, true, false, 2, 0, "Verzeichnis muß existieren!"},
        {"no port chosen", {"/STP:OUT", "/DELETE"}, false, false, 2, 0, "kein Anschluss"},
        {"stopped by a signal", {"/STP:OUT", "/DELETE"}, true, true, 1, 0, "durch ein Signal beendet"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emu::EmulatorOptions o;
        o.echo = false;
        o.messages = {emu::voiceMessage(readDemoFile("nachricht1.gsm")),
                      emu::dataMessage(std::vector<std::uint8_t>(100, 7))};
        EmulatorFixture modem(o, 1, (c.port ? QStringLiteral("[Modem]\nComPort=1\n") : QString()) + options);
        QTemporaryDir out;
        QStringList arguments;
        for (const QString& a : c.arguments)
            arguments << QString(a).replace(QStringLiteral("OUT"), out.path());
        ScriptedMessages boxes;
        TZarvo zarvo;
        BatchRun run(zarvo, RunRequest::Parse(arguments), ProgramPaths::programFile(QStringLiteral("ZARVO2.ini")));
        QStringList summary;
        run.Summary = [&summary](const QString& line) { summary << line; };
        if (c.stop)
            run.Stop();

        EXPECT_EQ(run.Run(), c.status);
        EXPECT_EQ(Count(modem.transcript(), "AT+MEM"), c.erases);
        EXPECT_EQ(modem.emulator().directory().size(), c.erases ? 0u : 2u);
        QString said;
        for (const auto& box : boxes.shown)
            said += box.text + u'\n';
        if (c.says)
            EXPECT_TRUE(said.contains(QString::fromUtf8(c.says))) << said.toStdString();
        else
            EXPECT_TRUE(said.isEmpty()) << said.toStdString();
        // A stopped run never blames the modem.
        EXPECT_FALSE(c.stop && said.contains(QStringLiteral("Modems konnte nicht"))) << said.toStdString();
        if (c.status == 0) {
            EXPECT_TRUE(QFile::exists(out.filePath("MESS1.WAV")));
            EXPECT_TRUE(QFile::exists(out.filePath("MESS2.DAT")));
            EXPECT_EQ(summary.size(), 1) << summary.join('|').toStdString();
        }
        EXPECT_EQ(QFile::exists(ProgramPaths::logFile()), c.arguments.contains("/LOG"));
        EXPECT_TRUE(c.port || modem.transcript().empty());
    }
}

} // namespace
} // namespace zarvo::test
