// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace zarvo {

bool WaitUntil(const std::function<bool()>& done, qint64 timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // The wake-up timer guarantees the blocking event wait returns by the deadline.
    QTimer wake;
    wake.setSingleShot(true);
    while (!done()) {
        if (timeoutMs >= 0) {
            const qint64 left = timeoutMs - clock.elapsed();
            if (left <= 0)
                return false;
            wake.start(static_cast<int>(std::min<qint64>(left, 1 << 30)));
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void Delay(quint32 ms)
{
    if (ms == 0)
        return;
    WaitUntil([] { return false; }, ms);
}

} // namespace zarvo
