#include "modem/SerialErrors.h"

#include <QFile>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvo {

namespace {

// The group owning the device node; Debian gives serial devices to dialout.
QString OwningGroup(const QString& devicePath)
{
    struct stat st {};
    const QByteArray path = QFile::encodeName(devicePath);
    if (::stat(path.constData(), &st) == 0) {
        if (const group* g = ::getgrgid(st.st_gid))
            return QString::fromLocal8Bit(g->gr_name);
    }
    return QStringLiteral("dialout");
}

} // namespace

SerialFailure ClassifySerialError(QSerialPort::SerialPortError error, int accessErrno)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return SerialFailure::NotFound;
    case QSerialPort::PermissionError:
        if (accessErrno == EACCES || accessErrno == EPERM || accessErrno == EROFS)
            return SerialFailure::NoPermission;
        if (accessErrno == ENOENT)
            return SerialFailure::NotFound;
        return SerialFailure::InUse;
    case QSerialPort::OpenError:
        return SerialFailure::InUse;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        return SerialFailure::Gone;
    default:
        return SerialFailure::Other;
    }
}

QString SerialFailureText(SerialFailure failure, const QString& devicePath)
{
    switch (failure) {
    case SerialFailure::NotFound:
        return QStringLiteral("Gerät %1 nicht gefunden").arg(devicePath);
    case SerialFailure::NoPermission:
        return QStringLiteral("keine Berechtigung für %1, der Benutzer muss zur Gruppe %2 gehören")
            .arg(devicePath, OwningGroup(devicePath));
    case SerialFailure::InUse:
        return QStringLiteral("%1 wird von einem anderen Programm benutzt").arg(devicePath);
    case SerialFailure::Gone:
        return QStringLiteral("Gerät %1 antwortet nicht mehr oder wurde entfernt").arg(devicePath);
    case SerialFailure::Other:
        break;
    }
    return QStringLiteral("Gerätefehler an %1").arg(devicePath);
}

QString SerialErrorText(QSerialPort::SerialPortError error, const QString& devicePath)
{
    const QByteArray path = QFile::encodeName(devicePath);
    const int accessErrno = ::access(path.constData(), R_OK | W_OK) == 0 ? 0 : errno;
    return SerialFailureText(ClassifySerialError(error, accessErrno), devicePath);
}

} // namespace zarvo
