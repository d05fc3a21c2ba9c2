// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "modem/ModemTypes.h"

#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

namespace zarvo {

class Inbox;

// The interval the options dialog offers, in minutes.
inline constexpr int kNoticeMinMinutes = 1;
inline constexpr int kNoticeMaxMinutes = 1440;

// What the poll asks of the program around it.
class PollHost {
  public:
    virtual ~PollHost() = default;
    // The modem component is free: no exchange, no download, no lock, and the window is not in
    // a modem sequence of its own (start-up, a check, a command).
    virtual bool ModemIdle() const = 0;
    // The port is held off for another program (a batch run beside the desktop program).
    virtual bool HeldOff() const { return false; }
    // The number of directory entries; nothing when the modem did not answer or refused.
    virtual std::optional<int> ReadEntryCount() = 0;
    // Directory entry `index` (1-based); nothing when the query failed.
    virtual std::optional<tMessageReport> ReadEntry(int index) = 0;
};

enum class PollOutcome {
    Off,         // the notice is switched off
    NotDue,      // the interval since the end of the last poll has not passed
    NotIdle,     // the modem component was busy; tried again after the next interval
    HeldOff,     // the port was held off for another program; the same
    NoAnswer,    // the modem did not answer (or is busy with a call); the same
    Unchanged,   // the same number of entries, and the newest is the message it was
    NothingNew,  // entries were read, but none is both unheard and not yet announced
    NewMessages, // Fresh holds the entries to announce; they now count as announced
};

struct PollResult {
    PollOutcome Outcome = PollOutcome::NotDue;
    std::vector<tMessageReport> Fresh;
};

// The new-message poll without widgets: decides when to ask the modem, reads only what is new, and
// tells which entries deserve a notice; what it reads goes into the inbox. The interval runs from the end of
// the last poll, so polls never pile up behind a long download; a poll never runs inside another (waits are
// nested loops).
class NewMessagePoll {
  public:
    // A monotonic clock in milliseconds.
    using Clock = std::function<qint64()>;
    static Clock SteadyClock();

    NewMessagePoll(Inbox& inbox, Clock clock = SteadyClock());

    // From the settings: on or off, and the interval in minutes (kept within 1..1440).
    void Configure(bool enabled, int minutes);
    bool Enabled() const { return m_enabled; }
    qint64 IntervalMs() const { return m_intervalMs; }
    bool Due() const;

    // Polls when due and the host allows it.
    PollResult Run(PollHost& host);

  private:
    PollResult Poll(PollHost& host);

    Inbox& m_inbox;
    Clock m_clock;
    bool m_enabled = false;
    qint64 m_intervalMs = 10 * 60 * 1000;
    qint64 m_lastEnd = 0;
    bool m_running = false;
};

} // namespace zarvo
