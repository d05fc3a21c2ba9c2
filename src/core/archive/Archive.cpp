// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/archive/Archive.h"

#include "core/archive/ArchiveIndex.h"
#include "core/archive/ArchiveLayout.h"
#include "core/archive/Journal.h"
#include "core/archive/Renditions.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>

namespace zarvo::archive {

namespace {

QString sha256Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString fileSha256(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return QString::fromLatin1(h.result().toHex());
}

QString nowIso()
{
    const QDateTime now = QDateTime::currentDateTime();
    return layout::isoText(now.toOffsetFromUtc(now.offsetFromUtc()));
}

QString notThere(const QString& id)
{
    return QStringLiteral("Nachricht %1 gibt es im Archiv nicht").arg(id);
}

// Creates the month folder; the new folder names reach the disk before any file in them does.
bool makeMonthFolder(const QString& root, const QString& month)
{
    const QString dir = root + u'/' + month;
    if (QFileInfo(dir).isDir())
        return true;
    const QString year = root + u'/' + month.left(4);
    const bool newYear = !QFileInfo(year).isDir();
    if (!QDir().mkpath(dir))
        return false;
    journal::syncFolder(year);
    if (newYear)
        journal::syncFolder(root);
    return true;
}

} // namespace

Archive::Archive(QString folder, std::unique_ptr<ArchiveIndex> index, bool rebuilt)
    : m_folder(std::move(folder)), m_index(std::move(index)), m_rebuilt(rebuilt)
{
}

Archive::~Archive() = default;

std::unique_ptr<Archive> Archive::open(const QString& folder, const QString& indexPath, QString* problem)
{
    const QString root = QDir(folder).absolutePath();
    if (!QDir().mkpath(root)) {
        if (problem)
            *problem = QStringLiteral("Archivordner %1 lässt sich nicht anlegen").arg(root);
        return nullptr;
    }
    try {
        const bool existed = QFileInfo::exists(indexPath);
        bool replaced = false;
        auto index = std::make_unique<ArchiveIndex>(indexPath, root, replaced);
        const int rows = index->catchUp();
        // A new index over journals that already hold messages is a rebuild too.
        const bool rebuilt = replaced || (!existed && rows > 0);
        return std::unique_ptr<Archive>(new Archive(root, std::move(index), rebuilt));
    }
    catch (const sqlite::Error& e) {
        if (problem)
            *problem = QStringLiteral("Das Verzeichnis des Archivs (%1) lässt sich nicht öffnen: %2")
                           .arg(indexPath, QString::fromUtf8(e.what()));
        return nullptr;
    }
}

QString Archive::rebuildNote() const
{
    return m_rebuilt
               ? QStringLiteral("Das Verzeichnis des Archivs fehlte oder war beschädigt; es wurde aus den "
                                "Journalen im Archivordner neu aufgebaut.")
               : QString();
}

void Archive::refresh()
{
    m_index->catchUp();
}

qint64 Archive::count()
{
    return m_index->count();
}

qint64 Archive::indexBytes()
{
    return m_index->fileBytes();
}

AddResult Archive::add(const ArchivedMessageInput& input)
{
    return addMany({input}).front();
}

std::vector<AddResult> Archive::addMany(const std::vector<ArchivedMessageInput>& inputs,
                                        const std::function<void(int, int)>& progress)
{
    std::vector<AddResult> results;
    const auto failAll = [&](const QString& reason) {
        AddResult failed;
        failed.reason = reason;
        results.assign(inputs.size(), failed);
        return results;
    };
    journal::Lock lock(m_folder);
    if (!lock.held())
        return failAll(lock.problem());
    try {
        m_index->catchUp();
    }
    catch (const sqlite::Error& e) {
        return failAll(QStringLiteral("Verzeichnis des Archivs: %1").arg(QString::fromUtf8(e.what())));
    }
    // Many messages at once: their files reach the disk with one syncfs, not one flush each.
    const bool many = inputs.size() > 1;
    renditions().setDeferSync(many);
    journal::FileSystemSync fileSystem(m_folder);
    // First every message's files; the journal rows only once the files are safely on the disk.
    std::vector<std::pair<size_t, journal::Row>> pending;
    QSet<QString> months;
    QHash<QString, size_t> pendingIds;
    const int total = static_cast<int>(inputs.size());
    for (int i = 0; i < total; ++i) {
        journal::Row row;
        AddResult r = storeFiles(inputs[static_cast<size_t>(i)], row);
        // The same bytes twice in one batch: the second one is already there.
        if (const auto earlier = pendingIds.constFind(r.id);
            r.newlyStored() && earlier != pendingIds.cend()) {
            r.status = AddResult::AlreadyThere;
            r.files = results[*earlier].files;
        }
        if (r.newlyStored() && !row.id.isEmpty()) {
            pendingIds.insert(r.id, results.size());
            pending.emplace_back(results.size(), row);
            months.insert(row.files.front().left(7));
        }
        results.push_back(r);
        if (progress)
            progress(i + 1, total);
    }
    // A flush that fails (a full network share tells only now) keeps the rows out: no message may
    // count as stored while its files might not be on the disk.
    bool filesSafe = true;
    if (many)
        filesSafe = fileSystem.sync();
    else
        for (const QString& month : months)
            filesSafe = journal::syncFolder(m_folder + u'/' + month) && filesSafe;

    std::vector<journal::Row> written;
    QMap<QString, qint64> sizes;
    for (auto& [at, row] : pending) {
        const QString rel = row.files.front().left(7) + u'/' + layout::kJournalName;
        const QString problem =
            filesSafe ? journal::append(m_folder + u'/' + rel, journal::line(row), !many)
                      : QStringLiteral("Die Dateien der Nachricht erreichten den Datenträger nicht");
        if (!problem.isEmpty()) {
            // The files stay; a later add finds them identical and writes the row.
            results[at].status = AddResult::Failed;
            results[at].reason = problem;
            results[at].files.clear();
            continue;
        }
        written.push_back(row);
        sizes[rel] = 0;
    }
    if (many && !written.empty() && !fileSystem.sync())
        for (auto& [at, row] : pending)
            if (results[at].newlyStored()) {
                // The rows are in the journal but perhaps not on the disk: not reported as kept.
                results[at].status = AddResult::Failed;
                results[at].reason = QStringLiteral("Journal %1 nicht gesichert")
                                         .arg(row.files.front().left(7) + u'/' + layout::kJournalName);
            }
    for (auto it = sizes.begin(); it != sizes.end(); ++it)
        it.value() = QFileInfo(m_folder + u'/' + it.key()).size();
    try {
        m_index->record(written, sizes);
    }
    catch (const sqlite::Error&) {
        // The journal holds the rows: the index reads them at its next look.
    }
    return results;
}

// Files of a known message deleted by hand: the modem's copy may be the last one, so what its bytes
// can give is written again before the message counts as kept (and the modem may be erased).
QString Archive::restoreFiles(const ArchivedMessage& m, const QByteArray& downloaded)
{
    QSet<QString> folders;
    for (const QString& path : m.files) {
        // An import has no modem bytes, and its own files stay where they are.
        if (QFileInfo(path).isFile() || downloaded.isEmpty())
            continue;
        const QString problem =
            renditions().remake(downloaded, layout::FileBit(layout::bitsOfFiles({path})), path);
        if (!problem.isEmpty())
            return problem;
        folders.insert(QFileInfo(path).path());
    }
    for (const QString& folder : folders)
        if (!journal::syncFolder(folder))
            return QStringLiteral("Ordner %1 nicht gesichert").arg(folder);
    return QString();
}

AddResult Archive::storeFiles(const ArchivedMessageInput& input, journal::Row& row)
{
    AddResult r;
    if (input.downloaded.isEmpty() && input.takenFiles.isEmpty()) {
        r.reason = QStringLiteral("Die Nachricht hat keine Daten");
        return r;
    }
    if (!input.takenFiles.isEmpty()) {
        const QString id = fileSha256(input.takenFiles.front());
        if (id.isEmpty()) {
            r.reason = QStringLiteral("%1 lässt sich nicht lesen").arg(input.takenFiles.front());
            return r;
        }
        r.id = id;
    }
    else
        r.id = sha256Hex(input.downloaded);

    try {
        if (const auto there = m_index->find(r.id)) {
            r.files = there->files;
            r.reason = restoreFiles(*there, input.downloaded);
            if (r.reason.isEmpty())
                r.status = AddResult::AlreadyThere;
            return r;
        }
        if (m_index->trashed(r.id)) {
            r.status = AddResult::AlreadyThere;
            r.reason = QStringLiteral("Die Nachricht liegt im Papierkorb des Archivs");
            return r;
        }
    }
    catch (const sqlite::Error& e) {
        r.reason = QStringLiteral("Verzeichnis des Archivs: %1").arg(QString::fromUtf8(e.what()));
        return r;
    }
    QDateTime received = input.received.isValid() ? input.received : QDateTime::currentDateTime();
    received = received.toOffsetFromUtc(received.offsetFromUtc());
    if (!makeMonthFolder(m_folder, layout::monthFolder(received))) {
        r.reason = QStringLiteral("Ordner %1 lässt sich nicht anlegen")
                       .arg(m_folder + u'/' + layout::monthFolder(received));
        return r;
    }
    QString base = layout::baseName(received, input.kind, r.id, layout::kShortIdLength);
    Renditions::Written w = renditions().write(input, m_folder + u'/' + base);
    if (w.nameTaken) {
        base = layout::baseName(received, input.kind, r.id, layout::kLongIdLength);
        w = renditions().write(input, m_folder + u'/' + base);
    }
    if (!w.failure.isEmpty()) {
        r.reason = w.failure;
        return r;
    }
    row.written = nowIso();
    row.entry = journal::kMessage;
    row.id = r.id;
    row.kind = kindText(input.kind);
    row.caller = input.caller;
    row.received = layout::isoText(received);
    row.amount = input.amount;
    row.files = layout::fileNames(base, w.bits);
    r.status = AddResult::NewlyStored;
    r.reason = w.notes.join(QStringLiteral("; "));
    for (const QString& rel : row.files)
        r.files << m_folder + u'/' + rel;
    return r;
}

Renditions& Archive::renditions()
{
    if (!m_renditions)
        m_renditions = std::make_unique<Renditions>();
    return *m_renditions;
}

QString Archive::appendRow(const journal::Row& row, const QDateTime& received)
{
    const QString rel = layout::monthFolder(received) + u'/' + layout::kJournalName;
    const QString path = m_folder + u'/' + rel;
    const QString problem = journal::append(path, journal::line(row));
    if (!problem.isEmpty())
        return problem;
    m_index->record({row}, {{rel, QFileInfo(path).size()}});
    return QString();
}

ListPage Archive::list(const ListFilter& filter, const std::optional<ListCursor>& after, int limit)
{
    return m_index->list(filter, after, limit);
}

std::vector<ArchivedMessage> Archive::search(const QString& text, int limit)
{
    ListFilter filter;
    filter.text = text;
    return m_index->list(filter, std::nullopt, limit).messages;
}

std::optional<ArchivedMessage> Archive::get(const QString& idOrPrefix, QString* problem)
{
    const QString id = idOrPrefix.trimmed().toLower();
    if (id.size() == 64)
        if (auto m = m_index->find(id))
            return m;
    std::vector<ArchivedMessage> found = m_index->byPrefix(id);
    if (found.size() == 1)
        return std::move(found.front());
    if (problem)
        *problem = found.empty()
                       ? notThere(idOrPrefix)
                       : QStringLiteral("%1 passt zu mehreren Nachrichten, bitte mehr Ziffern angeben")
                             .arg(idOrPrefix);
    return std::nullopt;
}

journal::Row Archive::rowFor(const ArchivedMessage& m, const QString& entry)
{
    journal::Row row;
    row.written = nowIso();
    row.entry = entry;
    row.id = m.id;
    row.kind = kindText(m.kind);
    row.caller = m.caller;
    row.received = layout::isoText(m.received);
    row.amount = m.amount;
    return row;
}

QString Archive::mark(const QString& id, const QString& entry, const QString& value)
{
    journal::Lock lock(m_folder);
    if (!lock.held())
        return lock.problem();
    try {
        m_index->catchUp();
        const auto m = m_index->find(id.toLower());
        if (!m)
            return notThere(id);
        journal::Row row = rowFor(*m, entry);
        row.value = value;
        return appendRow(row, m->received);
    }
    catch (const sqlite::Error& e) {
        return QStringLiteral("Verzeichnis des Archivs: %1").arg(QString::fromUtf8(e.what()));
    }
}

QString Archive::setHeard(const QString& id, bool heard)
{
    return mark(id, journal::kHeard, heard ? QStringLiteral("ja") : QStringLiteral("nein"));
}

QString Archive::setNote(const QString& id, const QString& note)
{
    return mark(id, journal::kNote, note);
}

QString Archive::setFaxText(const QString& id, int page, const QString& text)
{
    try {
        if (!m_index->find(id.toLower()))
            return notThere(id);
        m_index->setFaxText(id.toLower(), page, text);
        return QString();
    }
    catch (const sqlite::Error& e) {
        return QStringLiteral("Verzeichnis des Archivs: %1").arg(QString::fromUtf8(e.what()));
    }
}

} // namespace zarvo::archive
