// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/archive/BatchImport.h"

#include "common/CsvFields.h"

#include "core/archive/Archive.h"
#include "core/archive/ArchiveLayout.h"
#include "core/archive/Journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

namespace zarvo::archive {

namespace {

QDateTime withOffset(const QDateTime& local)
{
    return local.toOffsetFromUtc(local.offsetFromUtc());
}

QDateTime fileTime(const QString& path)
{
    return withOffset(QFileInfo(path).lastModified());
}

int leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d+)"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

MessageKind kindOfFile(const QString& name)
{
    const QString n = name.toUpper();
    if (n.endsWith(QStringLiteral(".WAV")))
        return MessageKind::Voice;
    if (n.endsWith(QStringLiteral(".TIF")) || n.endsWith(QStringLiteral(".PDF")))
        return MessageKind::Fax;
    return MessageKind::Unknown;
}

// A WAV49 file's length in seconds: 320 samples at 8000 Hz per 65-byte block after the header.
int wavSeconds(const QString& path)
{
    const qint64 blocks = std::max<qint64>(0, QFileInfo(path).size() - 60) / 65;
    return static_cast<int>((blocks * 320 + 4000) / 8000);
}

// The message's files in the order the archive takes them: the main file first.
QStringList ordered(QStringList files)
{
    std::stable_sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        const auto rank = [](const QString& f) {
            return f.toUpper().endsWith(QStringLiteral(".PDF")) ? 1 : 0;
        };
        return rank(a) < rank(b);
    });
    return files;
}

// One message from its files (absolute paths).
bool inputFor(ArchivedMessageInput& in, const QStringList& files, QStringList& problems)
{
    const QStringList sorted = ordered(files);
    const QString& main = sorted.front();
    if (in.kind == MessageKind::Unknown)
        in.kind = kindOfFile(main);
    if (main.toUpper().endsWith(QStringLiteral(".DAT"))) {
        QFile f(main);
        if (!f.open(QIODevice::ReadOnly)) {
            problems << QStringLiteral("%1 lässt sich nicht lesen").arg(main);
            return false;
        }
        // The batch run wrote the stored bytes after the type letter: the letter makes them the
        // message as downloaded again, so a later download of it is recognised.
        in.downloaded = (in.kind == MessageKind::Data ? QByteArray("D") : QByteArray("U")) + f.readAll();
        if (in.kind != MessageKind::Data)
            in.kind = MessageKind::Unknown;
        return true;
    }
    in.takenFiles = sorted;
    return true;
}

} // namespace

QDateTime parseListedTime(const QString& text)
{
    const QString t = text.trimmed();
    for (const char* format : {"dd.MM.yyyy HH:mm:ss", "d.M.yyyy H:mm:ss", "dd.MM.yyyy HH:mm",
                               "dd.MM.yy HH:mm:ss", "M/d/yyyy h:mm:ss AP", "yyyy-MM-dd HH:mm:ss"}) {
        const QDateTime when = QDateTime::fromString(t, QLatin1String(format));
        if (when.isValid())
            return withOffset(when);
    }
    const QDateTime iso = QDateTime::fromString(t, Qt::ISODate);
    return iso.isValid() ? withOffset(iso) : QDateTime();
}

BatchFolderContent readBatchFolder(const QString& folder)
{
    BatchFolderContent content;
    const QDir dir(folder);
    // The folder's files by their upper-case names, so "mess3.tif" is found for "MESS3.TIF".
    QMap<QString, QString> byName;
    for (const QString& name : dir.entryList(QDir::Files))
        byName.insert(name.toUpper(), dir.absoluteFilePath(name));
    QSet<QString> used;

    const QString index = byName.value(QStringLiteral("NACHRICHTEN.CSV"));
    if (!index.isEmpty()) {
        QFile f(index);
        if (!f.open(QIODevice::ReadOnly))
            content.problems << QStringLiteral("%1 lässt sich nicht lesen").arg(index);
        QByteArray bytes = f.readAll();
        if (bytes.startsWith(csv::kByteOrderMark))
            bytes.remove(0, 3);
        for (const QString& record : journal::records(bytes)) {
            // Nummer;Art;Rufnummer;Empfangszeit;Größe;Dateien
            const QStringList fields = csv::split(record);
            if (fields.size() < 6 || fields[0] == QStringLiteral("Nummer"))
                continue;
            QStringList files;
            for (const QString& name : fields[5].split(u',', Qt::SkipEmptyParts)) {
                const QString path = byName.value(name.trimmed().toUpper());
                if (path.isEmpty() || used.contains(path))
                    content.problems << QStringLiteral("%1 fehlt in %2").arg(name.trimmed(), folder);
                else
                    files << path;
            }
            for (const QString& path : files)
                used.insert(path);
            if (files.isEmpty())
                continue;
            ArchivedMessageInput in;
            in.kind = kindFromText(fields[1]);
            in.caller = fields[2];
            in.received = parseListedTime(fields[3]);
            if (!in.received.isValid())
                in.received = fileTime(files.front());
            in.amount = leadingNumber(fields[4]);
            if (inputFor(in, files, content.problems))
                content.messages.push_back(std::move(in));
        }
    }
    // The files no index row names, grouped by message number.
    static const QRegularExpression messFile(QStringLiteral("^MESS(\\d+)\\.(WAV|TIF|PDF|DAT)$"));
    QMap<int, QStringList> loose;
    for (auto it = byName.cbegin(); it != byName.cend(); ++it) {
        const QRegularExpressionMatch m = messFile.match(it.key());
        if (m.hasMatch() && !used.contains(it.value()))
            loose[m.captured(1).toInt()] << it.value();
    }
    for (auto it = loose.cbegin(); it != loose.cend(); ++it) {
        QStringList files = it.value();
        // A WAV and a TIF of one number are two messages of different nights; keep them apart.
        QStringList fax, voice, data;
        for (const QString& f : files)
            (f.toUpper().endsWith(QStringLiteral(".WAV"))   ? voice
             : f.toUpper().endsWith(QStringLiteral(".DAT")) ? data
                                                            : fax)
                << f;
        for (const QStringList& group : {fax, voice, data}) {
            if (group.isEmpty())
                continue;
            ArchivedMessageInput in;
            const QString main = ordered(group).front();
            in.received = fileTime(main);
            in.kind = kindOfFile(main);
            in.amount = in.kind == MessageKind::Voice ? wavSeconds(main)
                        : in.kind == MessageKind::Fax ? 0
                                                      : static_cast<int>(QFileInfo(main).size());
            if (inputFor(in, group, content.problems))
                content.messages.push_back(std::move(in));
        }
    }
    return content;
}

ImportReport importBatchFolder(Archive& archive, const QString& folder,
                               const std::function<void(int, int)>& progress)
{
    ImportReport report;
    BatchFolderContent content = readBatchFolder(folder);
    report.problems = content.problems;
    report.failed = static_cast<int>(content.problems.size());
    for (const AddResult& r : archive.addMany(content.messages, progress)) {
        if (r.newlyStored())
            ++report.stored;
        else if (r.alreadyThere())
            ++report.alreadyThere;
        else {
            ++report.failed;
            report.problems << r.reason;
        }
    }
    return report;
}

} // namespace zarvo::archive
