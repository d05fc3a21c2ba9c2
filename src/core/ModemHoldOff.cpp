// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ModemHoldOff.h"

#include "core/HoldRequests.h"

namespace zarvo {

ModemHoldOff::ModemHoldOff(HoldRequests& requests, std::function<bool()> busy,
                           std::function<void(bool)> setHeld, int checkMs, QObject* parent)
    : QObject(parent), m_server(requests), m_busy(std::move(busy)), m_setHeld(std::move(setHeld))
{
    m_check.setInterval(checkMs);
    connect(&m_check, &QTimer::timeout, this, &ModemHoldOff::Check);
    connect(&m_server, &HoldRequests::HoldRequested, this, [this] {
        m_check.start();
        Check();
    });
    connect(&m_server, &HoldRequests::HoldEnded, this, &ModemHoldOff::Ended);
    // A batch run that asked before this side was ready is not forgotten.
    if (m_server.HoldWanted())
        m_check.start();
}

bool ModemHoldOff::Active() const
{
    return m_held || m_server.HoldWanted();
}

void ModemHoldOff::Check()
{
    if (!m_server.HoldWanted()) {
        m_check.stop();
        return;
    }
    // An exchange or a block download in progress ends first; the next one finds the modem held.
    if (m_busy && m_busy())
        return;
    m_check.stop();
    m_held = true;
    if (m_setHeld)
        m_setHeld(true);
    m_server.Grant();
}

void ModemHoldOff::Ended()
{
    m_check.stop();
    if (!m_held)
        return;
    m_held = false;
    if (m_setHeld)
        m_setHeld(false);
    emit Released();
}

} // namespace zarvo
