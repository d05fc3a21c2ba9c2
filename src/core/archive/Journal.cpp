// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/archive/Journal.h"

#include "common/CsvFields.h"
#include "common/OutputFile.h"
#include "core/archive/ArchiveLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvo::archive::journal {

namespace {

constexpr int kColumns = 9;

QString systemReason(int error)
{
    return QString::fromStdString(FileErrorReason(error));
}

// What closes a record the journal ends in the middle of (a power cut during a write, a row cut
// back in vain, a hand edit without a last line end), so the next row stays a record of its own
// instead of being glued to it and lost: the closing quote of a field left open, then a line end.
// Empty for a journal that ends with a whole record.
QByteArray endOfTornRecord(int fd, off_t size)
{
    char last = '\n';
    if (::pread(fd, &last, 1, size - 1) != 1 || last == '\n')
        return {};
    // Rare: the journal is read once to find where its last whole record ends.
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    off_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes.data() + done, static_cast<size_t>(size - done), done);
        if (n <= 0)
            return QByteArrayLiteral("\r\n");
        done += n;
    }
    qsizetype used = 0;
    records(bytes, &used);
    return bytes.sliced(used).count('"') % 2 != 0 ? QByteArrayLiteral("\"\r\n") : QByteArrayLiteral("\r\n");
}

} // namespace

QString header()
{
    return QStringLiteral("Geschrieben;Eintrag;ID;Art;Rufnummer;Empfangen;Umfang;Dateien;Wert");
}

QByteArray line(const Row& row)
{
    const QStringList fields = {row.written,
                                row.entry,
                                row.id,
                                row.kind,
                                row.caller,
                                row.received,
                                QString::number(row.amount),
                                row.files.join(u','),
                                row.value};
    QStringList out;
    for (const QString& f : fields)
        out << csv::field(f);
    return (out.join(u';') + QStringLiteral("\r\n")).toUtf8();
}

QStringList records(const QByteArray& bytes, qsizetype* used)
{
    QStringList out;
    qsizetype start = 0;
    bool inQuotes = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '"')
            inQuotes = !inQuotes; // a doubled quote toggles twice
        if (c != '\n' || inQuotes)
            continue;
        QString record = QString::fromUtf8(bytes.constData() + start, i - start);
        start = i + 1;
        if (record.endsWith(u'\r'))
            record.chop(1);
        out << record;
    }
    if (used)
        *used = start;
    return out;
}

qsizetype readRows(const QByteArray& bytes, const std::function<void(const Row&)>& onRow)
{
    qsizetype used = 0;
    for (const QString& record : records(bytes, &used)) {
        const QStringList f = csv::split(record);
        if (f.size() < kColumns || f[1] == QStringLiteral("Eintrag") || f[2].size() != 64)
            continue;
        Row row;
        row.written = f[0];
        row.entry = f[1];
        row.id = f[2].toLower();
        row.kind = f[3];
        row.caller = f[4];
        row.received = f[5];
        row.amount = f[6].toInt();
        row.files = f[7].isEmpty() ? QStringList() : f[7].split(u',');
        row.value = f[8];
        onRow(row);
    }
    return used;
}

Lock::Lock(const QString& archiveFolder)
{
    const QByteArray name = QFile::encodeName(archiveFolder + u'/' + layout::kLockName);
    m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (m_fd < 0) {
        m_problem = QStringLiteral("Sperrdatei %1 lässt sich nicht öffnen (%2)")
                        .arg(QFile::decodeName(name), systemReason(errno));
        return;
    }
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno == EINTR)
            continue;
        m_problem = QStringLiteral("Archiv lässt sich nicht sperren (%1)").arg(systemReason(errno));
        ::close(m_fd);
        m_fd = -1;
        return;
    }
}

Lock::~Lock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}

QString append(const QString& path, const QByteArray& record, bool sync)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return QStringLiteral("Journal %1 lässt sich nicht öffnen (%2)").arg(path, systemReason(errno));
    struct stat st {};
    QString problem;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return QStringLiteral("Journal %1 ist keine gewöhnliche Datei").arg(path);
    }
    // A new journal gets its header in the same write as its first row.
    const QByteArray bytes = st.st_size == 0 ? csv::kByteOrderMark + header().toUtf8() + "\r\n" + record
                                             : endOfTornRecord(fd, st.st_size) + record;
    ssize_t done = 0;
    do
        done = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    while (done < 0 && errno == EINTR);
    if (done != bytes.size()) {
        const int error = done < 0 ? errno : ENOSPC;
        // Never leave half a row: the next one would be glued to it.
        if (done > 0 && ::ftruncate(fd, st.st_size) != 0)
            problem = QStringLiteral("Journal %1 hat eine halbe Zeile (%2)").arg(path, systemReason(errno));
        else
            problem = QStringLiteral("Journal %1 nicht geschrieben (%2)").arg(path, systemReason(error));
    }
    else if (sync && ::fdatasync(fd) != 0)
        problem = QStringLiteral("Journal %1 nicht gesichert (%2)").arg(path, systemReason(errno));
    ::close(fd);
    if (problem.isEmpty() && st.st_size == 0)
        syncFolder(QFileInfo(path).absolutePath());
    return problem;
}

QStringList journalFiles(const QString& archiveFolder)
{
    QStringList files;
    const QDir root(archiveFolder);
    const QStringList years =
        root.entryList({QStringLiteral("[0-9][0-9][0-9][0-9]")}, QDir::Dirs, QDir::Name);
    for (const QString& year : years) {
        const QStringList months =
            QDir(root.filePath(year)).entryList({QStringLiteral("[0-9][0-9]")}, QDir::Dirs, QDir::Name);
        for (const QString& month : months) {
            const QString rel = year + u'/' + month + u'/' + layout::kJournalName;
            if (QFileInfo(root.filePath(rel)).isFile())
                files << rel;
        }
    }
    return files;
}

FileSystemSync::FileSystemSync(const QString& folder)
    : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
}

FileSystemSync::~FileSystemSync()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileSystemSync::sync()
{
    return m_fd >= 0 && ::syncfs(m_fd) == 0;
}

bool syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Some file systems (network shares, some FUSE ones) cannot sync a folder at all.
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP || errno == EROFS;
    ::close(fd);
    return ok;
}

} // namespace zarvo::archive::journal
