// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// The index a batch save keeps in its folder: who called and when, for every message saved there.
namespace zarvo {

inline const QString kMessageIndexName = QStringLiteral("Nachrichten.csv");

// One message as the list showed it, and the files saved for it.
struct MessageIndexRow {
    int Number = 0;
    QString Kind;     // "Sprache", "Fax", "Daten", ...
    QString CallerId; // the identification
    QString Received; // as the list shows it
    QString Size;     // as the list shows it, with its unit
    QStringList Files;
};

// "Nummer;Art;Rufnummer;Empfangszeit;Größe;Dateien"
QString MessageIndexHeader();
// One line without its end: fields holding ';', '"' or a line break are quoted, quotes doubled;
// the files are separated by ",". A field starting with '=', '+', '-', '@' or an apostrophe is
// quoted with an apostrophe before it, so no spreadsheet runs it as a formula.
QString MessageIndexLine(const MessageIndexRow& row);
// The fields of one line, quotes resolved and such an added apostrophe taken off again.
QStringList SplitIndexLine(const QString& line);
// The lines of an index file's bytes, a leading byte order mark skipped (older files have none).
QStringList MessageIndexLines(QByteArray bytes);

// Appends the rows not yet in `folder`/Nachrichten.csv (same number, kind, caller, time and size)
// to it, UTF-8, lines ending in CR LF; a new file starts with a byte order mark and the header row.
// Existing lines are never rewritten, and a link of that name is never followed. The rows go in
// whole or not at all (a short write is cut back); then the file and its folder are synced.
// Returns an empty text on success, else why it failed (in German).
QString AppendToMessageIndex(const QString& folder, const std::vector<MessageIndexRow>& rows);

} // namespace zarvo
