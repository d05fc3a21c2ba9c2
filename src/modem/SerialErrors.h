// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSerialPort>
#include <QString>
#include <QStringList>

namespace zarvo {

// What users meet on a serial device, named so that the messages can say it in their words.
enum class SerialFailure {
    NotFound,     // no such device (unplugged adapter, wrong path in [Ports])
    NotSerial,    // the path names something that is no serial device (a file, a folder, a pipe)
    NoPermission, // the user lacks the rights on the device node
    InUse,        // another program holds the device (lock file or exclusive open)
    Gone,         // the device stopped answering or vanished while it was open
    Other,
};

// Everything the serial layer found out about a device it could not use.
struct SerialProblem {
    SerialFailure failure = SerialFailure::Other;
    QString device;
    QString group;             // NoPermission: the group owning the device (dialout when unknown)
    bool groupPending = false; // NoPermission: the user was put into it, this login does not know yet
    bool groupMayUse = true;   // NoPermission: the group may read and write the device
    QString holder;            // InUse: the program holding the device, where its lock file says
    qint64 holderPid = 0;
};

// Sorts a Qt serial error. Qt reports a missing right and a busy device alike; accessErrno (errno
// of access(path, R_OK | W_OK), 0 when that succeeded) tells them apart, and charDevice (the path
// names a character device) a wrong path from a broken device.
SerialFailure ClassifySerialError(QSerialPort::SerialPortError error, int accessErrno, bool charDevice);

// The Qt error an open failing with errno `err` reports (the fault hook's errors look like Qt's).
QSerialPort::SerialPortError SerialErrorForErrno(int err);

// Examines `device` after Qt failed on it with `error`: its rights, its type, its owner group and
// its lock file. faultErrno, when not 0, stands for access()'s answer (a test's injected fault).
SerialProblem DiagnoseSerialError(QSerialPort::SerialPortError error, const QString& device,
                                  int faultErrno = 0);

// The German text for the status line and the messages: what is wrong and what to do about it.
QString SerialProblemText(const SerialProblem& problem);

// Both steps: DiagnoseSerialError, then SerialProblemText.
QString SerialErrorText(QSerialPort::SerialPortError error, const QString& device, int faultErrno = 0);

// A message followed, after an empty line, by why the port could not be used (when there is a why).
QString WithPortProblem(const QString& message, const QString& problem);

// The text for a path the port test refuses before opening it: missing, or no character device.
QString DevicePathProblemText(const QString& device);

// The program holding `device` by its lock file: LCK..<name> in one of lockDirs, for the name
// Qt and the UUCP tools derive from the path as given and from the device it leads to. The lock
// file's first word is the holder's pid; procRoot/<pid>/comm names it. Empty when no live holder
// is found.
struct LockHolder {
    QString program;
    qint64 pid = 0;
};
LockHolder FindLockHolder(const QString& device, const QStringList& lockDirs,
                          const QString& procRoot = QStringLiteral("/proc"));

// The folders Qt and the UUCP tools keep serial lock files in, in Qt's order.
QStringList SerialLockDirs();

} // namespace zarvo
