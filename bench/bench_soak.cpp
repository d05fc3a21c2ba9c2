// SPDX-License-Identifier: GPL-3.0-or-later
// The long soak of the modem link: random operations against the emulated modem with its faults
// injected at random, every invariant checked after each operation. Prints operations, faults
// that acted, invariant violations (must be 0) and the time taken; exit status 1 on a violation.
//   bench_soak [OPERATIONS [SEED]]      (default 400 operations, seed 1)
#include "SoakRun.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    zarvo::test::SoakOptions options;
    options.operations = argc > 1 ? std::atoi(argv[1]) : 400;
    options.seed = argc > 2 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 1;
    const bool verbose = std::getenv("ZARVO_SOAK_TRACE") != nullptr;
    const zarvo::test::SoakFigures f = zarvo::test::RunSoak(options, [verbose](const std::string& line) {
        if (verbose)
            std::fputs(line.c_str(), stdout);
    });
    std::printf("seed %u\noperations %d\nfaults injected %d\ninvariant violations %d\nseconds %.1f\n",
                options.seed, f.operations, f.faults, f.violations, f.seconds);
    for (const std::string& line : f.findings)
        std::printf("violation: %s\n", line.c_str());
    return f.violations == 0 ? 0 : 1;
}
