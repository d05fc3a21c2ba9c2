// SPDX-License-Identifier: GPL-3.0-or-later
// Why a serial device cannot be used, found out once and said in the user's words.
#include "modem/SerialErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zarvo {

namespace {

// True when the user's entry in the group database lists gid although this process's groups do
// not: the user was added to the group after logging in.
bool GroupNotYetInSession(gid_t gid)
{
    if (::getegid() == gid)
        return false;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> now(static_cast<size_t>(std::max(count, 0)));
    if (count > 0 && ::getgroups(count, now.data()) == count) {
        for (gid_t g : now) {
            if (g == gid)
                return false;
        }
    }
    const passwd* pw = ::getpwuid(::getuid());
    if (!pw)
        return false;
    std::vector<gid_t> listed(64);
    int n = int(listed.size());
    if (::getgrouplist(pw->pw_name, pw->pw_gid, listed.data(), &n) < 0) {
        listed.resize(size_t(n));
        if (::getgrouplist(pw->pw_name, pw->pw_gid, listed.data(), &n) < 0)
            return false;
    }
    listed.resize(size_t(n));
    return std::find(listed.begin(), listed.end(), gid) != listed.end();
}

// The name Qt and the UUCP tools give a device's lock file: the path without "/dev/", slashes
// turned into underscores.
QString LockName(const QString& path)
{
    QString name = path.startsWith(QLatin1String("/dev/")) ? path.mid(5) : path;
    name.replace(u'/', u'_');
    return QStringLiteral("LCK..") + name;
}

} // namespace

SerialFailure ClassifySerialError(QSerialPort::SerialPortError error, int accessErrno, bool charDevice)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        return SerialFailure::Gone;
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    case QSerialPort::NotOpenError:
        return SerialFailure::Other;
    default:
        break;
    }
    if (accessErrno == ENOENT || accessErrno == ENOTDIR || error == QSerialPort::DeviceNotFoundError)
        return SerialFailure::NotFound;
    // Qt's ioctl calls fail with ENOTTY on anything that is no terminal (/dev/null, a pipe).
    if (!charDevice || error == QSerialPort::UnsupportedOperationError)
        return SerialFailure::NotSerial;
    if (error == QSerialPort::PermissionError) {
        if (accessErrno == EACCES || accessErrno == EPERM || accessErrno == EROFS)
            return SerialFailure::NoPermission;
        return SerialFailure::InUse;
    }
    if (error == QSerialPort::OpenError)
        return SerialFailure::InUse;
    return SerialFailure::Other;
}

QSerialPort::SerialPortError SerialErrorForErrno(int err)
{
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QSerialPort::DeviceNotFoundError;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
        return QSerialPort::PermissionError;
    case EAGAIN:
    case EIO:
    case EBADF:
        return QSerialPort::ResourceError;
    case ENOTTY:
        return QSerialPort::UnsupportedOperationError;
    default:
        return QSerialPort::UnknownError;
    }
}

SerialProblem DiagnoseSerialError(QSerialPort::SerialPortError error, const QString& device, int faultErrno)
{
    const QByteArray path = QFile::encodeName(device);
    int accessErrno = faultErrno;
    if (accessErrno == 0 && ::access(path.constData(), R_OK | W_OK) != 0)
        accessErrno = errno;
    struct stat st {};
    const bool exists = ::stat(path.constData(), &st) == 0;
    // A fault hook may claim a failure for a path that is a plain file in a test.
    const bool charDevice = faultErrno != 0 || (exists && S_ISCHR(st.st_mode));

    SerialProblem p;
    p.device = device;
    p.failure = ClassifySerialError(error, accessErrno, charDevice);
    if (p.failure == SerialFailure::NoPermission) {
        const group* g = exists ? ::getgrgid(st.st_gid) : nullptr;
        p.group = g ? QString::fromLocal8Bit(g->gr_name) : QStringLiteral("dialout");
        p.groupPending = g && GroupNotYetInSession(st.st_gid);
        p.groupMayUse = !exists || (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    }
    else if (p.failure == SerialFailure::InUse) {
        const LockHolder holder = FindLockHolder(device, SerialLockDirs());
        p.holder = holder.program;
        p.holderPid = holder.pid;
    }
    return p;
}

QString SerialProblemText(const SerialProblem& p)
{
    const QString& d = p.device;
    switch (p.failure) {
    case SerialFailure::NotFound:
        return QStringLiteral(
                   "Gerät %1 nicht gefunden. Ist das Modem eingeschaltet und sein Kabel eingesteckt? "
                   "Sonst in den Optionen den Anschluss des Modems wählen.")
            .arg(d);
    case SerialFailure::NotSerial:
        return QStringLiteral("%1 ist keine serielle Schnittstelle. In den Optionen den Anschluss des Modems "
                              "wählen.")
            .arg(d);
    case SerialFailure::NoPermission:
        // Joining a group that may not use the device would not help.
        if (!p.groupMayUse)
            return QStringLiteral("Keine Berechtigung für %1: Das Gerät ist für keine Gruppe freigegeben. "
                                  "Abhilfe: eine udev-Regel mit GROUP=\"dialout\", MODE=\"0660\" (siehe "
                                  "/usr/share/doc/zarvo/README.md), dann sudo usermod -aG dialout $USER "
                                  "und neu anmelden.")
                .arg(d);
        if (p.groupPending)
            return QStringLiteral("Keine Berechtigung für %1: Der Benutzer gehört inzwischen zur Gruppe %2, "
                                  "diese Anmeldung weiß es aber noch nicht. Bitte ab- und wieder anmelden.")
                .arg(d, p.group);
        return QStringLiteral("Keine Berechtigung für %1: Der Benutzer muss zur Gruppe %2 gehören. Abhilfe: "
                              "sudo usermod -aG %2 $USER, danach ab- und wieder anmelden.")
            .arg(d, p.group);
    case SerialFailure::InUse:
        if (p.holder == QLatin1String("ModemManager"))
            return QStringLiteral("%1 wird von ModemManager (Prozess %2) benutzt. Eine udev-Regel mit "
                                  "ID_MM_DEVICE_IGNORE hält ihn vom Modem fern (Vorlage: "
                                  "/usr/share/doc/zarvo/examples/60-zarvo-modem.rules.example, siehe "
                                  "/usr/share/doc/zarvo/README.md).")
                .arg(d)
                .arg(p.holderPid);
        if (!p.holder.isEmpty())
            return QStringLiteral(
                       "%1 wird von einem anderen Programm benutzt: %2 (Prozess %3). Beenden Sie es "
                       "und versuchen Sie es erneut.")
                .arg(d, p.holder)
                .arg(p.holderPid);
        return QStringLiteral("%1 wird von einem anderen Programm benutzt. Beenden Sie es (etwa ein "
                              "Terminalprogramm) und versuchen Sie es erneut.")
            .arg(d);
    case SerialFailure::Gone:
        return QStringLiteral("Gerät %1 antwortet nicht mehr oder wurde entfernt. Ist das Modem noch "
                              "eingeschaltet und eingesteckt?")
            .arg(d);
    case SerialFailure::Other:
        break;
    }
    return QStringLiteral("Gerätefehler an %1").arg(d);
}

QString SerialErrorText(QSerialPort::SerialPortError error, const QString& device, int faultErrno)
{
    return SerialProblemText(DiagnoseSerialError(error, device, faultErrno));
}

QString WithPortProblem(const QString& message, const QString& problem)
{
    if (problem.isEmpty())
        return message;
    if (message.isEmpty())
        return problem;
    return message + QStringLiteral("\r\r") + problem;
}

QString DevicePathProblemText(const QString& device)
{
    struct stat st {};
    const bool exists = ::stat(QFile::encodeName(device).constData(), &st) == 0;
    SerialProblem p;
    p.device = device;
    p.failure = !exists               ? SerialFailure::NotFound
                : S_ISCHR(st.st_mode) ? SerialFailure::Other
                                      : SerialFailure::NotSerial;
    return SerialProblemText(p);
}

LockHolder FindLockHolder(const QString& device, const QStringList& lockDirs, const QString& procRoot)
{
    QStringList names{LockName(device)};
    const QString target = QFileInfo(device).canonicalFilePath();
    if (!target.isEmpty() && LockName(target) != names.front())
        names.push_back(LockName(target));
    for (const QString& dir : lockDirs) {
        for (const QString& name : names) {
            QFile lock(dir + u'/' + name);
            if (!lock.open(QIODevice::ReadOnly))
                continue;
            // Qt writes "pid\napp\nhost\n", the UUCP tools the pid alone, padded with blanks.
            const QList<QByteArray> words = lock.read(256).simplified().split(' ');
            const qint64 pid = words.isEmpty() ? 0 : words.front().toLongLong();
            if (pid <= 0)
                continue;
            QFile comm(QStringLiteral("%1/%2/comm").arg(procRoot).arg(pid));
            if (!comm.open(QIODevice::ReadOnly))
                continue; // a stale lock: its process is gone
            return {QString::fromLocal8Bit(comm.readAll().trimmed()), pid};
        }
    }
    return {};
}

QStringList SerialLockDirs()
{
    QStringList dirs{QStringLiteral("/var/lock"),
                     QStringLiteral("/etc/locks"),
                     QStringLiteral("/var/spool/locks"),
                     QStringLiteral("/var/spool/uucp"),
                     QStringLiteral("/tmp"),
                     QStringLiteral("/var/tmp"),
                     QStringLiteral("/var/lock/lockdev"),
                     QStringLiteral("/run/lock"),
                     QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
    dirs.removeDuplicates();
    return dirs;
}

} // namespace zarvo
