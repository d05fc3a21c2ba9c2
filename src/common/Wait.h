// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <functional>

namespace zarvo {

// Waits ms milliseconds on a monotonic clock while the event loop keeps running (timers, serial
// polling, user input). Sleeps between events; ms = 0 returns at once.
void Delay(quint32 ms);

// Runs the event loop until done() is true or timeoutMs passed (timeoutMs < 0: no limit).
// done() is checked before the first wait and after each batch of events. True when done.
bool WaitUntil(const std::function<bool()>& done, qint64 timeoutMs);

} // namespace zarvo
