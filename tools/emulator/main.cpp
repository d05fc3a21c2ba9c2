// SPDX-License-Identifier: GPL-3.0-or-later
// zarvo-emulator: an emulated US Robotics Message Modem on a pseudo-terminal.
#include "EmulatorCommandLine.h"
#include "ModemEmulator.h"

#include <csignal>
#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace zarvo::emu;
    CommandLine cl;
    try {
        cl = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    }
    catch (const std::exception& e) {
        std::cerr << "zarvo-emulator: " << e.what() << "\n(--help shows the usage)\n";
        return 2;
    }
    if (cl.help) {
        std::cout << usageText();
        return 0;
    }
    if (cl.version) {
        std::cout << "zarvo-emulator " ZARVO_VERSION "\n";
        return 0;
    }
    if (cl.options.linkPath.empty()) {
        std::cerr << "zarvo-emulator: --link PATH is required\n(--help shows the usage)\n";
        return 2;
    }

    // Block the stop signals before the serving thread starts, so only sigwait() sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        ModemEmulator modem(cl.options);
        modem.start();
        std::cout << "ready " << modem.portPath() << std::endl;
        int sig = 0;
        sigwait(&stopSignals, &sig);
        modem.stop();
    }
    catch (const std::exception& e) {
        std::cerr << "zarvo-emulator: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
