// SPDX-License-Identifier: GPL-3.0-or-later
// The archive window: its actions and context menu, and what they do with a message - open it
// from the archive, mark it, note it, save a copy, put it into the trash.
#include "app/HelpAccess.h"
#include "app/UArchiv.h"
#include "app/UWave.h"
#include "common/MessageSeam.h"
#include "common/OutputFile.h"
#include "common/ProgramPaths.h"
#include "core/archive/Archive.h"
#include "core/archive/ArchiveListModel.h"
#include "modem/MessageLayout.h"
#include "modem/Zarvo.h"
#include "modem/ZarvoFields.h"
#include "viewer/FRHaupt.h"
#include "viewer/FaxViewerFactory.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeySequence>
#include <QMenu>
#include <QTableView>
#include <QUrl>

namespace zarvo {

using archive::ArchivedMessage;
using archive::MessageKind;

namespace {

const QString kCaption = QStringLiteral("Zarvo Archiv");

QString FileEndingIn(const QStringList& files, const QString& suffix)
{
    for (const QString& f : files)
        if (f.endsWith(u'.' + suffix, Qt::CaseInsensitive) && QFileInfo::exists(f))
            return f;
    return QString();
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// "von Fax 0301 Schmidt vom 09.12.2026 14:03:00", for texts about one message.
QString Described(const ArchivedMessage& m)
{
    const QString who = m.caller.trimmed().isEmpty() ? QStringLiteral("unbekanntem Anrufer") : m.caller;
    return QStringLiteral("von %1 vom %2").arg(who, ReceptionTimeText(ToTDateTime(m.received)));
}

} // namespace

void TArchiv::BuildActions()
{
    struct Row {
        const char* name;
        const char* caption;
        QList<QKeySequence> keys;
        std::function<void()> run;
    };
    const Row rows[] = {
        {"AC_Oeffnen",
         "Ö&ffnen",
         {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
         [this] { OpenCurrent(); }},
        {"AC_Gehoert",
         "Als &gehört markieren",
         {QKeySequence(QStringLiteral("Ctrl+G"))},
         [this] { SetHeardCurrent(true); }},
        {"AC_Ungehoert",
         "Als &ungehört markieren",
         {QKeySequence(QStringLiteral("Ctrl+Shift+G"))},
         [this] { SetHeardCurrent(false); }},
        {"AC_Notiz", "&Notiz bearbeiten...", {QKeySequence(Qt::Key_F2)}, [this] { EditNoteCurrent(); }},
        {"AC_Speichern",
         "&Speichern unter...",
         {QKeySequence(QStringLiteral("Ctrl+S"))},
         [this] { SaveCurrentAs(); }},
        {"AC_Papierkorb",
         "In den &Papierkorb",
         {QKeySequence(QKeySequence::Delete)},
         [this] { TrashCurrent(); }},
    };
    for (const Row& row : rows) {
        auto* action = new QAction(QString::fromUtf8(row.caption), m_list);
        action->setObjectName(QString::fromLatin1(row.name));
        action->setShortcuts(row.keys);
        // The keys belong to the list: Enter and Del in the search field stay the field's.
        action->setShortcutContext(Qt::WidgetShortcut);
        const auto run = row.run;
        connect(action, &QAction::triggered, this, [run] {
            try {
                run();
            }
            catch (const std::exception& e) {
                ShowException(e);
            }
        });
        m_list->addAction(action);
    }
    auto* help = new QAction(QStringLiteral("&Hilfe"), this);
    help->setObjectName(QStringLiteral("Hilfe"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    connect(help, &QAction::triggered, this, [this] { ShowHelpTopic(this, QStringLiteral("archiv.htm")); });
    addAction(help);
    auto* close = new QAction(QString::fromUtf8("Schließen"), this);
    close->setObjectName(QStringLiteral("Schliessen"));
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    close->setShortcutContext(Qt::WindowShortcut);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
}

void TArchiv::UpdateActions()
{
    const auto m = Current();
    for (const char* name : {"AC_Oeffnen", "AC_Notiz", "AC_Speichern", "AC_Papierkorb"})
        if (QAction* a = Action(QString::fromLatin1(name)))
            a->setEnabled(m.has_value());
    if (QAction* a = Action(QStringLiteral("AC_Gehoert")))
        a->setEnabled(m && !m->heard);
    if (QAction* a = Action(QStringLiteral("AC_Ungehoert")))
        a->setEnabled(m && m->heard);
}

void TArchiv::ShowContextMenu(const QPoint& pos)
{
    const QModelIndex at = m_list->indexAt(pos);
    if (at.isValid())
        SelectRow(at.row());
    UpdateActions();
    if (!Current())
        return;
    QMenu menu(this);
    menu.addAction(Action(QStringLiteral("AC_Oeffnen")));
    menu.addSeparator();
    menu.addAction(Current()->heard ? Action(QStringLiteral("AC_Ungehoert"))
                                    : Action(QStringLiteral("AC_Gehoert")));
    menu.addAction(Action(QStringLiteral("AC_Notiz")));
    menu.addAction(Action(QStringLiteral("AC_Speichern")));
    menu.addSeparator();
    menu.addAction(Action(QStringLiteral("AC_Papierkorb")));
    menu.exec(m_list->viewport()->mapToGlobal(pos));
}

std::optional<ArchivedMessage> TArchiv::Current() const
{
    if (!m_model)
        return std::nullopt;
    const ArchivedMessage* m = m_model->message(m_list->currentIndex().row());
    return m ? std::optional<ArchivedMessage>(*m) : std::nullopt;
}

bool TArchiv::OpenCurrent()
{
    const auto m = Current();
    if (!m)
        return false;
    bool shown = false;
    switch (m->kind) {
    case MessageKind::Voice:
        shown = OpenVoice(*m);
        break;
    case MessageKind::Fax:
        shown = OpenFax(*m);
        break;
    default: {
        const QString dat = FileEndingIn(m->files, QStringLiteral("dat"));
        if (!dat.isEmpty()) {
            OpenFile(dat);
            shown = true;
        }
        break;
    }
    }
    if (!shown) {
        Messages().error(
            kCaption,
            QStringLiteral("Die Nachricht %1 lässt sich nicht öffnen: ihre Dateien fehlen im Archiv.")
                .arg(Described(*m)));
        return false;
    }
    if (!m->heard && m_archive) {
        const QString problem = m_archive->setHeard(m->id, true);
        if (!problem.isEmpty())
            Messages().error(kCaption, problem);
        m_model->refreshMessage(m->id);
        UpdateActions();
    }
    return true;
}

bool TArchiv::OpenVoice(const ArchivedMessage& m)
{
    QString wav = FileEndingIn(m.files, QStringLiteral("wav"));
    if (wav.isEmpty() && m_zarvo) {
        // Only the downloaded bytes are left: converted again, into a work file.
        const QString msg = FileEndingIn(m.files, QStringLiteral("msg"));
        const QString work = ProgramPaths::workFile(QStringLiteral("~~archiv.wav"));
        if (!msg.isEmpty() && m_zarvo->ConvertVoice(ReadAll(msg), work) == 0)
            wav = work;
    }
    if (wav.isEmpty())
        return false;
    if (m_wave)
        m_wave->PlayFile(wav);
    else
        OpenFile(wav);
    return true;
}

bool TArchiv::OpenFax(const ArchivedMessage& m)
{
    // The downloaded bytes in the program's own fax window; without them the kept PDF or TIFF.
    const QString msg = FileEndingIn(m.files, QStringLiteral("msg"));
    if (!msg.isEmpty() && m_zarvo) {
        const QByteArray data = ReadAll(msg);
        if (data.size() > 2 && data.at(0) == 'F') {
            // Opened on the page the search found its words on.
            TFaxView* view = OpenFaxViewer(*m_zarvo);
            const std::span<const uint8_t> fax = FaxPartOf(data);
            view->DecodeFax(FaxBytes(fax.begin(), fax.end()));
            if (m.hitPage > 1)
                view->ShowPage(m.hitPage - 1);
            return true;
        }
    }
    for (const char* suffix : {"pdf", "tif"}) {
        const QString file = FileEndingIn(m.files, QString::fromLatin1(suffix));
        if (!file.isEmpty()) {
            OpenFile(file);
            return true;
        }
    }
    return false;
}

void TArchiv::OpenFile(const QString& file)
{
    if (OpenFileHook)
        OpenFileHook(file);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void TArchiv::SetHeardCurrent(bool heard)
{
    const auto m = Current();
    if (!m || !m_archive)
        return;
    const QString problem = m_archive->setHeard(m->id, heard);
    if (!problem.isEmpty())
        Messages().error(kCaption, problem);
    m_model->refreshMessage(m->id);
    UpdateActions();
}

void TArchiv::EditNoteCurrent()
{
    const auto m = Current();
    if (!m || !m_archive)
        return;
    std::optional<QString> note;
    if (AskNote) {
        note = AskNote(*this, m->note);
    }
    else {
        bool ok = false;
        const QString text = QInputDialog::getText(
            this, QStringLiteral("Notiz bearbeiten"),
            QStringLiteral("Notiz zur Nachricht %1:").arg(Described(*m)), QLineEdit::Normal, m->note, &ok);
        if (ok)
            note = text;
    }
    if (!note || *note == m->note)
        return;
    const QString problem = m_archive->setNote(m->id, note->trimmed());
    if (!problem.isEmpty())
        Messages().error(kCaption, problem);
    m_model->refreshMessage(m->id);
}

void TArchiv::SaveCurrentAs()
{
    const auto m = Current();
    if (!m)
        return;
    // What people open: the WAV of a voice message, a fax as PDF (else its TIFF), a data message's bytes.
    QString source;
    QString filter;
    if (m->kind == MessageKind::Voice) {
        source = FileEndingIn(m->files, QStringLiteral("wav"));
        filter = QStringLiteral("Wave-Dateien (*.wav)");
    }
    else if (m->kind == MessageKind::Fax) {
        source = FileEndingIn(m->files, QStringLiteral("pdf"));
        filter = QStringLiteral("PDF-Dateien (*.pdf)");
        if (source.isEmpty()) {
            source = FileEndingIn(m->files, QStringLiteral("tif"));
            filter = QStringLiteral("TIFF-Dateien (*.tif)");
        }
    }
    else {
        source = FileEndingIn(m->files, QStringLiteral("dat"));
        filter = QStringLiteral("Alle Dateien (*)");
    }
    if (source.isEmpty()) {
        Messages().error(kCaption,
                         QStringLiteral("Zur Nachricht %1 fehlt die Datei im Archiv.").arg(Described(*m)));
        return;
    }
    const QString suggested = QDir::home().filePath(QFileInfo(source).fileName());
    const QString target =
        AskSaveFileName ? AskSaveFileName(*this, suggested, filter)
                        : QFileDialog::getSaveFileName(this, QStringLiteral("Nachricht speichern unter"),
                                                       suggested, filter);
    if (target.isEmpty() || QFileInfo(target).absoluteFilePath() == QFileInfo(source).absoluteFilePath())
        return;
    const QByteArray bytes = ReadAll(source);
    if (bytes.isEmpty()) {
        Messages().error(kCaption, QStringLiteral("%1 lässt sich nicht lesen.").arg(source));
        return;
    }
    // The file dialog asked before an existing file is replaced; the copy is whole or not at all.
    OutputFile out(QFile::encodeName(target).toStdString(), Existing::Replace);
    if (!out.Open() || !out.Write(bytes.constData(), static_cast<std::size_t>(bytes.size())) || !out.Commit())
        Messages().error(kCaption, QStringLiteral("%1 lässt sich nicht schreiben: %2")
                                       .arg(target, QString::fromStdString(out.Reason())));
}

void TArchiv::TrashCurrent()
{
    const auto m = Current();
    if (!m || !m_archive)
        return;
    if (!Messages().question(
            kCaption, QStringLiteral("Die Nachricht %1 in den Papierkorb legen?\rSie verschwindet aus dem "
                                     "Archiv; ihre Dateien kommen in den Papierkorb des Desktops.")
                          .arg(Described(*m))))
        return;
    const QString problem = m_archive->trash(m->id);
    if (!problem.isEmpty()) {
        Messages().error(kCaption, problem);
        return;
    }
    m_count = -1; // the list is read again, the same row stays current
    LookForNewMessages();
}

} // namespace zarvo
