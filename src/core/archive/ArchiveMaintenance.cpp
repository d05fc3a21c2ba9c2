// SPDX-License-Identifier: GPL-3.0-or-later
// Archive: the trash and the check of files against index and journals.
#include "core/archive/Archive.h"

#include "common/OutputFile.h"

#include "core/archive/ArchiveIndex.h"
#include "core/archive/ArchiveLayout.h"
#include "core/archive/Journal.h"
#include "core/archive/Renditions.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>

namespace zarvo::archive {

namespace {

QString relativeTo(const QString& root, const QString& path)
{
    return path.mid(root.size() + 1);
}

// Empty when nothing is at the path; else why the file there cannot be checked.
QString notGone(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? QString()
                               : QStringLiteral("%1 lässt sich nicht prüfen (%2)")
                                     .arg(path, QString::fromStdString(FileErrorReason(errno)));
    return QStringLiteral("%1 ist keine gewöhnliche Datei").arg(path);
}

} // namespace

QString Archive::dropFiles(const ArchivedMessage& m, const QStringList& remainingAbs)
{
    journal::Row row = rowFor(m, journal::kFiles);
    for (const QString& path : remainingAbs)
        row.files << relativeTo(m_folder, path);
    return appendRow(row, m.received);
}

QString Archive::trash(const QString& id)
{
    journal::Lock lock(m_folder);
    if (!lock.held())
        return lock.problem();
    try {
        m_index->catchUp();
        const auto m = m_index->find(id.toLower());
        if (!m)
            return QStringLiteral("Nachricht %1 gibt es im Archiv nicht").arg(id);
        QStringList stayed;
        QStringList problems;
        // Without the data folder Qt finds no trash and may make one in the working folder.
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        for (const QString& path : m->files) {
            if (!QFileInfo::exists(path))
                continue;
            QString inTrash;
            const bool moved = QFile::moveToTrash(path, &inTrash);
            if (moved && QDir::isRelativePath(inTrash))
                QFile::rename(inTrash, path); // a stray trash is no trash: the file goes back
            if (!moved || QDir::isRelativePath(inTrash)) {
                stayed << path;
                problems << QStringLiteral("%1 ließ sich nicht in den Papierkorb legen").arg(path);
            }
        }
        if (!stayed.isEmpty()) {
            // What went to the trash is gone from the message; the rest stays in the archive.
            if (stayed.size() != m->files.size())
                problems << dropFiles(*m, stayed);
            problems.removeAll(QString());
            return problems.join(QStringLiteral("; "));
        }
        if (const QString text = m->textFile(); QFileInfo::exists(text))
            QFile::moveToTrash(text); // the text can always be recognised again
        return appendRow(rowFor(*m, journal::kTrash), m->received);
    }
    catch (const sqlite::Error& e) {
        return QStringLiteral("Verzeichnis des Archivs: %1").arg(QString::fromUtf8(e.what()));
    }
}

std::vector<CheckFinding> Archive::check(bool repair)
{
    std::vector<CheckFinding> findings;
    journal::Lock lock(m_folder);
    if (!lock.held()) {
        findings.push_back({CheckFinding::Missing, QString(), m_folder, lock.problem()});
        return findings;
    }
    m_index->catchUp();
    QSet<QString> known;
    for (const ArchivedMessage& m : m_index->all()) {
        QStringList present;
        QStringList missing;
        bool rawIntact = false;
        if (const QString text = m.textFile(); !text.isEmpty())
            known.insert(text);
        for (const QString& path : m.files) {
            known.insert(path);
            if (!QFileInfo(path).isFile()) {
                // Only what is really gone may be dropped; what cannot be looked at now (no permission,
                // a read error, something else at its name) is reported and kept.
                if (const QString why = notGone(path); why.isEmpty())
                    missing << path;
                else
                    findings.push_back({CheckFinding::Missing, m.id, path, why});
                continue;
            }
            present << path;
            if (!path.endsWith(QStringLiteral(".msg")))
                continue;
            QFile f(path);
            QCryptographicHash h(QCryptographicHash::Sha256);
            if (f.open(QIODevice::ReadOnly) && h.addData(&f) && h.result().toHex() == m.id.toLatin1())
                rawIntact = true;
            else
                findings.push_back({CheckFinding::Changed, m.id, path,
                                    QStringLiteral("%1 hält nicht mehr die empfangenen Bytes").arg(path)});
        }
        for (const QString& path : missing)
            findings.push_back({CheckFinding::Missing, m.id, path, QStringLiteral("%1 fehlt").arg(path)});
        if (!repair || missing.isEmpty())
            continue;
        QByteArray downloaded;
        if (rawIntact) {
            QFile f(m.files.front());
            if (f.open(QIODevice::ReadOnly))
                downloaded = f.readAll();
        }
        QStringList dropped;
        for (const QString& path : missing) {
            const auto bit = layout::FileBit(layout::bitsOfFiles({path}));
            if (!downloaded.isEmpty() && bit != layout::Msg &&
                renditions().remake(downloaded, bit, path).isEmpty()) {
                present << path;
                findings.push_back({CheckFinding::Repaired, m.id, path,
                                    QStringLiteral("%1 aus den empfangenen Bytes neu erstellt").arg(path)});
            }
            else {
                dropped << path;
                findings.push_back({CheckFinding::Dropped, m.id, path,
                                    QStringLiteral("%1 aus dem Archiv gestrichen").arg(path)});
            }
        }
        if (!dropped.isEmpty()) {
            // Keep the archive's order of files: the downloaded bytes first.
            QStringList remaining;
            for (const QString& path : m.files)
                if (present.contains(path))
                    remaining << path;
            const QString problem = dropFiles(m, remaining);
            if (!problem.isEmpty())
                findings.push_back({CheckFinding::Missing, m.id, m.files.front(), problem});
        }
    }
    // Files nobody archived: reported, never taken in as messages.
    const QDir root(m_folder);
    for (const QString& year : root.entryList({QStringLiteral("[0-9][0-9][0-9][0-9]")}, QDir::Dirs)) {
        QDirIterator it(root.filePath(year), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (known.contains(path) || it.fileName() == layout::kJournalName)
                continue;
            findings.push_back({CheckFinding::Stray, QString(), path,
                                QStringLiteral("%1 gehört zu keiner Nachricht des Archivs").arg(path)});
        }
    }
    return findings;
}

} // namespace zarvo::archive
