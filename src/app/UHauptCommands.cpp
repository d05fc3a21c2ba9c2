// SPDX-License-Identifier: GPL-3.0-or-later
// THaupt: the commands of the menus, the tool bar and the tray, the tray behaviour, and closing.
#include "app/About.h"
#include "app/HelpAccess.h"
#include "app/TaskIcon.h"
#include "app/UHaupt.h"
#include "app/UOptionen.h"
#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"
#include "core/BatchSave.h"
#include "core/StatusLogFile.h"
#include "modem/Zarvo.h"
#include "viewer/FaxViewerFactory.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QTimer>

namespace zarvo {

void THaupt::AC_OptionenExecute()
{
    if (!Optionen)
        return;
    Optionen->OptsToDialog(Opts);
    Optionen->ShowModal();
}

void THaupt::AC_SpeicherloeschExecute()
{
    // The list is read again while the questions and the archiving wait (a new message, the window
    // activated again): what may go is what it showed when the user chose to erase.
    const std::vector<MessageRow> shown = m_inbox->Rows();
    if (!ArchiveBeforeErase())
        return;
    if (Messages().question(QStringLiteral("Zarvo"),
                            QString::fromUtf8("Soll der Speicher wirklich gelöscht werden?"))) {
        // The modem answers calls while the question waits: erase only what the list showed.
        const MessageListData now = ReadMessageList(*Zarvo1);
        if (ListShowsSameMessages(shown, now))
            Zarvo1->ClearMemory();
        else
            Messages().information(kAppCaption,
                                   QString::fromUtf8("Der Speicher wurde nicht gelöscht: inzwischen ist eine "
                                                     "neue Nachricht eingegangen, oder das Verzeichnis des "
                                                     "Modems war nicht lesbar. Die Liste zeigt jetzt den "
                                                     "Stand des Modems."));
    }
    CheckNewMessages();
}

void THaupt::AbspielenExecute()
{
    SGDblClick();
}

void THaupt::LAbspielenExecute()
{
    if (CurrentRow() > 0)
        Zarvo1->LinePlay(static_cast<quint8>(CurrentRow()));
}

void THaupt::LStoppenExecute()
{
    if (CurrentRow() > 0)
        Zarvo1->LineStop(static_cast<quint8>(CurrentRow()));
}

void THaupt::SchliessenExecute()
{
    close();
}

void THaupt::Z_StatusExecute()
{
    Modemstatus->setVisible(Modemstatus->isHidden());
    Action(QStringLiteral("Z_Status"))->setChecked(!Modemstatus->isHidden());
}

void THaupt::F_WiederExecute()
{
    showNormal();
    QApplication::processEvents();
    raise();
    activateWindow();
    TaskIcon1->SetEnabled(false);
}

void THaupt::TaskIcon1Click()
{
    F_WiederExecute();
}

void THaupt::AC_ModemresetExecute()
{
    // A malformed reply while writing the options is shown; the list is rebuilt all the same.
    Guarded([this] { ReturnToSelfMode(); });
    m_inbox->Invalidate();
    CheckNewMessages();
}

void THaupt::Z_FaxFenExecute()
{
    OpenFaxViewer(*Zarvo1);
}

void THaupt::AC_NachrgeExecute()
{
    // Downloading a message is what marks it read in the modem; the data are not needed.
    if (CurrentRow() > 0) {
        QByteArray data;
        Zarvo1->GetMessage(static_cast<quint8>(CurrentRow()), data);
        ArchiveDownloaded(CurrentRow(), data);
    }
}

void THaupt::AC_NeuNRExecute()
{
    CheckNewMessages();
}

void THaupt::AC_UeberExecute()
{
    if (AboutBox)
        ShowModal(*AboutBox);
}

void THaupt::HilfeExecute()
{
    ShowHelpTopic(this, QStringLiteral("hauptfen.htm"));
}

void THaupt::FehlerprotokollinZwischenablage1Click()
{
    // The log goes whole, whether the memo is shown or not.
    QApplication::clipboard()->setText(Modemstatus->toPlainText());
}

void THaupt::NotAbbruchderAnwendung1Click()
{
    EmergencyExit = true;
    close();
}

void THaupt::ApplicationEvents1Minimize()
{
    // Without a notification area the window simply stays minimised.
    if (!TTaskIcon::Available())
        return;
    TaskIcon1->SetEnabled(true);
    QTimer::singleShot(0, this, [this] {
        if (isMinimized())
            hide();
    });
}

void THaupt::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        ApplicationEvents1Minimize();
}

bool THaupt::FormCloseQuery()
{
    if (EmergencyExit)
        return true;
    if (Zarvo1->Busy) {
        Messages().information(
            kAppCaption,
            QStringLiteral("ZARVO kann nicht beendet werden, solange auf das Modem zugegriffen wird !"));
        return false;
    }
    if (Opts.UnAbEn)
        Guarded([this] { ReturnToSelfMode(); });
    // An unwritable log file is reported but does not keep the program from ending.
    if (LogToFile)
        Guarded([this] { SaveStatusLog(Modemstatus->toPlainText(), ProgramPaths::logFile()); });
    Timer1->stop();
    return true;
}

void THaupt::FormClose()
{
    FreeHtmlHelp();
    TaskIcon1->SetEnabled(false);
}

void THaupt::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    // A second close while the first one is still returning the modem to self mode waits for it.
    if (m_closing) {
        event->ignore();
        return;
    }
    bool canClose = false;
    {
        m_closing = true;
        Guarded([&] { canClose = FormCloseQuery(); });
        m_closing = false;
    }
    if (!canClose) {
        event->ignore();
        return;
    }
    FormClose();
    m_closed = true;
    event->accept();
    emit Closed();
}

} // namespace zarvo
