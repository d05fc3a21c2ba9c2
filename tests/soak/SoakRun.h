// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A long random sequence of the modem component's operations against the emulated modem, with
// the emulator's faults injected at random. After every operation the invariants are checked:
//   - no exception but the documented ConvertError (a malformed number in a reply);
//   - Busy, Locked and Capturing are false and both ports are closed;
//   - a download returns 0 with exactly the stored message bytes, or fails and leaves the
//     caller's data as it was. No fault alters block bytes on the line (nothing in the block
//     framing would show it, so a download under it, or a later one served from the block cache,
//     could return other bytes); "OK" inside block data is written into the stored message;
//   - every operation run without a fault succeeds with the modem's true values (so the one after
//     a fault shows that the fault left nothing behind). Faults a sound program rides out (a
//     message holding CR LF "OK" CR LF or CR "OK" CR, chunked replies) must not make an operation
//     fail either.
// A fixed seed replays the same sequence.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zarvo::test {

struct SoakOptions {
    std::uint32_t seed = 1;
    int operations = 100;
    int faultPercent = 45; // chance of a fault for an operation that does not follow a fault
};

struct SoakFigures {
    int operations = 0;
    int faults = 0;
    int violations = 0;
    double seconds = 0;
    std::vector<std::string> findings; // one line per violation: operation number, name, fault
};

// Runs the soak. `log` (may be empty) receives one line per operation. Sets ZARVO_HOME to a
// temporary program directory for the run and restores it afterwards. Needs a QCoreApplication.
SoakFigures RunSoak(const SoakOptions& options, const std::function<void(const std::string&)>& log = {});

} // namespace zarvo::test
