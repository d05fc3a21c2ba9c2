#pragma once

#include <QString>

namespace zarvo::ProgramPaths {

// The program's directory: $ZARVO_HOME when set; else the executable's directory when it is
// writable; else $XDG_DATA_HOME/zarvo. Created on first use. Holds ZARVO2.ini, FAX.INI, the
// ~~test.* work files and the log.
QString programDir();

// programDir() + "/" + name.
QString programFile(const QString& name);

// Read-only data (RFCG3.DAT, help pages): the program's directory first, then the installed
// share/zarvo, then the source tree's data folder (for builds run in place). Empty if none has it.
QString findData(const QString& name);

// The conversation log file ZARVO.LOG in the program's directory.
QString logFile();

// Full path of the running program file.
QString executablePath();

} // namespace zarvo::ProgramPaths
