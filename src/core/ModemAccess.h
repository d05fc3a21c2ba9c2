// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace zarvo {

// Who may talk to the modem now. The desktop program's poll, its background watch and its commands
// read this one state; a batch run only ever sees Free or Stopping.
enum class ModemAccess {
    Free,     // nobody is using it: a command or a poll may start
    Busy,     // an exchange of ours is running (a download in a nested wait)
    Locked,   // another program of this machine has the line (fax monitor, T-Online, a dial-up link)
    HeldOff,  // a batch run beside the desktop program asked for it or holds it
    Stopping, // the program is ending: work stops at its next exchange
};

// What the state is made of, as the components keep it.
struct ModemAccessFacts {
    bool stopping = false;  // the end was asked for
    bool holdAsked = false; // a batch run asked or holds the modem
    bool locked = false;    // the modem component is locked for another program
    bool dialUp = false;    // a dial-up link runs over the modem's port
    bool busy = false;      // an exchange runs
};

// The strongest reason wins: stopping, then a batch run, then another program, then our own work.
constexpr ModemAccess ModemAccessFor(const ModemAccessFacts& f)
{
    return f.stopping             ? ModemAccess::Stopping
           : f.holdAsked          ? ModemAccess::HeldOff
           : f.locked || f.dialUp ? ModemAccess::Locked
           : f.busy               ? ModemAccess::Busy
                                  : ModemAccess::Free;
}

// The batch run or the end has the modem: no command and no poll of the window may reach it.
constexpr bool LeftAlone(ModemAccess a)
{
    return a == ModemAccess::HeldOff || a == ModemAccess::Stopping;
}

} // namespace zarvo
