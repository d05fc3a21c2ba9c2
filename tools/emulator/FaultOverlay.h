// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EmulatorTypes.h"

#include <optional>
#include <string>

namespace zarvo::emu {

// The fault switches laid over the modem's answers: which command line or block answer a fault
// hits, counting its hits down, and how it changes the answer. The caller asks in the order the
// faults act; every question that hits counts one hit.
class FaultOverlay {
  public:
    explicit FaultOverlay(const Faults& faults) : m_faults(faults) {}

    Faults& faults() { return m_faults; }
    const Faults& faults() const { return m_faults; }

    // Command-line faults, asked before the line is executed.
    bool swallows(const std::string& line);     // noReply
    bool answersLate(const std::string& line);  // lateReply: answered lateReplyMs later
    bool answersError(const std::string& line); // error
    bool garblesField(const std::string& line); // badField, asked for command lines only
    // The value line with the badField field replaced.
    std::string garbleField(const std::string& valueLine) const;

    // Block faults of one "+MTP=" answer, in this order.
    bool writesOkInData(int block);                   // okInData: the caller writes it into the memory
    std::optional<std::size_t> cutShortAt(int block); // data bytes sent before the answer ends
    std::optional<std::size_t> lineDeadAt(int block); // data bytes sent before the line goes dead
    // The block as the next answer would carry it: a pending okInData laid over it, nothing counted.
    std::string withPendingOk(std::string data, int block) const;

  private:
    Faults m_faults;
};

} // namespace zarvo::emu
