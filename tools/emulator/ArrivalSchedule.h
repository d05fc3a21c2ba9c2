// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EmulatorTypes.h"

#include <vector>

namespace zarvo::emu {

// The messages that come in while the emulator serves: after a number of seconds, or right after
// a number of block answers have gone out whole. Each arrives once, in the order given.
class ArrivalSchedule {
  public:
    explicit ArrivalSchedule(std::vector<Arrival> arrivals) : m_arrivals(std::move(arrivals)) {}

    // Those due `elapsedMs` after start, taken off the schedule.
    std::vector<StoredMessage> dueAt(long elapsedMs);
    // A block answer went out whole: those due after it, taken off the schedule.
    std::vector<StoredMessage> blockSent();
    // How long until the next timed arrival is due; -1 when none is left.
    long msToNext(long elapsedMs) const;

  private:
    template <typename Due> std::vector<StoredMessage> take(Due due);

    std::vector<Arrival> m_arrivals; // still to come
    int m_blocksSent = 0;            // block answers that went out whole
};

} // namespace zarvo::emu
