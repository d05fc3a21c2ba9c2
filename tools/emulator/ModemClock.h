// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EmulatorTypes.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace zarvo::emu {

// The modem's clock: a running count of days, hours, minutes and seconds since it was set.
// Not thread-safe; the emulator guards it with its state lock.
class ModemClock {
  public:
    // start nullopt: the host's day of the month and local time of day.
    ModemClock(std::optional<ClockValue> start, bool unset, bool running);

    bool isSet() const { return m_set; }
    ClockValue value() const; // all zero while unset
    void set(const ClockValue& v);
    void advance(int seconds);
    // "+MCC?" answer: "d,h,m,s" or "255,255,255,255" while unset.
    std::string queryText() const;

    // Hours 0..23, minutes and seconds 0..59, days 0..254 (255 marks the unset clock).
    static bool valid(const ClockValue& v);
    static ClockValue hostNow();

  private:
    std::int64_t elapsedSeconds() const;

    bool m_set;
    bool m_running;
    std::int64_t m_base = 0; // seconds at m_setAt
    std::chrono::steady_clock::time_point m_setAt;
};

} // namespace zarvo::emu
