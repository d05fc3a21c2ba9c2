// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace zarvo::ProgramPaths {

// The folders a user's run writes to. With $ZARVO_HOME set (tests, the demo) all of them are that
// folder, as it always was. Otherwise they follow the XDG base directories: settings in
// $XDG_CONFIG_HOME/zarvo, the log in $XDG_STATE_HOME/zarvo, and the instance lock and the work
// folders in $XDG_RUNTIME_DIR/zarvo (the cache folder where no runtime folder is set). Never the
// executable's folder.
struct UserFolders {
    QString config;  // ZARVO2.ini, FAX.INI
    QString state;   // ZARVO.LOG
    QString runtime; // the instance lock and socket; the work folders below it
    QString work;    // this process's ~~test.* files: runtime + "/work-<pid>" (ZARVO_HOME itself)
    // Where earlier versions kept the settings without $ZARVO_HOME, looked at once to take them over.
    QStringList oldSettingsPlaces;
};

// Gives the process an XDG_RUNTIME_DIR where none is set (cron, su): the login session's
// /run/user/<uid> when it exists and is the user's, so a batch run from cron meets the desktop
// program's lock; else a private folder in the cache. Qt would otherwise make one in /tmp.
void settleRuntimeDir();

// The folders from the environment (`variable` reads one variable, `home` is the user's home) and
// the process id; nothing is created.
UserFolders userFolders(const std::function<QByteArray(const char*)>& variable, const QString& home,
                        const QString& exeDir, qint64 pid);
// The same for this process.
UserFolders userFolders();

// Creates the settings folder; when it did not exist yet, copies ZARVO2.ini and FAX.INI from the
// first old place that has a ZARVO2.ini (one the user owns), so a first start of this version keeps
// the port and options. Returns the names copied.
QStringList takeOverOldSettings(const UserFolders& folders);

// The settings folder (created on first use, taking over old settings once). Holds ZARVO2.ini and
// FAX.INI; read-only data placed here by the user is found first.
QString programDir();

// programDir() + "/" + name.
QString programFile(const QString& name);

// A work file of this process (~~test.gsm, ~~test.wav, ~~test.tif); its folder is created on use.
QString workFile(const QString& name);
// Removes this process's work folder (not with $ZARVO_HOME, where the work files always stayed) and
// the work folders of processes that no longer run.
void removeWorkFolders();

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

// The message archive's default folder: <ZARVO_HOME>/Archiv with $ZARVO_HOME set, else
// $XDG_DATA_HOME/zarvo/Archiv (the messages are the user's data, kept forever). Nothing is created.
QString archiveFolder(const std::function<QByteArray(const char*)>& variable, const QString& home);
QString archiveFolder();
// The archive's index, a cache rebuilt from the archive's journals: <ZARVO_HOME>/archiv.sqlite, else
// $XDG_CACHE_HOME/zarvo/archiv.sqlite (local even when the archive lies on a network share).
QString archiveIndexFile(const std::function<QByteArray(const char*)>& variable, const QString& home);
QString archiveIndexFile();

// The conversation log file ZARVO.LOG in the state folder, which is created.
QString logFile();
// Its name without creating anything (the usage text).
QString logFileName();

// Full path of the running program file.
QString executablePath();

} // namespace zarvo::ProgramPaths
