// SPDX-License-Identifier: GPL-3.0-or-later
// The new-message poll's decisions: when to ask the modem and what counts as new.
#include "core/NewMessagePoll.h"

#include "core/Inbox.h"

#include <QElapsedTimer>

#include <algorithm>

namespace zarvo {

NewMessagePoll::Clock NewMessagePoll::SteadyClock()
{
    return [] {
        static QElapsedTimer timer;
        if (!timer.isValid())
            timer.start();
        return timer.elapsed();
    };
}

NewMessagePoll::NewMessagePoll(Inbox& inbox, Clock clock) : m_inbox(inbox), m_clock(std::move(clock))
{
    // The start-up reads the list itself: the first poll comes one interval later.
    m_lastEnd = m_clock();
}

void NewMessagePoll::Configure(bool enabled, int minutes)
{
    m_enabled = enabled;
    m_intervalMs = qint64(std::clamp(minutes, kNoticeMinMinutes, kNoticeMaxMinutes)) * 60 * 1000;
}

bool NewMessagePoll::Due() const
{
    return m_enabled && !m_running && m_clock() - m_lastEnd >= m_intervalMs;
}

PollResult NewMessagePoll::Run(PollHost& host)
{
    if (!m_enabled)
        return {PollOutcome::Off, {}};
    if (!Due())
        return {PollOutcome::NotDue, {}};
    PollResult result;
    if (!host.ModemIdle()) {
        result.Outcome = PollOutcome::NotIdle;
    }
    else if (host.HeldOff()) {
        result.Outcome = PollOutcome::HeldOff;
    }
    else {
        m_running = true;
        try {
            result = Poll(host);
        }
        catch (...) {
            m_running = false;
            m_lastEnd = m_clock();
            throw;
        }
        m_running = false;
    }
    m_lastEnd = m_clock();
    return result;
}

PollResult NewMessagePoll::Poll(PollHost& host)
{
    const std::optional<int> count = host.ReadEntryCount();
    if (!count || *count < 0)
        return {PollOutcome::NoAnswer, {}};
    const std::vector<tMessageReport>& known = m_inbox.Directory();
    const int knownCount = static_cast<int>(known.size());
    // The same number of entries may still be other messages: the memory erased and filled again
    // between two polls. The newest entry tells, since a refill ends with a message it never held.
    std::optional<tMessageReport> newest;
    if (m_inbox.Known() && *count == knownCount) {
        if (*count == 0)
            return {PollOutcome::Unchanged, {}};
        newest = host.ReadEntry(*count);
        if (!newest)
            return {PollOutcome::NoAnswer, {}};
        if (SameMessage(*newest, known.back())) {
            m_inbox.Refresh(*count, *newest);
            return {PollOutcome::Unchanged, {}};
        }
    }
    // More entries: only the new ones are read. Fewer (an erase, perhaps refilled), other ones or
    // nothing known yet: the whole directory.
    const bool grew = m_inbox.Known() && *count > knownCount;
    std::vector<tMessageReport> directory = grew ? known : std::vector<tMessageReport>{};
    const int first = grew ? knownCount + 1 : 1;
    for (int index = first; index <= *count; ++index) {
        std::optional<tMessageReport> entry = index == *count && newest ? newest : host.ReadEntry(index);
        if (!entry)
            return {PollOutcome::NoAnswer, {}}; // what was known stays; the next poll reads again
        directory.push_back(*entry);
    }
    PollResult result{PollOutcome::NothingNew, m_inbox.Update(std::move(directory), first, !grew)};
    if (!result.Fresh.empty())
        result.Outcome = PollOutcome::NewMessages;
    return result;
}

} // namespace zarvo
