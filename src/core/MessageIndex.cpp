// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/MessageIndex.h"

#include "common/CsvFields.h"
#include "common/OutputFile.h"
#include "modem/ZarvoFields.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvo {

namespace {

// What makes two rows the same message: all but the files, the time taken to the minute (rows of
// earlier versions carry seconds that wandered between runs).
QStringList KeyOf(QStringList fields)
{
    fields = fields.mid(0, 5);
    if (fields.size() > 3)
        fields[3] = ReceptionTimeToMinute(fields[3]);
    return fields;
}

QStringList KeyOf(const MessageIndexRow& row)
{
    return KeyOf(QStringList{QString::number(row.Number), row.Kind, row.CallerId, row.Received, row.Size});
}

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

QString Problem(const std::string& reason)
{
    return QStringLiteral("%1 konnte nicht geschrieben werden (%2)")
        .arg(kMessageIndexName, QString::fromStdString(reason));
}

QString Problem(int error)
{
    return Problem(FileErrorReason(error));
}

} // namespace

QString MessageIndexHeader()
{
    return QString::fromUtf8("Nummer;Art;Rufnummer;Empfangszeit;Größe;Dateien");
}

QString MessageIndexLine(const MessageIndexRow& row)
{
    const QStringList fields = {QString::number(row.Number), row.Kind, row.CallerId, row.Received, row.Size,
                                row.Files.join(u',')};
    QStringList out;
    for (const QString& f : fields)
        out << csv::field(f);
    return out.join(u';');
}

QStringList SplitIndexLine(const QString& line)
{
    return csv::split(line);
}

QString AppendToMessageIndex(const QString& folder, const std::vector<MessageIndexRow>& rows)
{
    if (rows.empty())
        return {};
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(kMessageIndexName));
    Fd file;
    file.fd = ::open(path.constData(), O_RDWR | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (file.fd < 0)
        return Problem(errno);
    struct stat st {};
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return Problem(errno != 0 ? errno : EINVAL);

    // What is there already: only read, never rewritten.
    QByteArray old(static_cast<qsizetype>(st.st_size), '\0');
    qsizetype have = 0;
    while (have < old.size()) {
        const ssize_t n =
            ::pread(file.fd, old.data() + have, static_cast<std::size_t>(old.size() - have), have);
        if (n <= 0)
            break;
        have += n;
    }
    old.truncate(have);
    std::vector<QStringList> known;
    for (const QString& line : MessageIndexLines(old))
        known.push_back(KeyOf(SplitIndexLine(line)));

    QString text;
    // A new index starts with a byte order mark, so spreadsheets read it as UTF-8; an existing
    // one is appended to as it is.
    if (old.isEmpty())
        text += QChar(0xFEFF) + MessageIndexHeader() + QStringLiteral("\r\n");
    else if (!old.endsWith('\n'))
        text += QStringLiteral("\r\n"); // a line cut off earlier stays as it is, alone on its line
    bool any = false;
    for (const MessageIndexRow& row : rows) {
        const QStringList key = KeyOf(row);
        if (std::find(known.begin(), known.end(), key) != known.end())
            continue;
        known.push_back(key);
        text += MessageIndexLine(row) + QStringLiteral("\r\n");
        any = true;
    }
    if (!any && !old.isEmpty())
        return {};
    // One write with O_APPEND: the rows go after whatever is there, in one piece. A short write
    // (a full disk) is cut back to the old end, so no half row with a broken character stays.
    const QByteArray bytes = text.toUtf8();
    const ssize_t n = ::write(file.fd, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (n != bytes.size()) {
        const int error = n < 0 ? errno : ENOSPC;
        if (n > 0 && ::ftruncate(file.fd, static_cast<off_t>(have)) != 0)
            return Problem(error) + QStringLiteral("; eine halbe Zeile blieb am Ende");
        // An index this run created and could not fill is not left behind empty.
        if (old.isEmpty())
            ::unlink(path.constData());
        return Problem(error);
    }
    if (::fsync(file.fd) != 0)
        return Problem(errno);
    // The file's name and size are in the folder, which its own sync does not cover.
    if (const std::string problem = SyncFolder(QFile::encodeName(folder).toStdString()); !problem.empty())
        return Problem(problem);
    return {};
}

QStringList MessageIndexLines(QByteArray bytes)
{
    if (bytes.startsWith(csv::kByteOrderMark))
        bytes.remove(0, 3);
    return QString::fromUtf8(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

} // namespace zarvo
