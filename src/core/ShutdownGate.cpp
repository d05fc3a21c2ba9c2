// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ShutdownGate.h"

namespace zarvo {

ShutdownGate::ShutdownGate(Hooks hooks, int checkMs, int limitMs, QObject* parent)
    : QObject(parent), m_hooks(std::move(hooks))
{
    m_check.setInterval(checkMs);
    connect(&m_check, &QTimer::timeout, this, &ShutdownGate::Check);
    m_limit.setSingleShot(true);
    m_limit.setInterval(limitMs);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        m_check.stop();
        if (m_hooks.forceEnd)
            m_hooks.forceEnd();
    });
}

void ShutdownGate::Request()
{
    if (m_requested)
        return;
    m_requested = true;
    m_limit.start();
    if (m_hooks.stopWork)
        m_hooks.stopWork();
    m_check.start();
    // The first check runs from the event loop, not inside whatever delivered the request.
}

void ShutdownGate::Check()
{
    if (m_closing)
        return;
    if (m_hooks.dismissModals)
        m_hooks.dismissModals();
    if (m_hooks.ready && !m_hooks.ready())
        return;
    m_closing = true;
    m_check.stop();
    if (m_hooks.close)
        m_hooks.close();
}

} // namespace zarvo
