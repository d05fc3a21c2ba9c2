#pragma once

#include "modem/ModemTypes.h"

#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

namespace zarvo {

class AnnouncedMessages;

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
    Unchanged,   // the number of entries is what it was: nothing more was read
    NothingNew,  // entries were read, but none is both unheard and not yet announced
    NewMessages, // Fresh holds the entries to announce; they now count as announced
};

struct PollResult {
    PollOutcome Outcome = PollOutcome::NotDue;
    std::vector<tMessageReport> Fresh;
};

// The new-message poll without widgets: decides when to ask the modem, reads only what is new, and
// tells which entries deserve a notice. The interval runs from the end of the last poll, so polls
// never pile up behind a long download; a poll never runs inside another (waits are nested loops).
class NewMessagePoll {
  public:
    // A monotonic clock in milliseconds.
    using Clock = std::function<qint64()>;
    static Clock SteadyClock();

    NewMessagePoll(AnnouncedMessages& announced, Clock clock = SteadyClock());

    // From the settings: on or off, and the interval in minutes (kept within 1..1440).
    void Configure(bool enabled, int minutes);
    bool Enabled() const { return m_enabled; }
    qint64 IntervalMs() const { return m_intervalMs; }
    bool Due() const;

    // Polls when due and the host allows it.
    PollResult Run(PollHost& host);

    // The window built its list from the whole directory: these entries are known, and shown, so
    // the poll does not announce them.
    void NoteListed(const std::vector<tMessageReport>& directory);

    // Message `index` (1-based) was downloaded, which marks it read in the modem.
    void NoteHeard(int index);

    // Entries not yet listened to, as far as the last list or poll knows.
    int Unheard() const;

  private:
    PollResult Poll(PollHost& host);

    AnnouncedMessages& m_announced;
    Clock m_clock;
    bool m_enabled = false;
    qint64 m_intervalMs = 10 * 60 * 1000;
    qint64 m_lastEnd = 0;
    bool m_running = false;
    bool m_known = false; // m_directory holds the whole directory as last seen
    std::vector<tMessageReport> m_directory;
};

} // namespace zarvo
