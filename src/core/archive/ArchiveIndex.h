// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/archive/ArchiveTypes.h"
#include "core/archive/Journal.h"
#include "core/archive/Sqlite.h"

#include <QMap>
#include <QSet>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

// The archive's SQLite index (a cache of the journals): one small row per message, full-text search
// over caller and note (and, later, a fax's recognised text per page), how far each journal was read.
namespace zarvo::archive {

class ArchiveIndex {
  public:
    // Opens (or creates) the index at `path` for the archive folder; a damaged file (quick_check,
    // another schema) is replaced by an empty one and `replaced` set. Throws sqlite::Error.
    ArchiveIndex(const QString& path, const QString& archiveFolder, bool& replaced);

    // Reads what the journals gained since the last look (all of them after a replacement); a
    // journal that shrank makes the whole index be read again. Returns the rows applied.
    int catchUp();
    // Empties the index and reads every journal again.
    int rebuild();
    // Applies rows just appended to journals, in one transaction, with the journals' new sizes
    // (relative path -> bytes).
    void record(const std::vector<journal::Row>& rows, const QMap<QString, qint64>& journalSizes);

    // The message of a full id; std::nullopt when not there.
    std::optional<ArchivedMessage> find(const QString& id);
    // Messages whose id begins with `prefix` (at least 4 hex digits).
    std::vector<ArchivedMessage> byPrefix(const QString& prefix);
    bool trashed(const QString& id);
    ListPage list(const ListFilter& filter, const std::optional<ListCursor>& after, int limit);
    // Every message, for the check; oldest first.
    std::vector<ArchivedMessage> all();
    qint64 count();
    // Bytes of the index file (after a checkpoint), for the figures.
    qint64 fileBytes();
    // The relative base name of a message ("2026/12/2026-12-09_1403_Fax_3fa9c01b2e").
    static QString baseOf(const ArchivedMessage& m, bool longName);

    // The fax text of one page, for the search (empty text removes it).
    void setFaxText(const QString& id, int page, const QString& text);

  private:
    void createSchema();
    void switchToWal();
    void apply(const journal::Row& row);
    int readJournal(const QString& rel, qint64 from);
    // Right after a fax's row went in: the text file beside it into the fax text.
    void readFaxText(const journal::Row& row, const QDateTime& received, bool longName);
    ArchivedMessage fromRow(sqlite::Statement& st) const;
    // A prepared statement kept for the connection's life (the rebuild applies 100,000 rows).
    sqlite::Statement& cached(const char* sql);

    QString m_folder;
    sqlite::Database m_db;
    qint64 m_lastRow = 0;
    std::map<const char*, std::unique_ptr<sqlite::Statement>> m_statements;
};

// The words of a search as an FTS5 query: every word a prefix, all of them required; quotes and
// operators of the text are taken literally. Empty when the text holds no word.
QString ftsQuery(const QString& text);

} // namespace zarvo::archive
