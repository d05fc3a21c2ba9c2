// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/archive/ArchiveTimeSpan.h"

#include "common/IniProfile.h"
#include "common/ProgramPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

namespace zarvo::archive {

const QStringList& timeSpanTexts()
{
    static const QStringList texts = {QStringLiteral("Heute"), QStringLiteral("Letzte 7 Tage"),
                                      QStringLiteral("Dieser Monat"), QStringLiteral("Dieses Jahr"),
                                      QStringLiteral("Alle")};
    return texts;
}

TimeRange timeRange(TimeSpan span, const QDateTime& now)
{
    const QDate today = now.date();
    QDate first;
    switch (span) {
    case TimeSpan::Today:
        first = today;
        break;
    case TimeSpan::Last7Days:
        first = today.addDays(-6);
        break;
    case TimeSpan::ThisMonth:
        first = QDate(today.year(), today.month(), 1);
        break;
    case TimeSpan::ThisYear:
        first = QDate(today.year(), 1, 1);
        break;
    case TimeSpan::All:
        return {};
    }
    // The day starts in now's zone (a day of a clock change is not 24 hours long).
    if (now.timeSpec() == Qt::TimeZone)
        return {first.startOfDay(now.timeZone()), QDateTime()};
    return {first.startOfDay(now.timeSpec(), now.offsetFromUtc()), QDateTime()};
}

ArchivePlace archivePlace(const QString& settingsFile)
{
    return archivePlaceFor(
        IniProfile(settingsFile).readString(QStringLiteral("Archiv"), QStringLiteral("Ordner"), QString()));
}

ArchivePlace archivePlaceFor(const QString& chosenFolder)
{
    const QString chosen = chosenFolder.trimmed();
    ArchivePlace place{ProgramPaths::archiveFolder(), ProgramPaths::archiveIndexFile()};
    if (chosen.isEmpty())
        return place;
    const QString folder = QDir(QDir::fromNativeSeparators(chosen)).absolutePath();
    if (folder == QDir(place.folder).absolutePath())
        return place;
    const QByteArray digits =
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
    place.folder = folder;
    place.index = QFileInfo(place.index).absolutePath() + QStringLiteral("/archiv-") +
                  QString::fromLatin1(digits) + QStringLiteral(".sqlite");
    return place;
}

} // namespace zarvo::archive
