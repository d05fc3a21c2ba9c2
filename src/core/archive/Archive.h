// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/archive/ArchiveTypes.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace zarvo::archive {

class ArchiveIndex;
class Renditions;
namespace journal {
struct Row;
}

// The message archive: every message kept once, forever, in a folder of plain files (the truth:
// the downloaded bytes, the files people open, a journal per month), with an SQLite index in the
// cache folder that is rebuilt from the journals whenever it is missing or damaged. Any number of
// Archive objects and processes may use one folder at once: writes go under a lock of the folder.
//
//   QString problem;
//   auto archive = Archive::open(ProgramPaths::archiveFolder(), ProgramPaths::archiveIndexFile(), &problem);
//   AddResult r = archive->add({MessageKind::Fax, caller, received, pages, data});
class Archive {
  public:
    // Creates the folder when needed and opens (or rebuilds) the index; nullptr with `problem` set
    // (German) when the folder or the index cannot be used.
    static std::unique_ptr<Archive> open(const QString& folder, const QString& indexPath, QString* problem);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    const QString& folder() const { return m_folder; }
    // Set when open() found the index missing or damaged and built it again from the journals;
    // rebuildNote() says so in German for the user.
    bool indexRebuilt() const { return m_rebuilt; }
    QString rebuildNote() const;

    // Stores one message unless its bytes are there already (or were put into the trash).
    AddResult add(const ArchivedMessageInput& input);
    // Many at once under one lock (an import); `progress` hears (done, total).
    std::vector<AddResult> addMany(const std::vector<ArchivedMessageInput>& inputs,
                                   const std::function<void(int, int)>& progress = {});

    // Newest first; `after` continues a list where its last page ended.
    ListPage list(const ListFilter& filter, const std::optional<ListCursor>& after = std::nullopt,
                  int limit = 100);
    std::vector<ArchivedMessage> search(const QString& text, int limit = 100);
    // A full id, or the beginning of one (at least 4 digits) that only one message has.
    std::optional<ArchivedMessage> get(const QString& idOrPrefix, QString* problem = nullptr);

    // The marks; an empty text on success, else why not (German).
    QString setHeard(const QString& id, bool heard);
    QString setNote(const QString& id, const QString& note);
    // Moves the message's files to the desktop's trash and forgets the message; the same bytes
    // arriving again later are not stored again.
    QString trash(const QString& id);
    // The recognised text of one page of a fax (page from 1), for the search.
    QString setFaxText(const QString& id, int page, const QString& text);

    // Every file against index and journal: missing, changed (downloaded bytes that no longer match
    // the id) and stray files. With `repair` a missing file that the downloaded bytes can give again
    // is made again, other missing files are dropped from their message (by a journal row).
    std::vector<CheckFinding> check(bool repair);

    // Reads what other processes wrote to the journals meanwhile.
    void refresh();
    qint64 count();
    qint64 indexBytes();

  private:
    Archive(QString folder, std::unique_ptr<ArchiveIndex> index, bool rebuilt);
    // Writes a message's files and fills its journal row; under the lock.
    AddResult storeFiles(const ArchivedMessageInput& input, journal::Row& row);
    // Writes again what is missing of a known message's files; empty text when all are there.
    QString restoreFiles(const ArchivedMessage& m, const QByteArray& downloaded);
    // Appends to the journal of the message's month and records the row in the index. Under the lock.
    QString appendRow(const journal::Row& row, const QDateTime& received);
    QString mark(const QString& id, const QString& entry, const QString& value);
    // A journal row about a message already in the archive, written now.
    static journal::Row rowFor(const ArchivedMessage& m, const QString& entry);
    // A journal row that drops files (or, with none left, the message); under the lock.
    QString dropFiles(const ArchivedMessage& m, const QStringList& remainingAbs);
    Renditions& renditions(); // made on first use: it holds a modem component

    QString m_folder;
    std::unique_ptr<ArchiveIndex> m_index;
    std::unique_ptr<Renditions> m_renditions;
    bool m_rebuilt = false;
};

} // namespace zarvo::archive
