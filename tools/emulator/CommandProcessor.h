// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ArrivalSchedule.h"
#include "EmulatorTypes.h"
#include "FaultOverlay.h"
#include "LineTokenizer.h"
#include "MessageMemory.h"
#include "ModemClock.h"

#include <set>
#include <string>
#include <vector>

namespace zarvo::emu {

// What the modem sends for one command line.
struct Reply {
    struct Delivery {
        std::size_t end; // bytes up to here carry the whole block
        int block;
    };
    std::string bytes;
    bool deadAfter = false;           // the line goes dead once these bytes are out
    int delayMs = 0;                  // the answer starts this late
    std::vector<Delivery> deliveries; // blocks answered in full, in order
};

// The modem's brain: parses AT command lines and keeps everything the commands change (echo,
// verbose, settings, clock, memory, directory states, fault counters). No I/O and not
// thread-safe: the emulator calls it under its state lock.
class CommandProcessor {
  public:
    // Fills the memory; throws std::runtime_error when the messages do not fit.
    explicit CommandProcessor(const EmulatorOptions& options);

    // One received line without its CR.
    Reply execute(const std::string& line);
    // A block answer went out completely: the directory state rule may apply.
    void blockDelivered(int block);
    // Messages that come in while serving: those of the options due `elapsedMs` after start, and
    // one handed over now (false when it does not fit into the memory).
    void arriveDue(long elapsedMs);
    bool arrive(const StoredMessage& message);
    // How long until the next timed arrival is due; -1 when none is left.
    long msToNextArrival(long elapsedMs) const;

    bool echo() const { return m_echo; }
    bool verbose() const { return m_verbose; }
    bool selfMode() const { return m_selfMode; }
    const SelfModeSettings& working() const { return m_working; }
    const SelfModeSettings& stored() const { return m_stored; }
    const MessageMemory& memory() const { return m_memory; }
    const std::vector<std::string>& playbackCommands() const { return m_playback; }
    ModemClock& clock() { return m_clock; }
    const ModemClock& clock() const { return m_clock; }
    Faults& faults() { return m_faults.faults(); }
    const Faults& faults() const { return m_faults.faults(); }

    // The block as the next "+MTP=" would send (and from then on store) it, with a pending
    // okInData fault laid over it.
    std::string blockAsSent(int n) const;

  private:
    struct Part {
        bool raw;     // block data: never reformatted
        bool verbose; // framing at the time it was produced
        std::string text;
        int block = -1; // raw: the block it answers in full
    };

    bool basicCommand(LineTokenizer& in, std::vector<Part>& out);
    bool extendedCommand(LineTokenizer& in, std::vector<Part>& out, Reply& reply);
    bool booleanSetting(LineTokenizer& in, bool& value, std::vector<Part>& out);
    bool status(int index, std::vector<Part>& out);
    bool transferBlock(int block, std::vector<Part>& out, Reply& reply);
    bool playback(LineTokenizer& in, std::vector<Part>& out);
    void reset();
    void markDownloaded(int block);
    void arriveAll(const std::vector<StoredMessage>& messages);
    void info(std::vector<Part>& out, std::string text) const;
    std::string finalResult(bool ok) const;

    EmulatorOptions m_options;
    bool m_echo;
    bool m_verbose;
    bool m_selfMode = false;
    SelfModeSettings m_working;
    SelfModeSettings m_stored;
    ModemClock m_clock;
    MessageMemory m_memory;
    FaultOverlay m_faults;
    std::vector<std::string> m_playback;
    // Directory state rule: the entry last queried and the blocks delivered since.
    std::size_t m_watched = 0;
    std::set<int> m_watchedDelivered;
    ArrivalSchedule m_arrivals;
};

} // namespace zarvo::emu
