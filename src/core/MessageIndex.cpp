#include "core/MessageIndex.h"

#include "common/OutputFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvo {

namespace {

QString Quoted(const QString& field)
{
    if (!field.contains(u';') && !field.contains(u'"') && !field.contains(u'\n') && !field.contains(u'\r'))
        return field;
    QString q = field;
    q.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

// What makes two rows the same message: all but the files.
QStringList KeyOf(const QStringList& fields)
{
    return fields.mid(0, 5);
}

QStringList KeyOf(const MessageIndexRow& row)
{
    return {QString::number(row.Number), row.Kind, row.CallerId, row.Received, row.Size};
}

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

QString Problem(int error)
{
    return QStringLiteral("%1 konnte nicht geschrieben werden (%2)")
        .arg(kMessageIndexName, QString::fromStdString(FileErrorReason(error)));
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
        out << Quoted(f);
    return out.join(u';');
}

QStringList SplitIndexLine(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"') {
                field += c;
                ++i;
            }
            else if (c == u'"') {
                quoted = false;
            }
            else {
                field += c;
            }
        }
        else if (c == u'"') {
            quoted = true;
        }
        else if (c == u';') {
            fields << field;
            field.clear();
        }
        else {
            field += c;
        }
    }
    fields << field;
    return fields;
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
    const QStringList oldLines = QString::fromUtf8(old).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString& line : oldLines)
        known.push_back(KeyOf(SplitIndexLine(line)));

    QString text;
    if (old.isEmpty())
        text += MessageIndexHeader() + QStringLiteral("\r\n");
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
    // One write with O_APPEND: the rows go after whatever is there, in one piece.
    const QByteArray bytes = text.toUtf8();
    const ssize_t n = ::write(file.fd, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (n != bytes.size()) {
        const int error = n < 0 ? errno : ENOSPC;
        // An index this run created and could not fill is not left behind empty or cut.
        if (old.isEmpty())
            ::unlink(path.constData());
        return Problem(error);
    }
    if (::fsync(file.fd) != 0)
        return Problem(errno);
    return {};
}

} // namespace zarvo
