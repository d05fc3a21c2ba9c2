// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace zarvo {

// Writes the status log into fileName, replacing it: one log line per file line, each ended by CR LF.
// Throws std::runtime_error ("Datei <name> kann nicht erstellt werden") when the file cannot be
// written; a partly written file is not left behind as if it were whole.
void SaveStatusLog(const QString& logText, const QString& fileName);

} // namespace zarvo
