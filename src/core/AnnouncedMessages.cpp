// SPDX-License-Identifier: GPL-3.0-or-later
// The set of messages already announced, persisted one key per line.
#include "core/AnnouncedMessages.h"

#include "common/ProgramPaths.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>

namespace zarvo {

namespace {

// A key is written in double quotes, with backslash escapes for quotes and backslashes, so an
// identification with blanks at its end reads back as it was written.
QString QuotedKey(const QString& key)
{
    QString quoted = key;
    quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return u'"' + quoted + u'"';
}

// A quoted line, or a key of an older file: unquoted, blanks around it were never part of it.
QString UnquotedKey(QString line)
{
    if (line.endsWith(u'\r'))
        line.chop(1);
    if (line.size() < 2 || !line.startsWith(u'"') || !line.endsWith(u'"'))
        return line.trimmed();
    QString key;
    key.reserve(line.size());
    for (qsizetype i = 1; i + 1 < line.size(); ++i) {
        if (line[i] == u'\\' && i + 2 < line.size())
            ++i;
        key += line[i];
    }
    return key;
}

} // namespace

AnnouncedMessages::AnnouncedMessages(QString fileName) : m_fileName(std::move(fileName))
{
    Load();
}

QString AnnouncedMessages::KeyOf(const tMessageReport& r)
{
    // Commas and line ends cannot occur in an identification the modem sends, but a key must stay
    // one line whatever the reply held.
    QString id = r.Id;
    id.replace(u'\n', u' ').replace(u'\r', u' ');
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8")
        .arg(r.MsgType)
        .arg(r.Day)
        .arg(r.Hour)
        .arg(r.Minute)
        .arg(r.Block)
        .arg(r.PosHi)
        .arg(r.PosLo)
        .arg(id);
}

bool AnnouncedMessages::Contains(const tMessageReport& report) const
{
    return m_keys.contains(KeyOf(report));
}

void AnnouncedMessages::Add(const std::vector<tMessageReport>& reports)
{
    const auto before = m_keys.size();
    for (const tMessageReport& r : reports)
        m_keys.insert(KeyOf(r));
    if (m_keys.size() != before)
        Save();
}

void AnnouncedMessages::Retain(const std::vector<tMessageReport>& present)
{
    QSet<QString> keep;
    for (const tMessageReport& r : present)
        if (m_keys.contains(KeyOf(r)))
            keep.insert(KeyOf(r));
    if (keep.size() == m_keys.size())
        return;
    m_keys = std::move(keep);
    Save();
}

void AnnouncedMessages::Load()
{
    if (m_fileName.isEmpty())
        return;
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines)
        m_keys.insert(UnquotedKey(line));
    m_keys.remove(QString());
}

void AnnouncedMessages::Save() const
{
    if (m_fileName.isEmpty())
        return;
    QStringList lines(m_keys.begin(), m_keys.end());
    std::sort(lines.begin(), lines.end());
    // Written whole or not at all: a cut file would announce old messages again.
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    for (const QString& line : lines)
        file.write(QuotedKey(line).toUtf8() + '\n');
    file.commit();
}

QString AnnouncedMessagesFile()
{
    return ProgramPaths::programFile(QStringLiteral("ZARVO2-gemeldet.txt"));
}

} // namespace zarvo
