#pragma once

#include <QString>
#include <QStringList>

namespace zarvo::ProgramPaths {

// The program's directory: $ZARVO_HOME when set; else the executable's directory when it is
// writable; else $XDG_DATA_HOME/zarvo. Created on first use. Holds ZARVO2.ini, FAX.INI, the
// ~~test.* work files and the log.
QString programDir();

// programDir() + "/" + name.
QString programFile(const QString& name);

// Read-only data (RFCG3.DAT, help pages): the first of dataPlaces() that holds it; empty if none.
QString findData(const QString& name);

// Where read-only data is looked for, in order: the program's directory, the installed share/zarvo
// (the configured one, then ../share/zarvo beside the program for a moved or staged install). A
// program run in its build tree (exeDir inside buildDir) also looks in the source tree's data
// folder; an installed program never does, so a developer's table never reaches it.
QStringList dataPlaces(const QString& programDir, const QString& exeDir, const QString& installedDataDir,
                       const QString& buildDir, const QString& sourceDataDir);

// The conversation log file ZARVO.LOG in the program's directory.
QString logFile();

// Full path of the running program file.
QString executablePath();

} // namespace zarvo::ProgramPaths
