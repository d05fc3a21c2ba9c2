// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The archive window's time spans and where the archive lies for the desktop program.
namespace zarvo::archive {

enum class TimeSpan { Today, Last7Days, ThisMonth, ThisYear, All };

// "Heute", "Letzte 7 Tage", "Dieser Monat", "Dieses Jahr", "Alle", in the order of TimeSpan.
const QStringList& timeSpanTexts();

// The span as [from, to) around `now` in now's own time zone: from the start of the day (today,
// the six days before today, the first of the month, the first of January); `to` stays invalid
// (no upper limit: a modem clock ahead of the computer still shows). All gives two invalid times.
struct TimeRange {
    QDateTime from;
    QDateTime to;
};
TimeRange timeRange(TimeSpan span, const QDateTime& now);

// The archive folder and its index: [Archiv] Ordner= of the settings file when set, else the
// default folder. An index belongs to one folder, so another folder gets an index of its own beside
// the default one ("archiv-<digits of the folder's name>.sqlite").
struct ArchivePlace {
    QString folder;
    QString index;
};
ArchivePlace archivePlace(const QString& settingsFile);
// The same for a folder as the setting names it (empty: the default).
ArchivePlace archivePlaceFor(const QString& chosenFolder);

} // namespace zarvo::archive
