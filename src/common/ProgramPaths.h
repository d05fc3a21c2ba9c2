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

// Where read-only data is looked for, in order: the program's directory; the installed share/zarvo
// beside the program (exeDir + ZARVO_DATA_FROM_BIN, so a moved or staged install finds its own); the
// source tree's data folder when the program runs in its build tree (buildTreeDataDir); zarvo/ in
// each of xdgDataDirs. Nothing of where the program was built is compiled in.
QStringList dataPlaces(const QString& programDir, const QString& exeDir, const QStringList& xdgDataDirs);

// $XDG_DATA_HOME, then the folders of $XDG_DATA_DIRS, each with its default.
QStringList xdgDataDirs();

// The data folder of the source tree when exeDir lies in a Zarvo build tree: a CMakeCache.txt in
// exeDir or one of the three folders above it that names Zarvo_SOURCE_DIR, whose data folder exists.
// Empty for an installed program.
QString buildTreeDataDir(const QString& exeDir);

// The conversation log file ZARVO.LOG in the program's directory.
QString logFile();

// Full path of the running program file.
QString executablePath();

} // namespace zarvo::ProgramPaths
