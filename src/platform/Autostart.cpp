// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Autostart.h"

#include "common/ProgramPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace zarvo {
namespace {

// Characters that make an Exec argument need quotes.
const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

QString ExecArgument(const QString& argument)
{
    bool quote = false;
    for (const QChar c : argument)
        quote = quote || kReserved.contains(c);
    QString text;
    for (const QChar c : argument) {
        if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            text += u'\\';
        text += c;
        if (c == u'%')
            text += u'%'; // a lone % would start a field code
    }
    return quote ? u'"' + text + u'"' : text;
}

// The general string escapes of a desktop-entry value, applied on top of the Exec quoting.
QString EscapeValue(const QString& value)
{
    QString text;
    for (const QChar c : value) {
        if (c == u'\\')
            text += QStringLiteral("\\\\");
        else if (c == u'\n')
            text += QStringLiteral("\\n");
        else if (c == u'\t')
            text += QStringLiteral("\\t");
        else if (c == u'\r')
            text += QStringLiteral("\\r");
        else
            text += c;
    }
    return text;
}

} // namespace

QString AutostartEntryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/autostart/ZARVO2.desktop"));
}

QString AutostartExecLine(const QString& programPath)
{
    return ExecArgument(programPath) + QStringLiteral(" /AUTORUN");
}

void AutostartOn()
{
    const QString path = AutostartEntryPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=ZARVO\nExec=") +
                          EscapeValue(AutostartExecLine(ProgramPaths::executablePath())) +
                          QStringLiteral("\nTerminal=false\n");
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(entry.toUtf8()) >= 0)
        file.commit();
}

void AutostartOff()
{
    QFile::remove(AutostartEntryPath());
}

} // namespace zarvo
