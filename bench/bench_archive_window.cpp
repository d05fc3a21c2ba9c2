// SPDX-License-Identifier: GPL-3.0-or-later
// The archive window's list with 100,000 archived messages, widget-free through its model: the
// time from opening the archive to the first rows, and the time per keystroke while a caller is
// typed into the search (each keystroke asks the archive again, as the window does after its
// pause). The journals are written directly (no message files), then the index is built once.
//
//   bench_archive_window [messages]     (default 100000)
#include "core/archive/Archive.h"
#include "core/archive/ArchiveLayout.h"
#include "core/archive/ArchiveListModel.h"
#include "core/archive/Journal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

using namespace zarvo::archive;

namespace {

const char* const kNames[] = {"Müller",  "Schmidt",  "Schneider", "Fischer", "Weber",  "Meyer",  "Wagner",
                              "Becker",  "Schulz",   "Hoffmann",  "Schäfer", "Koch",   "Bauer",  "Richter",
                              "Klein",   "Wolf",     "Schröder",  "Neumann", "Zimmer", "Braun",  "Krüger",
                              "Hofmann", "Hartmann", "Lange",     "Schmitt", "Werner", "Krause", "Meier"};

// Journals of `count` messages, one every ~15 minutes back from the end of 2026.
void writeJournals(const QString& folder, int count)
{
    std::map<QString, QByteArray> months;
    const QDateTime last(QDate(2026, 12, 9), QTime(18, 0), Qt::OffsetFromUTC, 3600);
    const MessageKind kinds[] = {MessageKind::Voice, MessageKind::Voice, MessageKind::Fax, MessageKind::Data};
    for (int i = 0; i < count; ++i) {
        const QDateTime received = last.addSecs(-qint64(i) * 907);
        journal::Row row;
        row.written = layout::isoText(received);
        row.entry = journal::kMessage;
        row.id = QString::fromLatin1(
            QCryptographicHash::hash(QByteArray::number(i), QCryptographicHash::Sha256).toHex());
        const MessageKind kind = kinds[i % 4];
        row.kind = kindText(kind);
        row.caller = QStringLiteral("%1 %2 0%3")
                         .arg(QString::fromUtf8(kNames[i % std::size(kNames)]))
                         .arg(QString::fromUtf8(kNames[(i / 7) % std::size(kNames)]))
                         .arg(30000 + i % 9973);
        row.received = layout::isoText(received);
        row.amount = 1 + i % 60;
        row.files =
            layout::fileNames(layout::baseName(received, kind, row.id, layout::kShortIdLength), layout::Msg);
        QByteArray& month = months[layout::monthFolder(received)];
        if (month.isEmpty())
            month = journal::header().toUtf8() + "\r\n";
        month += journal::line(row);
    }
    for (const auto& [month, bytes] : months) {
        QDir().mkpath(folder + u'/' + month);
        QFile f(folder + u'/' + month + u'/' + layout::kJournalName);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            std::exit(1);
        }
    }
}

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Reads the cells of the rows a window shows, as a view would.
void touchRows(const ArchiveListModel& model, int rows)
{
    for (int r = 0; r < std::min(rows, model.rowCount()); ++r)
        for (int c = 0; c < ArchiveListModel::ColumnCount; ++c)
            (void)model.data(model.index(r, c));
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("Archiv"));
    const QString index = home.filePath(QStringLiteral("archiv.sqlite"));
    QElapsedTimer t;
    t.start();
    writeJournals(folder, count);
    std::printf("%d messages in %s\n", count, "journals written directly");
    std::printf("journals written:                 %8.1f ms\n", ms(t));

    QString problem;
    t.restart();
    {
        auto built = Archive::open(folder, index, &problem);
        if (!built) {
            std::fprintf(stderr, "%s\n", qPrintable(problem));
            return 1;
        }
        std::printf("index built from the journals:    %8.1f ms (%lld messages)\n", ms(t), built->count());
    }

    // The window's opening: the archive with its index, the first page, the cells of 30 rows.
    t.restart();
    auto archive = Archive::open(folder, index, &problem);
    const double opened = ms(t);
    ArchiveListModel model(*archive);
    touchRows(model, 30);
    const double first = ms(t);
    std::printf("open archive:                     %8.1f ms\n", opened);
    std::printf("open + first rows (30 shown):     %8.1f ms (%d rows loaded)\n", first, model.rowCount());

    t.restart();
    for (int i = 0; i < 50 && model.canFetchMore({}); ++i)
        model.fetchMore({});
    std::printf("scrolling: 50 more pages:         %8.1f ms (%.2f ms a page, %d rows)\n", ms(t), ms(t) / 50,
                model.rowCount());

    t.restart();
    model.sort(ArchiveListModel::ReceivedColumn, Qt::AscendingOrder);
    touchRows(model, 30);
    std::printf("oldest first:                     %8.1f ms\n", ms(t));
    model.sort(ArchiveListModel::ReceivedColumn, Qt::DescendingOrder);

    struct Typing {
        const char* what;
        QString text;
        std::optional<MessageKind> kind;
        bool lastMonth;
    };
    const Typing typings[] = {
        {"caller \"Schröder Weber\"", QString::fromUtf8("Schröder Weber"), std::nullopt, false},
        {"number \"035017\"", QStringLiteral("035017"), std::nullopt, false},
        {"\"Krause\", faxes only", QStringLiteral("Krause"), MessageKind::Fax, false},
        {"\"Meier\", this month", QStringLiteral("Meier"), std::nullopt, true},
        {"\"xyz\" (nothing matches)", QStringLiteral("xyzq"), std::nullopt, false},
    };
    for (const Typing& typing : typings) {
        double total = 0;
        double worst = 0;
        int rows = 0;
        for (int n = 1; n <= typing.text.size(); ++n) {
            ListFilter filter;
            filter.text = typing.text.left(n);
            filter.kind = typing.kind;
            if (typing.lastMonth)
                filter.from = QDateTime(QDate(2026, 12, 1), QTime(0, 0), Qt::OffsetFromUTC, 3600);
            t.restart();
            model.setFilter(filter);
            touchRows(model, 30);
            const double each = ms(t);
            total += each;
            worst = std::max(worst, each);
            rows = model.rowCount();
        }
        std::printf(
            "typing %-28s %5.1f ms a keystroke on average, %5.1f ms at most (%d keystrokes, %d rows)\n",
            typing.what, total / typing.text.size(), worst, int(typing.text.size()), rows);
    }
    return 0;
}
