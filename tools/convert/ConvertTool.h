// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

namespace zarvo::convert {

// Exit codes of zarvo-convert.
inline constexpr int ExitDone = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

// Runs one command line (without the program name): the usage text goes to `out` when asked for
// and to `err` on bad usage; failures and, with --verbose, progress go to `err`.
int RunConvertTool(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace zarvo::convert
