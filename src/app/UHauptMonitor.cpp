// SPDX-License-Identifier: GPL-3.0-or-later
// THaupt: the background tick every 2 seconds. It keeps the commands in step with the modem's busy
// flag, writes the log file when asked to, and watches the programs that share the modem.
#include "app/UHaupt.h"
#include "app/UOptionen.h"
#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"
#include "common/Wait.h"
#include "core/BackgroundWatch.h"
#include "core/StatusLogFile.h"
#include "core/WindowFinder.h"
#include "modem/Zarvo.h"
#include "platform/ras_api32.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>

namespace zarvo {

namespace {

// What the watches ask of the main window.
class HauptWatchHost : public WatchHost {
  public:
    explicit HauptWatchHost(THaupt& haupt) : m_haupt(haupt) {}
    void SetCaption(const QString& caption) override { m_haupt.setWindowTitle(caption); }
    void LockModem(bool lock) override { m_haupt.Zarvo1->LockModem(lock); }
    void PauseMs(int ms) override { Delay(static_cast<quint32>(ms)); }
    void TestPortAndApply() override
    {
        if (!WaitWhileBusy([this] { return m_haupt.Zarvo1->Busy; },
                           [](int ms) { Delay(static_cast<quint32>(ms)); })) {
            m_haupt.Zarvo1->ShowStatus(
                QStringLiteral("Das Modem ist noch beschäftigt; es wird nicht neu verbunden."));
            return;
        }
        m_haupt.Zarvo1->TestPort(m_haupt.Opts.ComPort);
        if (m_haupt.Optionen)
            Guarded([this] { m_haupt.Optionen->ApplyOpts(m_haupt.Opts); });
    }

  private:
    THaupt& m_haupt;
};

} // namespace

void THaupt::Timer1Timer()
{
    // A hidden menu item can never be chosen, so the emergency exit appears with the status log.
    if (QAction* emergency = findChild<QAction*>(QStringLiteral("NotAbbruchderAnwendung1"))) {
        emergency->setVisible(!Modemstatus->isHidden());
        emergency->setEnabled(!Modemstatus->isHidden());
    }

    if (LogToFile) {
        try {
            SaveStatusLog(Modemstatus->toPlainText(), ProgramPaths::logFile());
            m_logFailed = false;
        }
        catch (const std::exception& e) {
            // Said once, not every 2 seconds; the next success makes a later failure heard again.
            if (!m_logFailed)
                ShowException(e);
            m_logFailed = true;
        }
    }

    // A batch run has the modem: the watches wait, as their returns to self mode would talk to it.
    if (isModemHeldOff()) {
        UpdateBusyDisplay();
        return;
    }

    HauptWatchHost host(*this);
    WatchState state{FaxmonActive, TOnlineActive, DFUEActive, DFUEName};
    const WatchSettings settings{Opts.Faxmon, Opts.TOnline2, Opts.DFUE};
    WatchFaxMonitor(state, settings, *Windows, host);

    UpdateBusyDisplay();
    WatchTOnline(state, settings, *Windows, host);
    ShowDialUpCaption(state, host);
    // Only a link that runs over the modem's own port may ever be hung up.
    RAS->ModemPort = Opts.ComPort != 0 ? ComPortDevicePath(Opts.ComPort) : QString();
    WatchDialUp(state, settings, *RAS, host);
    PollNewMessages();
}

void THaupt::UpdateBusyDisplay()
{
    const BusyDisplay display = BusyDisplayFor(Zarvo1->Busy || Zarvo1->HeldOff, RowCount() - 1);
    StatusPanel1->setText(display.PanelText);
    SG->setEnabled(display.GridEnabled);
    for (const char* name : {"Schliessen", "AC_Speicherloesch", "AC_Modemreset", "AC_Optionen"})
        Action(QString::fromLatin1(name))->setEnabled(display.ProgramCommands);
    for (const char* name : {"Abspielen", "LAbspielen", "LStoppen", "AC_Nachrge"})
        Action(QString::fromLatin1(name))->setEnabled(display.MessageCommands && CurrentRow() > 0);
    UpdateArchiveActions();
}

} // namespace zarvo
