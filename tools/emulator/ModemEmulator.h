// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EmulatorTypes.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zarvo::emu {

// A US Robotics Message Modem on a pseudo-terminal. start() opens the pty and serves it from a
// thread of its own until stop() or destruction. All accessors are thread-safe.
//
// The program side may open and close the slave for every exchange: while nobody holds the slave,
// whatever the modem answers is thrown away, as on a serial line with no one listening.
class ModemEmulator {
  public:
    // Fills the memory; throws std::runtime_error when the messages do not fit or overlap.
    explicit ModemEmulator(EmulatorOptions options = {});
    ~ModemEmulator();
    ModemEmulator(const ModemEmulator&) = delete;
    ModemEmulator& operator=(const ModemEmulator&) = delete;

    // Opens the pty, creates the link and starts serving. Throws std::runtime_error when the pty,
    // the link or the transcript file cannot be made.
    void start();
    // Stops serving, closes the pty and removes the link. Safe to call twice.
    void stop();

    std::string slavePath() const; // /dev/pts/N
    std::string portPath() const;  // the link when one was asked for, else the slave path

    // Received command lines (without CR), oldest first.
    std::vector<std::string> transcript() const;
    void clearTranscript();
    // Waits until the transcript holds at least `count` lines; false on time-out.
    bool waitForTranscript(std::size_t count, std::chrono::milliseconds timeout) const;

    void setFaults(const Faults& faults);
    Faults faults() const;
    // How often the modem noticed that a reader had closed the slave (its pending output was
    // dropped). Tests wait for it before opening again, so no stale answer can be waiting.
    int lineDrops() const;
    bool dead() const; // the line went dead by the lineDead fault
    void revive();     // leave the dead state

    SelfModeSettings workingSettings() const;
    SelfModeSettings storedSettings() const;
    bool selfMode() const; // "+MCS=1" was the last self-mode command
    bool echo() const;
    bool verbose() const;
    std::vector<DirectoryEntry> directory() const;
    std::vector<std::uint8_t> block(int n) const;       // memory contents of block n
    std::vector<std::uint8_t> blockAsSent(int n) const; // with a pending okInData fault applied
    std::vector<std::string> playbackCommands() const;  // "+MVP=3", "+MVP3" as received
    // A call comes in now: the message is added after the last one in memory (false when it does not
    // fit). The options' arrivals come the same way at their time.
    bool arrive(const StoredMessage& message);
    ClockValue clock() const;
    void advanceClock(int seconds);

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zarvo::emu
