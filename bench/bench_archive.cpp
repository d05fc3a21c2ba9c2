// SPDX-License-Identifier: GPL-3.0-or-later
// The message archive at 100,000 messages: the rebuild of the index from the journals, search in the
// process and as a whole zarvo-archive run, the newest 100 as JSON, the import of 10,000 messages of
// batch folders, and the index's bytes per message. Work folder: the first argument, else a
// temporary folder.
#include "BuildPaths.h"

#include "core/archive/Archive.h"
#include "core/archive/ArchiveLayout.h"
#include "core/archive/BatchImport.h"
#include "core/archive/Journal.h"
#include "core/archive/Sqlite.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using namespace zarvo::archive;

constexpr int kMessages = 100000;
constexpr int kImported = 10000;
constexpr int kFolders = 10;

double medianMs(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Journals as the archive writes them, for kMessages messages over two years.
void writeJournals(const QString& folder)
{
    std::mt19937 random(7);
    const QStringList names = {"Müller",   "Schäfer", "Weiß",   "Becker",
                               "Hoffmann", "Köhler",  "Wagner", "Fischer"};
    const QDateTime start(QDate(2025, 1, 1), QTime(8, 0), Qt::OffsetFromUTC, 3600);
    QMap<QString, QByteArray> journals;
    for (int i = 0; i < kMessages; ++i) {
        zarvo::archive::journal::Row row;
        const QDateTime received = start.addSecs(i * 631);
        const auto kind = static_cast<MessageKind>(random() % 3);
        row.written = layout::isoText(received);
        row.entry = journal::kMessage;
        row.id = QString::fromLatin1(
            QCryptographicHash::hash(QByteArray::number(i), QCryptographicHash::Sha256).toHex());
        row.kind = kindText(kind);
        const QString number = QStringLiteral("0%1").arg(30000000 + random() % 69999999);
        row.caller =
            random() % 10 < 3 ? names[static_cast<int>(random() % names.size())] + u' ' + number : number;
        row.received = layout::isoText(received);
        row.amount = static_cast<int>(random() % 60);
        const QString base = layout::baseName(received, kind, row.id, layout::kShortIdLength);
        row.files =
            layout::fileNames(base, layout::Msg | (kind == MessageKind::Fax     ? layout::Tif | layout::Pdf
                                                   : kind == MessageKind::Voice ? layout::Wav
                                                                                : layout::Dat));
        QByteArray& j = journals[layout::monthFolder(received)];
        if (j.isEmpty())
            j = journal::header().toUtf8() + "\r\n";
        j += journal::line(row);
        if (i % 7 == 0) { // some marks
            row.entry = journal::kHeard;
            row.value = QStringLiteral("ja");
            j += journal::line(row);
        }
    }
    for (auto it = journals.cbegin(); it != journals.cend(); ++it) {
        QDir().mkpath(folder + u'/' + it.key());
        QFile f(folder + u'/' + it.key() + u'/' + layout::kJournalName);
        if (!f.open(QIODevice::WriteOnly) || f.write(it.value()) != it.value().size())
            std::fprintf(stderr, "bench_archive: journal not written\n");
    }
}

void writeBatchFolders(const QString& root)
{
    for (int k = 0; k < kFolders; ++k) {
        const QString dir = QStringLiteral("%1/batch%2").arg(root).arg(k);
        QDir().mkpath(dir);
        QByteArray index = "Nummer;Art;Rufnummer;Empfangszeit;Größe;Dateien\r\n";
        for (int n = 1; n <= kImported / kFolders; ++n) {
            const bool voice = n % 2 == 0;
            const QString name = QStringLiteral("MESS%1.%2").arg(n).arg(voice ? "WAV" : "DAT");
            QFile f(dir + u'/' + name);
            if (f.open(QIODevice::WriteOnly))
                f.write(
                    QStringLiteral("batch %1 message %2 ").arg(k).arg(n).toUtf8().repeated(voice ? 200 : 10));
            index += QStringLiteral("%1;%2;0301234%3;09.12.2026 14:%4:00;10 %5;%6\r\n")
                         .arg(n)
                         .arg(voice ? "Sprache" : "Daten")
                         .arg(k * 1000 + n)
                         .arg(n % 60, 2, 10, QLatin1Char('0'))
                         .arg(voice ? "Sekunden" : "Byte", name)
                         .toUtf8();
        }
        QFile f(dir + QStringLiteral("/Nachrichten.csv"));
        if (f.open(QIODevice::WriteOnly))
            f.write(index);
    }
}

double runToolMs(const QStringList& args, QByteArray* output = nullptr)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral(ZARVO_BINARY_DIR "/tools/archive/zarvo-archive"), args);
    p.waitForFinished(60000);
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    if (output)
        *output = p.readAllStandardOutput();
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString work = argc > 1 ? QDir(QString::fromLocal8Bit(argv[1])).absolutePath() : temp.path();
    const QString folder = work + QStringLiteral("/Archiv");
    const QString index = work + QStringLiteral("/archiv.sqlite");
    qputenv("ZARVO_HOME", work.toLocal8Bit());

    QElapsedTimer t;
    t.start();
    writeJournals(folder);
    std::printf("journals of %d messages written: %.0f ms\n", kMessages, static_cast<double>(t.elapsed()));

    t.restart();
    QString problem;
    auto archive = Archive::open(folder, index, &problem);
    if (!archive) {
        std::fprintf(stderr, "bench_archive: %s\n", qPrintable(problem));
        return 1;
    }
    std::printf("index built from the journals: %.0f ms (%lld messages)\n", static_cast<double>(t.elapsed()),
                static_cast<long long>(archive->count()));
    const qint64 bytes = archive->indexBytes();
    std::printf("index: %lld bytes, %.1f bytes per message (with the callers' text)\n",
                static_cast<long long>(bytes), static_cast<double>(bytes) / kMessages);

    try { // the text's share: the callers in the rows and their full-text index (dbstat)
        zarvo::sqlite::Database db(index);
        const double text = db.textOf("SELECT (SELECT SUM(pgsize) FROM dbstat WHERE name LIKE 'msg_text%') + "
                                      "(SELECT SUM(length(CAST(caller AS BLOB))) FROM msg)")
                                .toDouble();
        std::printf(
            "  of which text (callers and their full-text index): %.1f, the rest: %.1f bytes per message\n",
            text / kMessages, (static_cast<double>(bytes) - text) / kMessages);
    }
    catch (const zarvo::sqlite::Error& e) {
        std::printf("  (no breakdown: %s)\n", e.what());
    }

    for (const char* query : {"müller", "0301", "Weiß 03", "nichtda"}) {
        std::vector<double> ms;
        size_t found = 0;
        for (int r = 0; r < 21; ++r) {
            QElapsedTimer q;
            q.start();
            found = archive->search(QString::fromUtf8(query), 100).size();
            ms.push_back(static_cast<double>(q.nsecsElapsed()) / 1e6);
        }
        std::printf("search \"%s\" in the process (newest 100 of the hits, %zu shown): median %.2f ms "
                    "(target < 20)\n",
                    query, found, medianMs(ms));
    }
    archive.reset();

    const QStringList where = {"--folder", folder, "--index", index};
    std::vector<double> searchRuns, listRuns;
    QByteArray out;
    for (int r = 0; r < 7; ++r) {
        searchRuns.push_back(runToolMs(where + QStringList{"search", "müller", "--limit", "100"}));
        listRuns.push_back(runToolMs(where + QStringList{"list", "--json", "--limit", "100"}, &out));
    }
    std::printf("zarvo-archive search müller --limit 100, whole process: median %.0f ms (target < 250)\n",
                medianMs(searchRuns));
    std::printf("zarvo-archive list --json --limit 100, whole process: median %.0f ms (target < 100), "
                "%lld bytes of JSON\n",
                medianMs(listRuns), static_cast<long long>(out.size()));

    // The import into a second, empty archive beside it.
    writeBatchFolders(work);
    auto fresh =
        Archive::open(work + QStringLiteral("/Import"), work + QStringLiteral("/import.sqlite"), &problem);
    t.restart();
    int stored = 0;
    for (int k = 0; k < kFolders; ++k)
        stored += importBatchFolder(*fresh, QStringLiteral("%1/batch%2").arg(work).arg(k)).stored;
    const double s = static_cast<double>(t.elapsed()) / 1000.0;
    std::printf("import of %d batch-folder messages: %.1f s, %.0f messages/s (target >= 1000)\n", stored, s,
                stored / s);
    t.restart();
    int again = 0;
    for (int k = 0; k < kFolders; ++k)
        again += importBatchFolder(*fresh, QStringLiteral("%1/batch%2").arg(work).arg(k)).alreadyThere;
    std::printf("the same import again (all recognised, %d): %.1f s\n", again,
                static_cast<double>(t.elapsed()) / 1000.0);
    return 0;
}
