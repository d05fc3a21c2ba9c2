// SPDX-License-Identifier: GPL-3.0-or-later
// THaupt: the archive - every message the window downloads is stored there too, "Alle Nachrichten
// archivieren", the question before the erase, archiving at once, and the marks of archived rows.
#include "app/UHaupt.h"
#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"
#include "common/Wait.h"
#include "core/BackgroundWatch.h"
#include "core/DesktopArchive.h"
#include "modem/Zarvo.h"

#include <QAction>
#include <QBrush>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTableWidget>
#include <QTimer>

namespace zarvo {

namespace {

const QString kArchivedTip = QStringLiteral("Im Archiv gespeichert");

} // namespace

void THaupt::SetUpArchive()
{
    auto* action = new QAction(QStringLiteral("Alle Nachrichten a&rchivieren"), this);
    action->setObjectName(QStringLiteral("AC_ArchivAlle"));
    action->setToolTip(QString::fromUtf8("Lädt jede Nachricht der Liste, die noch nicht im Archiv ist, "
                                         "und archiviert sie"));
    action->setProperty("category", QStringLiteral("Nachricht"));
    connect(action, &QAction::triggered, this, [this] {
        Guarded([this] { AC_ArchivAlleExecute(); });
        UpdateBusyDisplay();
    });
    addAction(action);
    // After "Nachricht als gelesen markieren", the last of the message commands.
    if (auto* menu = menuBar()->findChild<QMenu*>(QStringLiteral("Nachrichten1"))) {
        const QList<QAction*> items = menu->actions();
        const qsizetype after = items.indexOf(Action(QStringLiteral("AC_Nachrge")));
        menu->insertAction(after >= 0 && after + 1 < items.size() ? items[after + 1] : nullptr, action);
    }
    m_archiveAtOnce = new QTimer(this);
    m_archiveAtOnce->setSingleShot(true);
    m_archiveAtOnce->setInterval(1000);
    connect(m_archiveAtOnce, &QTimer::timeout, this, [this] { Guarded([this] { ArchiveAtOnceTick(); }); });
}

DesktopArchive& THaupt::Archiver()
{
    // Read each time: the options dialog writes the file, and a changed folder or command applies at once.
    const ArchiveSettings settings =
        LoadArchiveSettings(ProgramPaths::programFile(QStringLiteral("ZARVO2.ini")));
    if (!m_desktopArchive) {
        m_desktopArchive = std::make_unique<DesktopArchive>(settings);
        m_desktopArchive->log = [this](const QString& line) { Modemstatus->appendPlainText(line); };
        m_desktopArchive->status = [this](const QString& text) { StatusPanel0->setText(text); };
    }
    else {
        m_desktopArchive->setSettings(settings);
    }
    return *m_desktopArchive;
}

void THaupt::ArchiveDownloaded(int row, const QByteArray& data)
{
    if (row <= 0 || data.isEmpty())
        return;
    // Playing or showing goes on whatever happens here: a failure is in the log and the status line.
    const tMessageReport* entry = m_archiveEntriesKnown && row <= static_cast<int>(m_archiveEntries.size())
                                      ? &m_archiveEntries[row - 1]
                                      : nullptr;
    try {
        Archiver().store(row, entry, data);
    }
    catch (const std::exception& e) {
        const QString text = QString::fromUtf8("Nachricht %1 wurde nicht archiviert: %2")
                                 .arg(row)
                                 .arg(QString::fromUtf8(e.what()));
        Modemstatus->appendPlainText(text);
        StatusPanel0->setText(text);
    }
    ShowArchiveMarks();
}

std::vector<int> THaupt::RowsNotArchived()
{
    if (m_archiveEntriesKnown)
        return Archiver().notArchived(m_archiveEntries);
    // Entries that could not be read cannot be looked up: every row counts as not archived.
    std::vector<int> all;
    for (int row = 1; row < RowCount(); ++row)
        all.push_back(row);
    return all;
}

void THaupt::ArchiveListShown(const MessageListData& list)
{
    m_archiveEntriesKnown = list.MessageCount >= 0 && list.Reports.size() == list.Rows.size();
    m_archiveEntries = m_archiveEntriesKnown ? list.Reports : std::vector<tMessageReport>{};
    ShowArchiveMarks();
    if (m_archiveAtOnce && Archiver().settings().atOnce && !m_archiving)
        m_archiveAtOnce->start();
}

void THaupt::ShowArchiveMarks()
{
    std::vector<int> open;
    try {
        open = RowsNotArchived();
    }
    catch (const std::exception& e) {
        // Unsure: no row is marked.
        Modemstatus->appendPlainText(QString::fromUtf8(e.what()));
        for (int row = 1; row < RowCount(); ++row)
            open.push_back(row);
    }
    const QBrush archived(palette().color(QPalette::Disabled, QPalette::Text));
    for (int row = 1; row < RowCount(); ++row) {
        const bool isArchived = std::find(open.begin(), open.end(), row) == open.end();
        for (int c = 0; c < kListColumns; ++c) {
            QTableWidgetItem* item = SG->item(row - 1, c);
            if (!item)
                continue;
            item->setToolTip(isArchived ? kArchivedTip : QString());
            item->setForeground(isArchived ? archived : QBrush());
        }
    }
}

void THaupt::ArchiveAtOnceTick()
{
    if (m_closed || m_quitting || ShutdownRequested() || m_archiving)
        return;
    // Not inside the new-message question or its playback, and never beside another exchange.
    if (m_checking || m_startingUp || Access() != ModemAccess::Free) {
        m_archiveAtOnce->start();
        return;
    }
    const std::vector<int> rows = RowsNotArchived();
    if (!rows.empty())
        ArchiveRows(rows);
}

bool THaupt::ArchiveRows(const std::vector<int>& rows)
{
    if (m_archiving)
        return false;
    bool allStored = true;
    int stored = 0;
    QString stop;
    {
        // Also when an exception leaves the loop.
        const QScopedValueRollback<bool> archiving(m_archiving, true);
        UpdateBusyDisplay();
        const bool keyed = m_archiveEntriesKnown;
        const std::vector<tMessageReport> entries = m_archiveEntries;
        const int total = static_cast<int>(rows.size());
        for (int i = 0; i < total; ++i) {
            const int row = rows[i];
            if (m_closed || m_quitting || ShutdownRequested()) {
                stop = QString::fromUtf8("das Programm wird beendet");
                break;
            }
            // An exchange of ours (a playback's download) ends first; another program or a batch run
            // keeps the modem, and the archiving stops.
            WaitWhileBusy([this] { return Zarvo1->Busy; }, [](int ms) { Delay(static_cast<quint32>(ms)); });
            if (Access() != ModemAccess::Free) {
                stop = QString::fromUtf8("das Modem wird gerade anderweitig benutzt");
                break;
            }
            // The list was read again meanwhile (an erase, a reset): its rows may be other messages now.
            if (keyed && (!m_archiveEntriesKnown || row > static_cast<int>(m_archiveEntries.size()) ||
                          !(KeyOf(m_archiveEntries[row - 1]) == KeyOf(entries[row - 1])))) {
                stop = QString::fromUtf8("die Liste hat sich geändert");
                break;
            }
            StatusPanel0->setText(
                QString::fromUtf8("Archivieren: Nachricht %1 von %2 ...").arg(i + 1).arg(total));
            QByteArray data;
            Zarvo1->GetMessage(static_cast<quint8>(row), data);
            if (data.isEmpty()) {
                allStored = false;
                Modemstatus->appendPlainText(
                    QString::fromUtf8("Nachricht %1 konnte nicht geladen werden und wurde nicht archiviert.")
                        .arg(row));
                continue;
            }
            m_inbox->NoteHeard(row);
            const DesktopArchive::Outcome out =
                Archiver().store(row, keyed ? &entries[row - 1] : nullptr, data);
            if (out.ok)
                ++stored;
            else
                allStored = false;
        }
    }
    if (!stop.isEmpty())
        allStored = false;
    const QString text =
        stop.isEmpty() ? QString::fromUtf8("Archivieren beendet: %1 von %2 Nachrichten im Archiv.")
                             .arg(stored)
                             .arg(rows.size())
                       : QString::fromUtf8("Archivieren abgebrochen (%1): %2 von %3 Nachrichten im Archiv.")
                             .arg(stop)
                             .arg(stored)
                             .arg(rows.size());
    Modemstatus->appendPlainText(text);
    StatusPanel0->setText(text);
    ShowArchiveMarks();
    UpdateBusyDisplay();
    return allStored;
}

void THaupt::AC_ArchivAlleExecute()
{
    if (m_archiving)
        return;
    const std::vector<int> rows = RowsNotArchived();
    if (rows.empty()) {
        StatusPanel0->setText(QString::fromUtf8("Alle Nachrichten der Liste sind im Archiv."));
        return;
    }
    ArchiveRows(rows);
}

bool THaupt::ArchiveBeforeErase()
{
    if (m_archiving)
        return false;
    const std::vector<int> rows = RowsNotArchived();
    const QString question = EraseArchiveQuestion(static_cast<int>(rows.size()));
    if (question.isEmpty() || !Messages().question(QStringLiteral("Zarvo"), question))
        return true;
    if (ArchiveRows(rows))
        return true;
    Messages().error(kAppCaption,
                     QString::fromUtf8("Nicht alle Nachrichten wurden archiviert; der Speicher "
                                       "wird nicht gelöscht. Das Statusfenster nennt den Grund."));
    return false;
}

void THaupt::UpdateArchiveActions()
{
    if (QAction* all = Action(QStringLiteral("AC_ArchivAlle")))
        all->setEnabled(!m_archiving && Access() == ModemAccess::Free && RowCount() > 1);
    if (m_archiving)
        Action(QStringLiteral("AC_Speicherloesch"))->setEnabled(false);
}

} // namespace zarvo
