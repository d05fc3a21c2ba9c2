// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/CommandLine.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace zarvo {

// What the command line asks of this run, read once. The window and the batch run both take their
// switches from here; nothing else parses the arguments.
struct RunRequest {
    std::vector<CommandSwitch> switches; // in the order given
    QStringList saveFolders;             // each /STP folder in order ("/" appended; empty: none typed)
    bool usage = false;                  // /?, -h, --help
    bool erase = false;                  // /DELETE: erase the memory once everything is saved
    bool pdf = false;                    // /PDF: faxes also as MESS<n>.PDF in every /STP folder
    bool log = false;                    // /LOG: the status log into the log file
    bool archive = false;                // /ARCHIV: every message into the archive
    bool autorun = false;                // /AUTORUN: start minimised
    QStringList openFiles;               // fax files to show (absolute paths)

    // `arguments` without the program name.
    static RunRequest Parse(const QStringList& arguments);

    // Saving or erasing: the run does its work without a window and ends with a status.
    bool IsBatch() const { return !saveFolders.isEmpty() || erase || archive; }
};

// Why `folder` (as typed after /STP:) cannot take the messages; empty when it can.
QString SaveFolderProblem(const QString& folder);

} // namespace zarvo
