// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

namespace zarvo::archive {

// Exit codes of zarvo-archive.
inline constexpr int ExitDone = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

// Runs one command line (without the program name). Results go to `out`; problems, progress and
// the usage text after a wrong call go to `err`.
int RunArchiveTool(const QStringList& args, QTextStream& out, QTextStream& err);

class Archive;
// `ocr`: recognises the faxes without a text file (with `all`: every fax again); progress per fax
// on `err`, the tally on `out`.
int RecogniseArchivedFaxes(Archive& archive, bool all, QTextStream& out, QTextStream& err);

} // namespace zarvo::archive
