#pragma once

#include <QSerialPort>
#include <QString>

namespace zarvo {

// What users meet on a serial device, named so that the status line can say it in their words.
enum class SerialFailure {
    NotFound,     // no such device (unplugged adapter, wrong path in [Ports])
    NoPermission, // the user lacks the rights on the device node
    InUse,        // another program holds the device (lock file or exclusive open)
    Gone,         // the device stopped answering or vanished while it was open
    Other,
};

// Sorts a Qt serial error. Qt reports a missing right and a busy device alike; accessErrno (errno
// of access(path, R_OK | W_OK), 0 when that succeeded) tells them apart.
SerialFailure ClassifySerialError(QSerialPort::SerialPortError error, int accessErrno);

// A short German text for the status line. NoPermission names the group that owns the device
// (dialout when the device cannot be examined), as joining it is what the user has to do.
QString SerialFailureText(SerialFailure failure, const QString& devicePath);

// Both steps for a device: examines devicePath to tell a missing right from a busy device.
QString SerialErrorText(QSerialPort::SerialPortError error, const QString& devicePath);

} // namespace zarvo
