// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EmulatorTypes.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace zarvo::emu {

// A command line the emulator cannot use; the message says why.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct CommandLine {
    EmulatorOptions options;
    bool help = false;
    bool version = false;
};

// Parses the arguments of zarvo-emulator (without the program name). Message files are read here.
// Throws UsageError for bad arguments and std::runtime_error for unreadable files. `exeDir` is where
// --demo starts looking for the demo messages (empty: the running program's folder).
CommandLine parseCommandLine(const std::vector<std::string>& args, const std::string& exeDir = {});

// The folder of the demo messages for a program in `exeDir`: share/zarvo/demo of the installation
// it belongs to, else, for a program inside its build tree, the source tree's data/demo, else zarvo/demo
// in the XDG data folders. Empty when none holds them.
std::string demoFolder(const std::string& exeDir);

// The running program's folder.
std::string executableDir();

// "MCD=1,MCF=0,MCL=0,MCM=1,MCP=1234,MCR=4,MCV=1,MFI=ZARVO" (any subset, keys without regard to
// case) applied over `base`. Throws UsageError.
SelfModeSettings parseSettings(const std::string& list, SelfModeSettings base);

std::string usageText();

} // namespace zarvo::emu
