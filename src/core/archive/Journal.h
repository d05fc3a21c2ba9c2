// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The archive's journals: one CSV file per month (UTF-8, ';'-separated, a header row, CR LF),
// only ever appended to. One row per message ("Nachricht") and one per later mark ("Abgehört",
// "Notiz", "Dateien", "Papierkorb"); for a message the last row of a mark wins.
namespace zarvo::archive::journal {

inline const QString kMessage = QStringLiteral("Nachricht");
inline const QString kHeard = QStringLiteral("Abgehört");
inline const QString kNote = QStringLiteral("Notiz");
inline const QString kFiles = QStringLiteral("Dateien");
inline const QString kTrash = QStringLiteral("Papierkorb");

struct Row {
    QString written; // ISO time the row was written
    QString entry;   // kMessage, kHeard, ...
    QString id;      // 64 hex digits
    QString kind;    // "Sprache", "Fax", "Daten", "unbekannt"
    QString caller;
    QString received; // ISO 8601 with offset
    int amount = 0;
    QStringList files; // relative to the archive folder
    QString value;     // "ja"/"nein" for kHeard, the text for kNote
};

// "Geschrieben;Eintrag;ID;Art;Rufnummer;Empfangen;Umfang;Dateien;Wert"
QString header();
// One record with its CR LF; fields holding ';', '"', CR or LF are quoted with quotes doubled.
QByteArray line(const Row& row);

// Reads the complete records of `bytes` (a half-written last one stays unread); returns how many
// bytes were consumed. The header row and malformed rows are skipped.
qsizetype readRows(const QByteArray& bytes, const std::function<void(const Row&)>& onRow);
// The complete records of CSV text (a quoted field may hold line breaks), without their line ends;
// `used` hears how many bytes they took.
QStringList records(const QByteArray& bytes, qsizetype* used = nullptr);

// An exclusive flock on the archive folder's lock file, held for the object's life.
class Lock {
  public:
    explicit Lock(const QString& archiveFolder);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    bool held() const { return m_fd >= 0; }
    const QString& problem() const { return m_problem; }

  private:
    int m_fd = -1;
    QString m_problem;
};

// Appends one record to the journal at `path` (created with a header row when new) with one
// write(), flushed to the disk (unless `sync` is false: the caller syncs); a short write is cut back
// so no half row stays. Call under Lock. Empty text on success, else the German reason.
QString append(const QString& path, const QByteArray& record, bool sync = true);

// syncfs of the file system that holds `folder`: every file written there reaches the disk. Made
// before the files are written, so that a write-back error that happened meanwhile (a full network
// share, a failing disk) is reported too.
class FileSystemSync {
  public:
    explicit FileSystemSync(const QString& folder);
    ~FileSystemSync();
    FileSystemSync(const FileSystemSync&) = delete;
    FileSystemSync& operator=(const FileSystemSync&) = delete;
    // False when anything written there since this object was made did not reach the disk.
    bool sync();

  private:
    int m_fd = -1;
};

// The journals below the archive folder ("2026/12/Nachrichten.csv"), oldest month first.
QStringList journalFiles(const QString& archiveFolder);

// fsync of a folder (after names were added to it).
bool syncFolder(const QString& folder);

} // namespace zarvo::archive::journal
