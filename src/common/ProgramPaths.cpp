#include "common/ProgramPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef ZARVO_DATADIR
#define ZARVO_DATADIR "/usr/local/share/zarvo"
#endif
#ifndef ZARVO_SOURCE_DATADIR
#define ZARVO_SOURCE_DATADIR ""
#endif

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

QString findData(const QString& name)
{
    const QString exeDir = QFileInfo(executablePath()).absolutePath();
    const QStringList places = {programDir(), QStringLiteral(ZARVO_DATADIR),
                                exeDir + QStringLiteral("/../share/zarvo"),
                                QStringLiteral(ZARVO_SOURCE_DATADIR)};
    for (const QString& place : places) {
        if (place.isEmpty())
            continue;
        const QString candidate = QDir::cleanPath(place + u'/' + name);
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
