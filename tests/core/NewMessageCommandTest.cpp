// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/NewMessageCommand.h"
#include "common/Wait.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <csignal>
#include <gtest/gtest.h>

using zarvo::CommandOutcome;
using zarvo::NewMessageCommand;
using zarvo::NewMessageInfo;

namespace {

TEST(NewMessageCommandTest, SplitsWordsLikeAShellWithoutOne)
{
    struct Case {
        const char* text;
        QStringList words;
        const char* error; // part of the reason, or nullptr
    };
    const Case cases[] = {
        {"prog a  b", {"prog", "a", "b"}, nullptr},
        {"'a b' \"c d\" e\\ f", {"a b", "c d", "e f"}, nullptr},
        {"\"x\\\"y\" 'it'\\''s' \"a\\nb\"", {"x\"y", "it's", "a\\nb"}, nullptr},
        {"p '' * '$HOME' \"a|b\"", {"p", "", "*", "$HOME", "a|b"}, nullptr},
        {"'abc", {}, "einfaches Anführungszeichen"},
        {"p \"abc", {}, "doppeltes Anführungszeichen"},
        {"p a\\", {}, "einzelnen"},
        {"p > out", {}, "ohne Shell"},
        {"p $HOME", {}, "ohne Shell"},
        {"~/bin/melden", {}, "vollständigen Pfad"},
        {"  \t", {}, "Kein Programm"},
    };
    for (const Case& c : cases) {
        const zarvo::CommandWords got = zarvo::SplitCommandLine(QString::fromUtf8(c.text));
        EXPECT_EQ(got.words, c.words) << c.text;
        EXPECT_EQ(got.ok(), c.error == nullptr) << c.text;
        if (c.error) {
            EXPECT_TRUE(got.error.contains(QString::fromUtf8(c.error)))
                << c.text << ": " << got.error.toStdString();
        }
    }
}

class NewMessageCommandRun : public ::testing::Test {
  protected:
    QString writeScript(const QString& name, const QString& body, bool executable = true)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
        file.close();
        file.setPermissions(executable ? file.permissions() | QFile::ExeOwner
                                       : QFile::ReadOwner | QFile::WriteOwner);
        return name;
    }
    QTemporaryDir dir;
    QStringList lines;
};

bool Ended(pid_t pid)
{
    if (::kill(pid, 0) != 0)
        return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid)); // a zombie has ended too
    return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
}

TEST_F(NewMessageCommandRun, RunsTheCommandWithTheMessageInItsEnvironmentOnly)
{
    // clang-format off
    const NewMessageInfo fax{zarvo::NewMessageKind::Fax, "abc", "0301234",
                             QDateTime(QDate(2026, 12, 10), QTime(4, 0), QTimeZone(3600)),
                             "/a/f.tif", "/a/f.pdf", -1, 3};
    // clang-format on
    NewMessageInfo evil = fax;
    evil.kind = zarvo::NewMessageKind::Voice;
    evil.caller = "$(touch x);rm -f y *`touch z`";
    struct Case {
        const char* name;
        QString command;
        QString script;
        NewMessageInfo info;
        CommandOutcome outcome;
        int code;
        QStringList lines;
    };
    // clang-format off
    const Case cases[] = {
        {"environment", "./run.sh",
         "printf '%s|%s|%s|%s|%s|%s|%s|%s\\n' \"$ZARVO_KIND\" \"$ZARVO_CALLER\" \"$ZARVO_RECEIVED\" "
         "\"$ZARVO_FILE\" \"$ZARVO_PDF\" \"$ZARVO_ID\" \"$ZARVO_PAGES\" \"${ZARVO_SECONDS-ohne}\"",
         fax, CommandOutcome::Success, 0,
         {"Fax|0301234|2026-12-10T04:00:00+01:00|/a/f.tif|/a/f.pdf|abc|3|ohne"}},
        {"caller stays text, no globbing", "./run.sh '*' *",
         "echo \"$ZARVO_CALLER|${ZARVO_PDF-ohne}|$#:$1$2\"; ls x z 2>/dev/null || echo nichts",
         evil, CommandOutcome::Success, 0, {"$(touch x);rm -f y *`touch z`|ohne|2:**", "nichts"}},
        {"empty input, archive folder", "./run.sh", "cat; pwd",
         fax, CommandOutcome::Success, 0, {dir.path()}},
        {"exit status", "./run.sh", "echo aus; echo fehler >&2; printf ohne-ende; exit 3",
         fax, CommandOutcome::ExitStatus, 3, {"aus", "fehler", "ohne-ende"}},
        {"signal", "./run.sh", "kill -USR1 $$", fax, CommandOutcome::Signalled, SIGUSR1, {}},
        {"time-out ends it and its child", "./run.sh", "trap '' TERM; sleep 30 & echo $! > child.pid; wait",
         fax, CommandOutcome::TimedOut, 0, {}},
        {"stop ends it and its child", "./run.sh", "trap '' TERM; sleep 30 & echo $! > child.pid; echo da; wait",
         fax, CommandOutcome::Stopped, 0, {"da"}},
        {"missing", "./fehlt.sh", "", fax, CommandOutcome::NotFound, 0, {}},
        {"not executable", "./nox.sh", "", fax, CommandOutcome::NotExecutable, 0, {}},
        {"along PATH", "true", "", fax, CommandOutcome::Success, 0, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeScript("run.sh", c.script);
        writeScript("nox.sh", c.script, false);
        QFile::remove(dir.filePath("child.pid"));
        lines.clear();
        NewMessageCommand command(c.command, dir.path());
        const bool timeOut = c.outcome == CommandOutcome::TimedOut;
        command.setTimeLimit(std::chrono::milliseconds(timeOut ? 300 : 30000));
        command.setGracePeriod(std::chrono::milliseconds(300));
        command.setOutputSink([&](const QString& line) {
            lines << line;
            if (c.outcome == CommandOutcome::Stopped)
                command.stop();
        });
        const auto results = command.runAndWait({c.info});
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].outcome, c.outcome) << results[0].text.toStdString();
        EXPECT_EQ(results[0].code, c.code);
        EXPECT_EQ(results[0].messageId, "abc");
        EXPECT_TRUE(results[0].text.contains(command.program())) << results[0].text.toStdString();
        EXPECT_EQ(lines, c.lines);
        EXPECT_FALSE(QFile::exists(dir.filePath("x")) || QFile::exists(dir.filePath("z")));
        if (timeOut || c.outcome == CommandOutcome::Stopped) {
            QFile pidFile(dir.filePath("child.pid"));
            ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
            const pid_t child = pidFile.readAll().trimmed().toInt();
            ASSERT_GT(child, 0);
            EXPECT_TRUE(zarvo::WaitUntil([child] { return Ended(child); }, 10000));
        }
    }
}

TEST_F(NewMessageCommandRun, RunsOneAtATimeInOrder)
{
    writeScript("run.sh", "mkdir busy || exit 9; sleep 0.2; rmdir busy; echo \"$ZARVO_ID\"");
    NewMessageCommand command("./run.sh", dir.path());
    command.setOutputSink([this](const QString& line) { lines << line; });
    QStringList finished;
    QObject::connect(&command, &NewMessageCommand::jobFinished, [&](const zarvo::CommandResult& r) {
        finished << r.messageId + (r.ok() ? "" : " " + r.text);
    });
    for (const char* id : {"1", "2", "3"})
        command.enqueue({zarvo::NewMessageKind::Voice, id, {}, {}, {}, {}, 12, -1});
    EXPECT_FALSE(command.isIdle());
    EXPECT_TRUE(zarvo::WaitUntil([&] { return command.isIdle(); }, 60000));
    EXPECT_EQ(finished, QStringList({"1", "2", "3"}));
    EXPECT_EQ(lines, QStringList({"1", "2", "3"}));
}

} // namespace
