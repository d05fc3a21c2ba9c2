// SPDX-License-Identifier: GPL-3.0-or-later
// The archive window over a few archived demo messages.
#include "Shots.h"
#include "app/UArchiv.h"
#include "common/ProgramPaths.h"
#include "core/archive/Archive.h"
#include "core/archive/ArchiveListModel.h"
#include "platform/GermanLocale.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableView>

#include <cstdio>

namespace {

QByteArray Demo(const QString& dataDir, const char* name)
{
    QFile f(dataDir + QStringLiteral("/demo/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// As the modem sends a message: DLE doubled, DLE ETX at the end.
QByteArray Shielded(const QByteArray& stream)
{
    return QByteArray(stream).replace('\x10', QByteArray("\x10\x10")) + QByteArray("\x10\x03");
}

} // namespace

static zarvo::shots::Register reg("archive", [](zarvo::shots::Context& c) {
    using namespace zarvo::archive;
    zarvo::UseGermanLocale(); // as the program does: German dates whatever the session's language
    QString problem;
    auto archive = Archive::open(zarvo::ProgramPaths::archiveFolder(),
                                 zarvo::ProgramPaths::archiveIndexFile(), &problem);
    if (!archive) {
        std::fprintf(stderr, "archive: %s\n", qPrintable(problem));
        return;
    }
    const auto at = [](int day, int hour, int minute) {
        return QDateTime(QDate(2026, 12, day), QTime(hour, minute), Qt::OffsetFromUTC, 3600);
    };
    const QByteArray voice1 = "V" + Shielded(Demo(c.dataDir(), "nachricht1.gsm"));
    const QByteArray voice2 = "V" + Shielded(Demo(c.dataDir(), "nachricht2.gsm"));
    const QByteArray fax1 = QByteArray("F\x01", 2) + Shielded(Demo(c.dataDir(), "fax-normal.g3"));
    const QByteArray fax2 = QByteArray("F\x01", 2) + Shielded(Demo(c.dataDir(), "fax-fine.g3"));
    struct Demo {
        ArchivedMessageInput in;
        bool heard;
        const char* note;
    };
    const Demo demos[] = {
        {{MessageKind::Voice, QStringLiteral("0301 1234567"), at(9, 14, 3), 12, voice1, {}}, false, ""},
        {{MessageKind::Fax, QStringLiteral("Fax 0301 7654321"), at(9, 9, 41), 1, fax1, {}},
         true,
         "Angebot Heizung"},
        {{MessageKind::Voice, QString::fromUtf8("Müller"), at(8, 18, 22), 9, voice2, {}},
         true,
         "zurückgerufen"},
        {{MessageKind::Fax, QStringLiteral("Praxis Dr. Weber"), at(5, 11, 15), 1, fax2, {}},
         true,
         "Termin 14.12."},
        {{MessageKind::Data, QStringLiteral("0401 555888"), at(2, 8, 0), 24, "DZarvo Daten 0401 555888", {}},
         false,
         ""},
    };
    for (const Demo& d : demos) {
        const AddResult r = archive->add(d.in);
        if (r.failed()) {
            std::fprintf(stderr, "archive: %s\n", qPrintable(r.reason));
            return;
        }
        if (d.heard)
            archive->setHeard(r.id, true);
        if (*d.note)
            archive->setNote(r.id, QString::fromUtf8(d.note));
    }
    zarvo::TArchiv window(nullptr, nullptr);
    window.show();
    QElapsedTimer waited; // the archive opens after the first show
    waited.start();
    while (!window.Model() && waited.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    window.List()->selectRow(1);
    window.SearchField()->setFocus();
    c.save(&window, QStringLiteral("archive-window"));
});
