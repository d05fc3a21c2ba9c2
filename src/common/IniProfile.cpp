// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/IniProfile.h"

#include "common/Errors.h"

#include <QFile>
#include <QList>
#include <QSaveFile>
#include <algorithm>
#include <climits>

namespace zarvo {
namespace {

// The file as raw lines, without their line ends; remembers the line-end style to write back.
struct IniLines {
    QList<QByteArray> lines;
    QByteArray eol = "\n";
};

IniLines readLines(const QString& fileName)
{
    IniLines result;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray all = file.readAll();
    if (all.contains("\r\n"))
        result.eol = "\r\n";
    result.lines = all.split('\n');
    if (!result.lines.isEmpty() && result.lines.last().isEmpty())
        result.lines.removeLast(); // the final line end
    for (QByteArray& line : result.lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return result;
}

// "[name]" -> name (trimmed); not a section header -> null.
QString sectionName(const QByteArray& line)
{
    const QByteArray t = line.trimmed();
    if (!t.startsWith('['))
        return {};
    const int close = t.indexOf(']');
    const QByteArray name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
    return QString::fromUtf8(name.isNull() ? QByteArray("") : name);
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a section and a key sit in the file. -1 = not there.
struct Location {
    int sectionLine = -1;
    int keyLine = -1;
    int lastEntryLine = -1; // last non-blank line of the section
};

Location locate(const IniLines& ini, const QString& section, const QString& key)
{
    Location loc;
    bool inside = false;
    for (int i = 0; i < ini.lines.size(); ++i) {
        const QByteArray& line = ini.lines[i];
        const QString name = sectionName(line);
        if (!name.isNull()) {
            if (inside)
                break; // only the first occurrence of a section counts
            if (sameName(name, section)) {
                inside = true;
                loc.sectionLine = loc.lastEntryLine = i;
            }
            continue;
        }
        if (!inside)
            continue;
        if (!line.trimmed().isEmpty())
            loc.lastEntryLine = i;
        const int eq = line.indexOf('=');
        if (eq >= 0 && loc.keyLine < 0 && sameName(QString::fromUtf8(line.left(eq).trimmed()), key))
            loc.keyLine = i;
    }
    return loc;
}

} // namespace

IniProfile::IniProfile(QString fileName) : m_fileName(std::move(fileName)) {}

bool IniProfile::hasSection(const QString& section) const
{
    return locate(readLines(m_fileName), section, QString()).sectionLine >= 0;
}

QString IniProfile::readString(const QString& section, const QString& key, const QString& def) const
{
    const IniLines ini = readLines(m_fileName);
    const Location loc = locate(ini, section, key);
    if (loc.keyLine < 0)
        return def;
    const QByteArray& line = ini.lines[loc.keyLine];
    return QString::fromUtf8(line.mid(line.indexOf('=') + 1).trimmed());
}

int IniProfile::readInteger(const QString& section, const QString& key, int def) const
{
    const QString text = readString(section, key, QString());
    int i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    int digits = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits)
        if (value <= INT_MAX)
            value = value * 10 + (text[i].unicode() - u'0');
    if (digits == 0)
        return def;
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool IniProfile::readBool(const QString& section, const QString& key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void IniProfile::writeString(const QString& section, const QString& key, const QString& value)
{
    IniLines ini = readLines(m_fileName);
    const Location loc = locate(ini, section, key);
    // A line break would start a line of its own that every later write keeps: drop it.
    QString oneLine = value;
    oneLine.remove(u'\r').remove(u'\n');
    const QByteArray entry = key.toUtf8() + '=' + oneLine.toUtf8();
    if (loc.keyLine >= 0) {
        ini.lines[loc.keyLine] = entry;
    }
    else if (loc.sectionLine >= 0) {
        ini.lines.insert(loc.lastEntryLine + 1, entry);
    }
    else {
        ini.lines.append('[' + section.toUtf8() + ']');
        ini.lines.append(entry);
    }

    QSaveFile file(m_fileName);
    // Writing in place keeps the file's owner and mode; a replace-by-rename would not.
    file.setDirectWriteFallback(true);
    bool ok = file.open(QIODevice::WriteOnly);
    for (const QByteArray& line : ini.lines) {
        if (!ok)
            break;
        ok = file.write(line) == line.size() && file.write(ini.eol) == ini.eol.size();
    }
    if (!ok || !file.commit())
        throw IniWriteError(("In " + m_fileName + " kann nicht geschrieben werden").toStdString());
}

void IniProfile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniProfile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace zarvo
