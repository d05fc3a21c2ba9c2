// SPDX-License-Identifier: GPL-3.0-or-later
// A short soak of the modem link against the emulator with random faults; bench_soak runs the
// long one. A failure names the operation; the seed replays it (bench_soak OPERATIONS SEED).
#include "SoakRun.h"

#include <gtest/gtest.h>

#include <iostream>

namespace zarvo::test {
namespace {

TEST(Soak, RandomOperationsWithFaultsKeepEveryInvariant)
{
    SoakOptions options;
    options.seed = 20240605;
    options.operations = 36;
    std::string trace;
    const SoakFigures f = RunSoak(options, [&](const std::string& line) { trace += line; });
    std::cout << "soak: seed " << options.seed << ", " << f.operations << " operations, " << f.faults
              << " faults injected, " << f.violations << " invariant violations, " << f.seconds << " s\n";

    EXPECT_EQ(f.operations, options.operations);
    EXPECT_GE(f.faults, options.operations / 5) << "too few faults acted to call it a soak";
    std::string findings;
    for (const std::string& line : f.findings)
        findings += line + "\n";
    EXPECT_EQ(f.violations, 0) << findings << "\n" << trace;
}

} // namespace
} // namespace zarvo::test
