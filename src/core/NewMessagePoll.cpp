// The new-message poll's decisions: when to ask the modem and what counts as new.
#include "core/NewMessagePoll.h"

#include "core/AnnouncedMessages.h"

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

NewMessagePoll::NewMessagePoll(AnnouncedMessages& announced, Clock clock)
    : m_announced(announced), m_clock(std::move(clock))
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
    const int known = static_cast<int>(m_directory.size());
    if (m_known && *count == known)
        return {PollOutcome::Unchanged, {}};
    // More entries: only the new ones are read. Fewer (an erase, perhaps refilled) or nothing known
    // yet: the whole directory.
    const bool grew = m_known && *count > known;
    std::vector<tMessageReport> directory = grew ? m_directory : std::vector<tMessageReport>{};
    const int first = grew ? known + 1 : 1;
    for (int index = first; index <= *count; ++index) {
        const std::optional<tMessageReport> entry = host.ReadEntry(index);
        if (!entry)
            return {PollOutcome::NoAnswer, {}}; // what was known stays; the next poll reads again
        directory.push_back(*entry);
    }
    m_directory = std::move(directory);
    m_known = true;
    if (!grew)
        m_announced.Retain(m_directory);

    PollResult result{PollOutcome::NothingNew, {}};
    for (auto it = m_directory.begin() + (first - 1); it != m_directory.end(); ++it)
        if (!it->Listened && !m_announced.Contains(*it))
            result.Fresh.push_back(*it);
    if (!result.Fresh.empty()) {
        m_announced.Add(result.Fresh);
        result.Outcome = PollOutcome::NewMessages;
    }
    return result;
}

void NewMessagePoll::NoteListed(const std::vector<tMessageReport>& directory)
{
    m_directory = directory;
    m_known = true;
    m_announced.Retain(directory);
    std::vector<tMessageReport> unheard;
    std::copy_if(directory.begin(), directory.end(), std::back_inserter(unheard),
                 [](const tMessageReport& r) { return !r.Listened; });
    m_announced.Add(unheard);
}

void NewMessagePoll::NoteHeard(int index)
{
    if (index >= 1 && index <= static_cast<int>(m_directory.size())) {
        m_directory[index - 1].Listened = true;
        m_directory[index - 1].Downloaded = true;
    }
}

int NewMessagePoll::Unheard() const
{
    return static_cast<int>(std::count_if(m_directory.begin(), m_directory.end(),
                                          [](const tMessageReport& r) { return !r.Listened; }));
}

} // namespace zarvo
