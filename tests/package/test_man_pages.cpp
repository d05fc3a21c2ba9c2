// SPDX-License-Identifier: GPL-3.0-or-later
// Every switch and command a program's --help names is described in its man pages.
#include "BuildPaths.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

struct Program {
    const char* binary;        // below the build folder
    QStringList helpArguments; // what prints the usage
    QStringList manPages;      // below man/
};

// One row per installed program.
const Program kPrograms[] = {
    {"src/app/zarvo", {"--help"}, {"zarvo.1", "zarvo.de.1"}},
    {"tools/convert/zarvo-convert", {"--help"}, {"zarvo-convert.1"}},
    {"tools/emulator/zarvo-emulator", {"--help"}, {"zarvo-emulator.1"}},
    {"tools/archive/zarvo-archive", {"--help"}, {"zarvo-archive.1"}},
};

QString UsageOf(const Program& program)
{
    QProcess process;
    process.start(QStringLiteral(ZARVO_BINARY_DIR "/") + program.binary, program.helpArguments);
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Switches (-x, --long, /WORD, /?) where a word begins, and commands: a lower-case word alone at the
// start of a usage line indented by two, as "  fax2pdf EIN AUS.pdf".
QSet<QString> NamedInHelp(const QString& help)
{
    QSet<QString> words;
    static const QRegularExpression switches(QStringLiteral("(?:^|[\\s\\[|,(])(--?[A-Za-z][\\w-]*|/[A-Z?]+)"),
                                             QRegularExpression::MultilineOption);
    static const QRegularExpression commands(QStringLiteral("^  ([a-z][a-z0-9]+) "),
                                             QRegularExpression::MultilineOption);
    for (const auto* pattern : {&switches, &commands})
        for (const auto& match : pattern->globalMatch(help))
            words << match.captured(1);
    return words;
}

// The page's text with roff's escapes for the minus, font changes and zero-width breaks removed.
QString PageText(const QString& page)
{
    QFile file(QStringLiteral(ZARVO_SOURCE_DIR "/man/") + page);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\\-"), QStringLiteral("-")).replace(QStringLiteral("\\&"), QString());
    text.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
    return text;
}

TEST(ManPages, NameEverythingTheUsageNames)
{
    for (const Program& program : kPrograms) {
        const QSet<QString> named = NamedInHelp(UsageOf(program));
        EXPECT_GT(named.size(), 3) << program.binary << " printed no usage";
        for (const QString& page : program.manPages) {
            const QString text = PageText(page);
            ASSERT_FALSE(text.isEmpty()) << page.toStdString();
            for (const QString& word : named) {
                const QRegularExpression alone(QStringLiteral("(?<![\\w-])") +
                                               QRegularExpression::escape(word) +
                                               QStringLiteral("(?![\\w-])"));
                EXPECT_TRUE(text.contains(alone)) << page.toStdString() << " lacks " << word.toStdString();
            }
        }
    }
}

} // namespace
