// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArrivalSchedule.h"

#include <algorithm>

namespace zarvo::emu {

template <typename Due> std::vector<StoredMessage> ArrivalSchedule::take(Due due)
{
    std::vector<StoredMessage> out;
    for (auto it = m_arrivals.begin(); it != m_arrivals.end();) {
        if (!due(*it)) {
            ++it;
            continue;
        }
        out.push_back(it->message);
        it = m_arrivals.erase(it);
    }
    return out;
}

std::vector<StoredMessage> ArrivalSchedule::dueAt(long elapsedMs)
{
    return take([elapsedMs](const Arrival& a) {
        return a.when == Arrival::When::AfterSeconds && long(a.count) * 1000 <= elapsedMs;
    });
}

std::vector<StoredMessage> ArrivalSchedule::blockSent()
{
    ++m_blocksSent;
    return take(
        [this](const Arrival& a) { return a.when == Arrival::When::AfterBlock && a.count <= m_blocksSent; });
}

long ArrivalSchedule::msToNext(long elapsedMs) const
{
    long next = -1;
    for (const Arrival& a : m_arrivals) {
        if (a.when != Arrival::When::AfterSeconds)
            continue;
        long in = std::max(0L, long(a.count) * 1000 - elapsedMs);
        next = next < 0 ? in : std::min(next, in);
    }
    return next;
}

} // namespace zarvo::emu
