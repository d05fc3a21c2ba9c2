// SPDX-License-Identifier: GPL-3.0-or-later
// THaupt: the user's other runs (a second start, a batch run beside this one) and the end of the
// program asked for from outside (signals, the end of the session).
#include "app/UHaupt.h"
#include "core/ModemHoldOff.h"
#include "core/ShutdownGate.h"
#include "modem/Zarvo.h"
#include "platform/InstanceChannel.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

namespace zarvo {

void THaupt::SyncHeldOff()
{
    Zarvo1->HeldOff = m_stopping || (m_holdOff && m_holdOff->Held());
    UpdateBusyDisplay();
}

ModemAccess THaupt::Access() const
{
    ModemAccessFacts facts;
    facts.stopping = m_stopping;
    facts.holdAsked = Zarvo1->HeldOff || (m_holdOff && m_holdOff->Active());
    facts.locked = Zarvo1->Locked;
    facts.dialUp = DFUEActive;
    facts.busy = Zarvo1->Busy;
    return ModemAccessFor(facts);
}

void THaupt::SetInstanceServer(InstanceServer* server)
{
    if (!server)
        return;
    connect(server, &InstanceServer::ShowRequested, this, [this] { F_WiederExecute(); });
    connect(server, &InstanceServer::OpenRequested, this, [this](const QString& path) { OpenFaxFile(path); });
    m_holdOff = new ModemHoldOff(
        *server, [this] { return Zarvo1->Busy; }, [this](bool) { SyncHeldOff(); }, 100, this);
    connect(m_holdOff, &ModemHoldOff::Released, this, [this] {
        if (m_closing || m_closed || ShutdownRequested())
            return;
        // The batch run may have saved and erased messages: read the list again.
        QTimer::singleShot(0, this, [this] {
            Guarded([this] {
                m_inbox->Invalidate();
                CheckNewMessages();
                UpdateBusyDisplay();
            });
        });
    });
}

bool THaupt::ShutdownRequested() const
{
    return m_shutdown && m_shutdown->Requested();
}

void THaupt::DismissModals()
{
    // One at a time: closing a box may open the next one (an error after a stopped download).
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (qobject_cast<QMessageBox*>(modal))
        modal->close(); // its escape button: No for a question, OK for a message
    else if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject(); // Cancel: nothing is changed
    else
        modal->close();
}

void THaupt::RequestShutdown()
{
    if (!m_shutdown) {
        ShutdownGate::Hooks hooks;
        hooks.stopWork = [this] {
            // Each running sequence stops at its next exchange; the one in progress ends first.
            m_stopping = true;
            SyncHeldOff();
        };
        hooks.dismissModals = [this] { DismissModals(); };
        hooks.ready = [this] {
            return !Zarvo1->Busy && !m_startingUp && !m_checking && !m_closing &&
                   !QApplication::activeModalWidget() && !QApplication::activePopupWidget() &&
                   QThread::currentThread()->loopLevel() <= 1;
        };
        hooks.close = [this] {
            // The modem is ours again for the close box's sequence, unless a batch run holds it.
            m_stopping = false;
            SyncHeldOff();
            EmergencyExit = false;
            if (!m_closed)
                close();
        };
        hooks.forceEnd = [this] {
            Zarvo1->MainPort->Disconnect();
            Zarvo1->ProbePort->Disconnect();
            if (ForceEnd)
                ForceEnd();
        };
        m_shutdown = new ShutdownGate(std::move(hooks), 50, ShutdownLimitMs, this);
    }
    m_shutdown->Request();
}

} // namespace zarvo
