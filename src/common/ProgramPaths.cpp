// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace zarvo::ProgramPaths {

QString executablePath()
{
    // Works without a QCoreApplication (converters, tests' static set-up).
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

namespace {

// An XDG base directory: the variable when it holds an absolute path (relative ones are to be
// ignored), else the default below the home folder.
QString BaseDir(const std::function<QByteArray(const char*)>& read, const char* name, const QString& fallback)
{
    const QString value = QFile::decodeName(read(name));
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QDir::cleanPath(fallback);
}

// Folders that hold the instance lock and the work files are the user's alone.
void MakePrivateFolder(const QString& dir)
{
    if (QDir().mkpath(dir))
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool ProcessRuns(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

void settleRuntimeDir()
{
    if (QDir::isAbsolutePath(qEnvironmentVariable("XDG_RUNTIME_DIR")))
        return;
    const QString session = QStringLiteral("/run/user/") + QString::number(::getuid());
    const QFileInfo info(session);
    QString dir;
    if (info.isDir() && info.ownerId() == ::getuid() && info.isWritable()) {
        dir = session;
    }
    else {
        dir = BaseDir([](const char* name) { return qgetenv(name); }, "XDG_CACHE_HOME",
                      QDir::homePath() + QStringLiteral("/.cache")) +
              QStringLiteral("/zarvo/runtime");
        MakePrivateFolder(dir);
    }
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir));
}

UserFolders userFolders(const std::function<QByteArray(const char*)>& read, const QString& home,
                        const QString& exeDir, qint64 pid)
{
    UserFolders f;
    const QString zarvoHome = QFile::decodeName(read("ZARVO_HOME"));
    if (!zarvoHome.isEmpty()) {
        const QString dir = QDir::cleanPath(zarvoHome);
        f.config = f.state = f.runtime = f.work = dir;
        return f;
    }
    f.config = BaseDir(read, "XDG_CONFIG_HOME", home + QStringLiteral("/.config")) + QStringLiteral("/zarvo");
    f.state =
        BaseDir(read, "XDG_STATE_HOME", home + QStringLiteral("/.local/state")) + QStringLiteral("/zarvo");
    const QString runtime = QFile::decodeName(read("XDG_RUNTIME_DIR"));
    f.runtime =
        (QDir::isAbsolutePath(runtime) ? QDir::cleanPath(runtime)
                                       : BaseDir(read, "XDG_CACHE_HOME", home + QStringLiteral("/.cache"))) +
        QStringLiteral("/zarvo");
    f.work = f.runtime + QStringLiteral("/work-") + QString::number(pid);
    f.oldSettingsPlaces << BaseDir(read, "XDG_DATA_HOME", home + QStringLiteral("/.local/share")) +
                               QStringLiteral("/zarvo");
    if (!exeDir.isEmpty())
        f.oldSettingsPlaces << QDir::cleanPath(exeDir);
    f.oldSettingsPlaces.removeAll(f.config);
    return f;
}

UserFolders userFolders()
{
    return userFolders([](const char* name) { return qgetenv(name); }, QDir::homePath(),
                       QFileInfo(executablePath()).absolutePath(), QCoreApplication::applicationPid());
}

QString archiveFolder(const std::function<QByteArray(const char*)>& read, const QString& home)
{
    const QString zarvoHome = QFile::decodeName(read("ZARVO_HOME"));
    if (!zarvoHome.isEmpty())
        return QDir::cleanPath(zarvoHome) + QStringLiteral("/Archiv");
    return BaseDir(read, "XDG_DATA_HOME", home + QStringLiteral("/.local/share")) +
           QStringLiteral("/zarvo/Archiv");
}

QString archiveFolder()
{
    return archiveFolder([](const char* name) { return qgetenv(name); }, QDir::homePath());
}

QString archiveIndexFile(const std::function<QByteArray(const char*)>& read, const QString& home)
{
    const QString zarvoHome = QFile::decodeName(read("ZARVO_HOME"));
    if (!zarvoHome.isEmpty())
        return QDir::cleanPath(zarvoHome) + QStringLiteral("/archiv.sqlite");
    return BaseDir(read, "XDG_CACHE_HOME", home + QStringLiteral("/.cache")) +
           QStringLiteral("/zarvo/archiv.sqlite");
}

QString archiveIndexFile()
{
    return archiveIndexFile([](const char* name) { return qgetenv(name); }, QDir::homePath());
}

QStringList takeOverOldSettings(const UserFolders& folders)
{
    QStringList copied;
    if (QFileInfo(folders.config).isDir() || !QDir().mkpath(folders.config))
        return copied;
    for (const QString& place : folders.oldSettingsPlaces) {
        const QFileInfo old(place + QStringLiteral("/ZARVO2.ini"));
        // Only the user's own file: a writable program folder may hold someone else's.
        if (!old.isFile() || old.ownerId() != ::getuid())
            continue;
        for (const QString& name : {QStringLiteral("ZARVO2.ini"), QStringLiteral("FAX.INI")})
            if (QFile::copy(place + u'/' + name, folders.config + u'/' + name))
                copied << name;
        break;
    }
    return copied;
}

QString programDir()
{
    const UserFolders folders = userFolders();
    takeOverOldSettings(folders);
    QDir().mkpath(folders.config);
    return folders.config;
}

QString workFile(const QString& name)
{
    const UserFolders folders = userFolders();
    MakePrivateFolder(folders.runtime);
    QDir().mkpath(folders.work);
    return folders.work + u'/' + name;
}

void removeWorkFolders()
{
    const UserFolders folders = userFolders();
    if (folders.work == folders.runtime)
        return; // $ZARVO_HOME: the work files stay where they always were
    const QString prefix = QStringLiteral("work-");
    for (const QString& name :
         QDir(folders.runtime).entryList({prefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const qint64 pid = name.mid(prefix.size()).toLongLong(&ok);
        if (ok && (pid == QCoreApplication::applicationPid() || !ProcessRuns(pid)))
            QDir(folders.runtime + u'/' + name).removeRecursively();
    }
}

QString programFile(const QString& name)
{
    return programDir() + u'/' + name;
}

#ifndef ZARVO_DATA_FROM_BIN
#define ZARVO_DATA_FROM_BIN "../share/zarvo"
#endif

QString buildTreeDataDir(const QString& exeDir)
{
    // Programs sit at most three levels below the build folder (build/src/app/zarvo); a bounded walk
    // keeps an install that happens to lie deep inside some other build tree out of it.
    static const QByteArray kKey = QByteArrayLiteral("Zarvo_SOURCE_DIR:STATIC=");
    QDir dir(exeDir);
    for (int level = 0; level < 4; ++level) {
        QFile cache(dir.filePath(QStringLiteral("CMakeCache.txt")));
        if (cache.open(QIODevice::ReadOnly)) {
            while (!cache.atEnd()) {
                const QByteArray line = cache.readLine().trimmed();
                if (!line.startsWith(kKey))
                    continue;
                const QString data = QFile::decodeName(line.mid(kKey.size())) + QStringLiteral("/data");
                return QFileInfo(data).isDir() ? QDir::cleanPath(data) : QString();
            }
            return {}; // another project's build tree
        }
        if (!dir.cdUp())
            break;
    }
    return {};
}

QStringList dataPlaces(const QString& programDir, const QString& exeDir, const QStringList& xdgDataDirs)
{
    QStringList places = {programDir, exeDir + QStringLiteral("/" ZARVO_DATA_FROM_BIN),
                          buildTreeDataDir(exeDir)};
    for (const QString& dir : xdgDataDirs)
        places << dir + QStringLiteral("/zarvo");
    places.removeAll(QString());
    for (QString& place : places)
        place = QDir::cleanPath(place);
    places.removeDuplicates();
    return places;
}

QStringList xdgDataDirs()
{
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    QStringList dirs = {QDir::isAbsolutePath(home) ? home
                                                   : QDir::homePath() + QStringLiteral("/.local/share")};
    QStringList system;
    for (const QString& dir : qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir)) // relative entries are to be ignored
            system << dir;
    if (system.isEmpty())
        system = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    return dirs + system;
}

QString findData(const QString& name)
{
    const QStringList places =
        dataPlaces(programDir(), QFileInfo(executablePath()).absolutePath(), xdgDataDirs());
    for (const QString& place : places) {
        const QString candidate = place + u'/' + name;
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

QString logFileName()
{
    return userFolders().state + QStringLiteral("/ZARVO.LOG");
}

QString logFile()
{
    QDir().mkpath(userFolders().state);
    return logFileName();
}

} // namespace zarvo::ProgramPaths
