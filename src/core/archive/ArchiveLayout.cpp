// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/archive/ArchiveLayout.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace zarvo::archive {

QString kindKey(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Voice:
        return QStringLiteral("voice");
    case MessageKind::Fax:
        return QStringLiteral("fax");
    case MessageKind::Data:
        return QStringLiteral("data");
    case MessageKind::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

MessageKind kindFromKey(const QString& key)
{
    for (MessageKind k : {MessageKind::Voice, MessageKind::Fax, MessageKind::Data})
        if (key.compare(kindKey(k), Qt::CaseInsensitive) == 0)
            return k;
    return MessageKind::Unknown;
}

QString kindText(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Voice:
        return QStringLiteral("Sprache");
    case MessageKind::Fax:
        return QStringLiteral("Fax");
    case MessageKind::Data:
        return QStringLiteral("Daten");
    case MessageKind::Unknown:
        break;
    }
    return QStringLiteral("unbekannt");
}

MessageKind kindFromText(const QString& text)
{
    for (MessageKind k : {MessageKind::Voice, MessageKind::Fax, MessageKind::Data})
        if (text.trimmed().compare(kindText(k), Qt::CaseInsensitive) == 0)
            return k;
    return MessageKind::Unknown;
}

MessageKind kindFromLetter(char letter)
{
    switch (letter) {
    case 'V':
        return MessageKind::Voice;
    case 'F':
        return MessageKind::Fax;
    case 'D':
        return MessageKind::Data;
    default:
        return MessageKind::Unknown;
    }
}

namespace layout {

QString suffixOf(FileBit bit)
{
    switch (bit) {
    case Msg:
        return QStringLiteral("msg");
    case Wav:
        return QStringLiteral("wav");
    case Tif:
        return QStringLiteral("tif");
    case Pdf:
        return QStringLiteral("pdf");
    case Dat:
        return QStringLiteral("dat");
    }
    return QString();
}

int bitsOfFiles(const QStringList& names)
{
    int bits = 0;
    for (const QString& name : names)
        for (int bit : kFileBits)
            if (name.endsWith(u'.' + suffixOf(FileBit(bit)), Qt::CaseInsensitive))
                bits |= bit;
    return bits;
}

QString monthFolder(const QDateTime& received)
{
    return received.toString(QStringLiteral("yyyy/MM"));
}

QString baseName(const QDateTime& received, MessageKind kind, const QString& id, int idLength)
{
    QString word = kindText(kind);
    word[0] = word[0].toUpper();
    return monthFolder(received) + u'/' + received.toString(QStringLiteral("yyyy-MM-dd_HHmm")) + u'_' + word +
           u'_' + id.left(idLength);
}

QStringList fileNames(const QString& base, int bits)
{
    QStringList names;
    for (int bit : kFileBits)
        if (bits & bit)
            names << base + u'.' + suffixOf(FileBit(bit));
    return names;
}

int idLengthOf(const QString& relativeName)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^\\d{4}/\\d{2}/\\d{4}-\\d{2}-\\d{2}_\\d{4}_[A-Za-z]+_([0-9a-f]{10}|[0-9a-f]{20})\\.[a-z]{3}$"));
    const QRegularExpressionMatch m = pattern.match(relativeName);
    return m.hasMatch() ? static_cast<int>(m.capturedLength(1)) : 0;
}

QString isoText(const QDateTime& when)
{
    return when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODate);
}

QDateTime fromIso(const QString& text)
{
    QDateTime when = QDateTime::fromString(text, Qt::ISODate);
    if (!when.isValid())
        return {};
    return when.toOffsetFromUtc(when.offsetFromUtc());
}

} // namespace layout
} // namespace zarvo::archive
