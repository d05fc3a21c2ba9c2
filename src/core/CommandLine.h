// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace zarvo {

// One recognised switch of the command line, in the order given.
struct CommandSwitch {
    enum class Kind { Usage, SaveAll, Delete, Autorun, Log, Pdf, Archive, OpenFile };
    Kind kind;
    // SaveAll: the folder as typed, "/" appended when missing; empty when none given.
    // OpenFile: the file, absolute.
    QString path;
};

// The switches of `arguments` (without the program name). Each argument is recognised upper-cased
// from its second character on, whatever its first character is; the tests are prefix tests, in
// this order: "H" or "?", "STP", "DELETE", "AUTORUN" or "AUTOSTA", "LOG", "PDF", "ARCHIV". "--help" counts as
// the usage switch. The path of "/STP:<path>" keeps its case. An argument that names an existing file is that
// file (a desktop entry's %f, "zarvo /home/a/fax.ufr"), never a switch, although an absolute path begins with
// "/" as the switches do. Other arguments are ignored.
std::vector<CommandSwitch> ParseCommandLine(const QStringList& arguments);

// Usage, saving or erasing: the program does its work and closes.
bool IsBatchRun(const std::vector<CommandSwitch>& switches);

// Whether a switch of that kind is among `switches` (/PDF acts on every /STP, wherever it stands).
bool HasSwitch(const std::vector<CommandSwitch>& switches, CommandSwitch::Kind kind);

// The lines of the usage text, naming the log file `logFile`.
QStringList UsageLines(const QString& logFile);

} // namespace zarvo
