#include "common/ProgramPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace zarvo::ProgramPaths {

QString executablePath()
{
    // Works without a QCoreApplication (converters, tests' static set-up).
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString programDir()
{
    QString dir = qEnvironmentVariable("ZARVO_HOME");
    if (dir.isEmpty()) {
        const QString exeDir = QFileInfo(executablePath()).absolutePath();
        if (QFileInfo(exeDir).isWritable())
            dir = exeDir;
        else
            dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                  QStringLiteral("/zarvo");
    }
    QDir().mkpath(dir);
    return QDir::cleanPath(dir);
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

QString logFile()
{
    return programFile(QStringLiteral("ZARVO.LOG"));
}

} // namespace zarvo::ProgramPaths
