// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/archive/ArchiveIndex.h"

#include "core/archive/ArchiveLayout.h"
#include "ocr/OcrTextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <chrono>
#include <limits>
#include <sqlite3.h>
#include <sys/vfs.h>
#include <thread>

namespace zarvo::archive {

namespace {

constexpr int kSchemaVersion = 3;
constexpr qint64 kHeardBit = 128;
constexpr qint64 kLongNameBit = 64;
constexpr qint64 kFileMask = 31;

constexpr quint64 kSignBit = quint64(1) << 63;

// The hash's first 8 bytes as an integer key that keeps the hash order (the sign bit flipped); the
// row keeps only the other 24 bytes.
qint64 keyOf(const QByteArray& hash)
{
    quint64 v = 0;
    for (int i = 0; i < 8 && i < hash.size(); ++i)
        v = (v << 8) | static_cast<quint8>(hash[i]);
    return static_cast<qint64>(v ^ kSignBit);
}

QByteArray restOf(const QByteArray& hash)
{
    return hash.mid(8);
}

QString idOf(qint64 key, const QByteArray& rest)
{
    quint64 v = static_cast<quint64>(key) ^ kSignBit;
    QByteArray head(8, '\0');
    for (int i = 7; i >= 0; --i, v >>= 8)
        head[i] = static_cast<char>(v & 0xff);
    return QString::fromLatin1((head + rest).toHex());
}

QByteArray hashOf(const QString& id)
{
    return QByteArray::fromHex(id.toLatin1());
}

// Network file systems, where SQLite's write-ahead log and locks are not safe.
bool localFileSystem(const QString& folder)
{
    struct statfs fs {};
    if (::statfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x65735546UL: // FUSE (sshfs and friends)
    case 0x5346414FUL: // AFS
    case 0x00C36400UL: // Ceph
    case 0x73757245UL: // Coda
        return false;
    default:
        return true;
    }
}

const char* kSchema = R"sql(
CREATE TABLE msg(
  id INTEGER PRIMARY KEY,
  h64 INTEGER NOT NULL,
  rest BLOB NOT NULL,
  received INTEGER NOT NULL,
  off INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  amount INTEGER NOT NULL,
  bits INTEGER NOT NULL,
  caller TEXT NOT NULL,
  note TEXT NOT NULL DEFAULT '');
CREATE INDEX msg_h ON msg(h64);
CREATE INDEX msg_r ON msg(received);
CREATE TABLE gone(hash BLOB PRIMARY KEY) WITHOUT ROWID;
CREATE TABLE journal(path TEXT PRIMARY KEY, size INTEGER NOT NULL) WITHOUT ROWID;
CREATE VIRTUAL TABLE msg_text USING fts5(caller, note, content='msg', content_rowid='id',
  tokenize="unicode61 remove_diacritics 2", detail=none, columnsize=0);
CREATE TRIGGER msg_ai AFTER INSERT ON msg BEGIN
  INSERT INTO msg_text(rowid, caller, note) VALUES (new.id, new.caller, new.note);
END;
CREATE TRIGGER msg_ad AFTER DELETE ON msg BEGIN
  INSERT INTO msg_text(msg_text, rowid, caller, note) VALUES ('delete', old.id, old.caller, old.note);
  DELETE FROM faxtext WHERE msg = old.id;
END;
CREATE TRIGGER msg_au AFTER UPDATE OF caller, note ON msg BEGIN
  INSERT INTO msg_text(msg_text, rowid, caller, note) VALUES ('delete', old.id, old.caller, old.note);
  INSERT INTO msg_text(rowid, caller, note) VALUES (new.id, new.caller, new.note);
END;
CREATE TABLE faxtext(msg INTEGER NOT NULL, page INTEGER NOT NULL, text TEXT NOT NULL, PRIMARY KEY(msg, page));
CREATE VIRTUAL TABLE fax_text USING fts5(text, content='faxtext', content_rowid='rowid',
  tokenize="unicode61 remove_diacritics 2", detail=none, columnsize=0);
CREATE TRIGGER fax_ai AFTER INSERT ON faxtext BEGIN
  INSERT INTO fax_text(rowid, text) VALUES (new.rowid, new.text);
END;
CREATE TRIGGER fax_ad AFTER DELETE ON faxtext BEGIN
  INSERT INTO fax_text(fax_text, rowid, text) VALUES ('delete', old.rowid, old.text);
END;
)sql";

const char* kColumnsSql = "SELECT rest, received, off, kind, amount, bits, caller, note, id, h64 FROM msg ";

void removeIndexFiles(const QString& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

} // namespace

QString ftsQuery(const QString& text)
{
    // The index keeps no positions (it stays small), so every term must be a single token: the
    // text is cut wherever the tokenizer would cut it.
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}\\p{N}\\p{M}]+"));
    QStringList terms;
    for (const QString& word : text.split(separators, Qt::SkipEmptyParts))
        terms << u'"' + word + QStringLiteral("\"*");
    return terms.join(u' ');
}

ArchiveIndex::ArchiveIndex(const QString& path, const QString& archiveFolder, bool& replaced)
    : m_folder(archiveFolder)
{
    replaced = false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const bool existed = QFileInfo::exists(path);
    try {
        m_db = sqlite::Database(path);
        m_db.exec("PRAGMA busy_timeout = 10000");
        // Version 0 is an index another process is just creating; any other version is older.
        const int version = m_db.textOf("PRAGMA user_version").toInt();
        if (existed && (m_db.textOf("PRAGMA quick_check") != QStringLiteral("ok") ||
                        (version != 0 && version != kSchemaVersion)))
            throw sqlite::Error("damaged", 11);
    }
    catch (const sqlite::Error& e) {
        // Busy is another process at work on a sound index, never a reason to replace it.
        const int primary = e.code() & 0xff;
        if (!existed || primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
            throw;
        m_db.close();
        removeIndexFiles(path);
        m_db = sqlite::Database(path);
        m_db.exec("PRAGMA busy_timeout = 10000");
        replaced = true;
    }
    if (localFileSystem(QFileInfo(path).absolutePath()))
        switchToWal();
    m_db.exec("PRAGMA synchronous = NORMAL");
    if (m_db.textOf("PRAGMA user_version").toInt() != kSchemaVersion)
        createSchema();
}

void ArchiveIndex::switchToWal()
{
    // The switch needs the file to itself and does not wait through the busy timeout: while another
    // process is just creating the same index it fails at once, so it is tried again for a while.
    for (int attempt = 0;; ++attempt) {
        try {
            if (m_db.textOf("PRAGMA journal_mode") != QStringLiteral("wal"))
                m_db.exec("PRAGMA journal_mode = WAL");
            return;
        }
        catch (const sqlite::Error& e) {
            const int primary = e.code() & 0xff;
            if ((primary != SQLITE_BUSY && primary != SQLITE_LOCKED) || attempt >= 200)
                throw;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

void ArchiveIndex::createSchema()
{
    sqlite::Transaction t(m_db);
    // Another process may have made it meanwhile.
    if (m_db.textOf("PRAGMA user_version").toInt() == kSchemaVersion)
        return;
    m_db.exec(kSchema);
    m_db.exec("PRAGMA user_version = 3");
    t.commit();
}

int ArchiveIndex::readJournal(const QString& rel, qint64 from)
{
    QFile file(m_folder + u'/' + rel);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        return 0;
    const QByteArray bytes = file.readAll();
    int rows = 0;
    const qsizetype used = journal::readRows(bytes, [&](const journal::Row& row) {
        apply(row);
        ++rows;
    });
    sqlite::Statement st(m_db, "INSERT OR REPLACE INTO journal(path, size) VALUES (?1, ?2)");
    st.bind(1, rel).bind(2, from + used).run();
    return rows;
}

int ArchiveIndex::catchUp()
{
    const QStringList journals = journal::journalFiles(m_folder);
    sqlite::Statement known(m_db, "SELECT size FROM journal WHERE path = ?1");
    // A first look without the write lock: usually nothing has changed.
    std::vector<std::pair<QString, qint64>> todo;
    bool shrank = false;
    for (const QString& rel : journals) {
        known.bind(1, rel);
        const qint64 have = known.step() ? known.integer(0) : 0;
        known.reset();
        const qint64 size = QFileInfo(m_folder + u'/' + rel).size();
        if (size < have)
            shrank = true;
        else if (size > have)
            todo.emplace_back(rel, have);
    }
    // A journal the index read that is gone now (a month folder or the whole archive folder deleted
    // or moved away): its messages are not in the archive any more, whatever the index remembers.
    if (!shrank) {
        const QSet<QString> present(journals.cbegin(), journals.cend());
        sqlite::Statement read(m_db, "SELECT path FROM journal WHERE size > 0");
        while (!shrank && read.step())
            shrank = !present.contains(read.text(0));
    }
    if (shrank)
        return rebuild();
    if (todo.empty())
        return 0;
    sqlite::Transaction t(m_db);
    int rows = 0;
    for (const auto& [rel, ignored] : todo) {
        // Read again under the write lock: another process may have caught up meanwhile.
        known.bind(1, rel);
        const qint64 have = known.step() ? known.integer(0) : 0;
        known.reset();
        rows += readJournal(rel, have);
    }
    t.commit();
    return rows;
}

int ArchiveIndex::rebuild()
{
    sqlite::Transaction t(m_db);
    m_db.exec("DELETE FROM msg; DELETE FROM gone; DELETE FROM journal; DELETE FROM faxtext;"
              "INSERT INTO msg_text(msg_text) VALUES ('delete-all');"
              "INSERT INTO fax_text(fax_text) VALUES ('delete-all');");
    int rows = 0;
    for (const QString& rel : journal::journalFiles(m_folder))
        rows += readJournal(rel, 0);
    t.commit();
    return rows;
}

void ArchiveIndex::record(const std::vector<journal::Row>& rows, const QMap<QString, qint64>& journalSizes)
{
    sqlite::Transaction t(m_db);
    for (const journal::Row& row : rows)
        apply(row);
    sqlite::Statement& st = cached("INSERT OR REPLACE INTO journal(path, size) VALUES (?1, ?2)");
    for (auto it = journalSizes.cbegin(); it != journalSizes.cend(); ++it)
        st.bind(1, it.key()).bind(2, it.value()).run();
    t.commit();
}

sqlite::Statement& ArchiveIndex::cached(const char* sql)
{
    std::unique_ptr<sqlite::Statement>& st = m_statements[sql];
    if (!st)
        st = std::make_unique<sqlite::Statement>(m_db, sql);
    st->reset();
    return *st;
}

void ArchiveIndex::apply(const journal::Row& row)
{
    const QByteArray hash = hashOf(row.id);
    const qint64 key = keyOf(hash);
    const QByteArray rest = restOf(hash);
    if (row.entry == journal::kMessage) {
        const QDateTime received = layout::fromIso(row.received);
        if (!received.isValid())
            return;
        sqlite::Statement& revive = cached("DELETE FROM gone WHERE hash = ?1");
        revive.bind(1, hash).run();
        sqlite::Statement& there = cached("SELECT 1 FROM msg WHERE h64 = ?1 AND rest = ?2");
        there.bind(1, key).bind(2, rest);
        const bool known = there.step();
        there.reset();
        if (known)
            return;
        qint64 bits = layout::bitsOfFiles(row.files);
        for (const QString& f : row.files)
            if (layout::idLengthOf(f) == layout::kLongIdLength)
                bits |= kLongNameBit;
        sqlite::Statement& st =
            cached("INSERT INTO msg(h64, rest, received, off, kind, amount, bits, caller) "
                   "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        st.bind(1, key)
            .bind(2, rest)
            .bind(3, received.toSecsSinceEpoch())
            .bind(4, received.offsetFromUtc())
            .bind(5, static_cast<qint64>(kindFromText(row.kind)))
            .bind(6, row.amount)
            .bind(7, bits)
            .bind(8, row.caller)
            .run();
        if (kindFromText(row.kind) == MessageKind::Fax)
            readFaxText(row, received, (bits & kLongNameBit) != 0);
    }
    else if (row.entry == journal::kHeard) {
        sqlite::Statement& st =
            cached("UPDATE msg SET bits = (bits & ~128) | ?3 WHERE h64 = ?1 AND rest = ?2");
        st.bind(1, key).bind(2, rest).bind(3, row.value == QStringLiteral("ja") ? kHeardBit : 0).run();
    }
    else if (row.entry == journal::kNote) {
        sqlite::Statement& st = cached("UPDATE msg SET note = ?3 WHERE h64 = ?1 AND rest = ?2");
        st.bind(1, key).bind(2, rest).bind(3, row.value).run();
    }
    else if (row.entry == journal::kFiles) {
        const qint64 bits = layout::bitsOfFiles(row.files);
        if (bits == 0) {
            sqlite::Statement& st = cached("DELETE FROM msg WHERE h64 = ?1 AND rest = ?2");
            st.bind(1, key).bind(2, rest).run();
        }
        else {
            sqlite::Statement st(m_db,
                                 "UPDATE msg SET bits = (bits & ~31) | ?3 WHERE h64 = ?1 AND rest = ?2");
            st.bind(1, key).bind(2, rest).bind(3, bits).run();
        }
    }
    else if (row.entry == journal::kTrash) {
        sqlite::Statement& del = cached("DELETE FROM msg WHERE h64 = ?1 AND rest = ?2");
        del.bind(1, key).bind(2, rest).run();
        sqlite::Statement& gone = cached("INSERT OR IGNORE INTO gone(hash) VALUES (?1)");
        gone.bind(1, hash).run();
    }
}

void ArchiveIndex::readFaxText(const journal::Row& row, const QDateTime& received, bool longName)
{
    // The recognised text beside the fax comes back with the message, so a rebuilt index (or a
    // fax another machine recognised) is searchable without reading its pages again.
    const QString base = layout::baseName(received, MessageKind::Fax, row.id,
                                          longName ? layout::kLongIdLength : layout::kShortIdLength);
    QFile file(m_folder + u'/' + base + QStringLiteral(".txt"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    const OcrTextRead read = ReadOcrTextFile(std::string_view(bytes.constData(), size_t(bytes.size())));
    if (!read.known)
        return;
    const qint64 msg = sqlite3_last_insert_rowid(m_db.handle());
    sqlite::Statement& st = cached("INSERT OR IGNORE INTO faxtext(msg, page, text) VALUES (?1, ?2, ?3)");
    for (const OcrPage& page : read.pages) {
        const QString text = QString::fromStdString(page.text());
        if (!text.isEmpty())
            st.bind(1, msg).bind(2, page.number).bind(3, text).run();
    }
}

QString ArchiveIndex::baseOf(const ArchivedMessage& m, bool longName)
{
    return layout::baseName(m.received, m.kind, m.id,
                            longName ? layout::kLongIdLength : layout::kShortIdLength);
}

ArchivedMessage ArchiveIndex::fromRow(sqlite::Statement& st) const
{
    ArchivedMessage m;
    m.id = idOf(st.integer(9), st.blob(0));
    m.received =
        QDateTime::fromSecsSinceEpoch(st.integer(1), Qt::OffsetFromUTC, static_cast<int>(st.integer(2)));
    m.kind = static_cast<MessageKind>(st.integer(3));
    m.amount = static_cast<int>(st.integer(4));
    const qint64 bits = st.integer(5);
    m.heard = (bits & kHeardBit) != 0;
    m.caller = st.text(6);
    m.note = st.text(7);
    for (const QString& rel :
         layout::fileNames(baseOf(m, bits & kLongNameBit), static_cast<int>(bits & kFileMask)))
        m.files << m_folder + u'/' + rel;
    return m;
}

std::optional<ArchivedMessage> ArchiveIndex::find(const QString& id)
{
    const QByteArray hash = hashOf(id);
    if (hash.size() != 32)
        return std::nullopt;
    sqlite::Statement st(m_db, (QByteArray(kColumnsSql) + "WHERE h64 = ?1 AND rest = ?2").constData());
    st.bind(1, keyOf(hash)).bind(2, restOf(hash));
    if (!st.step())
        return std::nullopt;
    return fromRow(st);
}

std::vector<ArchivedMessage> ArchiveIndex::byPrefix(const QString& prefix)
{
    std::vector<ArchivedMessage> found;
    const QString p = prefix.toLower();
    if (p.size() < 4 || p.size() > 64 ||
        QByteArray::fromHex(p.toLatin1()).toHex().left(p.size()) != p.toLatin1())
        return found;
    const QString lowHex = p.left(16).leftJustified(16, u'0');
    const QString highHex = p.left(16).leftJustified(16, u'f');
    sqlite::Statement st(m_db, (QByteArray(kColumnsSql) + "WHERE h64 BETWEEN ?1 AND ?2").constData());
    st.bind(1, keyOf(QByteArray::fromHex(lowHex.toLatin1())))
        .bind(2, keyOf(QByteArray::fromHex(highHex.toLatin1())));
    while (st.step()) {
        ArchivedMessage m = fromRow(st);
        if (m.id.startsWith(p))
            found.push_back(std::move(m));
    }
    return found;
}

bool ArchiveIndex::trashed(const QString& id)
{
    sqlite::Statement st(m_db, "SELECT 1 FROM gone WHERE hash = ?1");
    st.bind(1, hashOf(id));
    return st.step();
}

ListPage ArchiveIndex::list(const ListFilter& filter, const std::optional<ListCursor>& after, int limit)
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    const bool up = filter.oldestFirst;
    const QString match = ftsQuery(filter.text);
    // Keyset paging: the (received, id) pair of the last row shown bounds the next page, so a page
    // deep in the list costs what the first one does.
    QByteArray sql = QByteArray(kColumnsSql);
    if (!match.isEmpty()) {
        // The faxes with a page holding all the words, each with its first such page ("Seite 2"),
        // found once for the whole list.
        sql.prepend("WITH hits(msg, page) AS MATERIALIZED (SELECT f.msg, min(f.page) FROM faxtext f "
                    "JOIN fax_text ON fax_text.rowid = f.rowid WHERE fax_text MATCH ?7 GROUP BY f.msg) ");
        sql.replace(" FROM msg ", ", (SELECT page FROM hits WHERE hits.msg = msg.id) FROM msg ");
    }
    sql += up ? "WHERE (received, id) > (?1, ?2) " : "WHERE (received, id) < (?1, ?2) ";
    sql += "AND received >= ?3 AND received < ?4 AND (?5 < 0 OR kind = ?5) ";
    if (!match.isEmpty())
        sql += "AND id IN (SELECT rowid FROM msg_text WHERE msg_text MATCH ?7 UNION SELECT msg FROM hits) ";
    sql += up ? "ORDER BY received, id LIMIT ?6" : "ORDER BY received DESC, id DESC LIMIT ?6";
    sqlite::Statement st(m_db, sql.constData());
    st.bind(1, after ? after->received : (up ? kMin : kMax))
        .bind(2, after ? after->row : (up ? kMin : kMax))
        .bind(3, filter.from.isValid() ? filter.from.toSecsSinceEpoch() : kMin)
        .bind(4, filter.to.isValid() ? filter.to.toSecsSinceEpoch() : kMax)
        .bind(5, filter.kind ? static_cast<qint64>(*filter.kind) : -1)
        .bind(6, limit + 1);
    if (!match.isEmpty())
        st.bind(7, match);
    else if (!filter.text.trimmed().isEmpty())
        return {}; // only punctuation: nothing can match
    ListPage page;
    while (st.step()) {
        if (static_cast<int>(page.messages.size()) == limit) {
            const ArchivedMessage& last = page.messages.back();
            page.next = ListCursor{last.received.toSecsSinceEpoch(), m_lastRow};
            break;
        }
        page.messages.push_back(fromRow(st));
        if (!match.isEmpty() && !st.isNull(10))
            page.messages.back().hitPage = static_cast<int>(st.integer(10));
        m_lastRow = st.integer(8);
    }
    return page;
}

std::vector<ArchivedMessage> ArchiveIndex::all()
{
    std::vector<ArchivedMessage> out;
    sqlite::Statement st(m_db, (QByteArray(kColumnsSql) + "ORDER BY received, id").constData());
    while (st.step())
        out.push_back(fromRow(st));
    return out;
}

qint64 ArchiveIndex::count()
{
    return m_db.textOf("SELECT count(*) FROM msg").toLongLong();
}

qint64 ArchiveIndex::fileBytes()
{
    m_db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    return m_db.textOf("PRAGMA page_count").toLongLong() * m_db.textOf("PRAGMA page_size").toLongLong();
}

void ArchiveIndex::setFaxText(const QString& id, int page, const QString& text)
{
    const QByteArray hash = hashOf(id);
    sqlite::Transaction t(m_db);
    sqlite::Statement del(m_db, "DELETE FROM faxtext WHERE msg = (SELECT id FROM msg WHERE h64 = ?1 AND "
                                "rest = ?2) AND page = ?3");
    del.bind(1, keyOf(hash)).bind(2, restOf(hash)).bind(3, page).run();
    if (!text.isEmpty()) {
        sqlite::Statement ins(m_db, "INSERT INTO faxtext(msg, page, text) SELECT id, ?3, ?4 FROM msg "
                                    "WHERE h64 = ?1 AND rest = ?2");
        ins.bind(1, keyOf(hash)).bind(2, restOf(hash)).bind(3, page).bind(4, text).run();
    }
    t.commit();
}

} // namespace zarvo::archive
