#include "common/ProgramPaths.h"
#include "BuildPaths.h"

#include <QDir>
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

QStringList dataPlaces(const QString& programDir, const QString& exeDir, const QString& installedDataDir,
                       const QString& buildDir, const QString& sourceDataDir)
{
    QStringList places = {programDir, installedDataDir, exeDir + QStringLiteral("/../share/zarvo")};
    // Compared as real paths: the build directory may have been named through a symbolic link.
    const QString realBuild = QFileInfo(buildDir).canonicalFilePath();
    const QString realExe = QFileInfo(exeDir).canonicalFilePath();
    const bool inBuildTree =
        !realBuild.isEmpty() && (realExe == realBuild || realExe.startsWith(realBuild + u'/'));
    if (inBuildTree)
        places << sourceDataDir;
    places.removeAll(QString());
    for (QString& place : places)
        place = QDir::cleanPath(place);
    return places;
}

QString findData(const QString& name)
{
    const QStringList places =
        dataPlaces(programDir(), QFileInfo(executablePath()).absolutePath(), QStringLiteral(ZARVO_DATADIR),
                   QStringLiteral(ZARVO_BUILD_DIR), QStringLiteral(ZARVO_SOURCE_DATADIR));
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
