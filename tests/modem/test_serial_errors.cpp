// SPDX-License-Identifier: GPL-3.0-or-later
// Why a serial device cannot be used: the sorting of errors, the texts with their remedies, and
// the holder a lock file names.
#include "modem/SerialErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace zarvo;

// An open that fails with an errno reaches the user as the failure they can act on; a path that is
// no character device is a wrong choice, not a broken device.
TEST(SerialErrors, ErrnoAndQtErrorsSortIntoWhatUsersMeet)
{
    const struct {
        int openErrno;
        SerialFailure failure;
    } opens[] = {
        {EACCES, SerialFailure::NoPermission}, {EPERM, SerialFailure::NoPermission},
        {EBUSY, SerialFailure::InUse},         {ENOENT, SerialFailure::NotFound},
        {ENODEV, SerialFailure::NotFound},     {EIO, SerialFailure::Gone},
        {ENOTTY, SerialFailure::NotSerial},    {EINVAL, SerialFailure::Other},
    };
    for (const auto& k : opens)
        EXPECT_EQ(ClassifySerialError(SerialErrorForErrno(k.openErrno), k.openErrno, true), k.failure)
            << k.openErrno;

    const struct {
        QSerialPort::SerialPortError error;
        int accessErrno;
        bool charDevice;
        SerialFailure failure;
    } cases[] = {
        {QSerialPort::PermissionError, 0, true, SerialFailure::InUse}, // readable, yet locked or held
        {QSerialPort::PermissionError, ENOENT, false, SerialFailure::NotFound},
        {QSerialPort::OpenError, 0, true, SerialFailure::InUse},
        {QSerialPort::ResourceError, ENOENT, false, SerialFailure::Gone}, // vanished while open
        {QSerialPort::ReadError, 0, true, SerialFailure::Gone},
        {QSerialPort::UnknownError, 0, false, SerialFailure::NotSerial},              // a folder
        {QSerialPort::UnsupportedOperationError, 0, false, SerialFailure::NotSerial}, // a pipe
        {QSerialPort::UnknownError, 0, true, SerialFailure::Other},
    };
    for (const auto& k : cases)
        EXPECT_EQ(ClassifySerialError(k.error, k.accessErrno, k.charDevice), k.failure)
            << k.error << " " << k.accessErrno;
}

// Each text says what is wrong with which device and what the user can do about it.
TEST(SerialErrors, TextsNameTheCauseAndTheRemedy)
{
    const QString dev = QStringLiteral("/dev/ttyUSB0");
    auto problem = [&](SerialFailure f) {
        SerialProblem p;
        p.failure = f;
        p.device = dev;
        return p;
    };
    SerialProblem noRight = problem(SerialFailure::NoPermission);
    noRight.group = QStringLiteral("dialout");
    SerialProblem pending = noRight;
    pending.groupPending = true;
    SerialProblem closed = noRight;
    closed.group = QStringLiteral("root");
    closed.groupMayUse = false;
    SerialProblem held = problem(SerialFailure::InUse);
    held.holder = QStringLiteral("minicom");
    held.holderPid = 4711;
    SerialProblem manager = held;
    manager.holder = QStringLiteral("ModemManager");

    const struct {
        SerialProblem problem;
        QStringList says;
        QStringList not_ = {};
    } cases[] = {
        {noRight,
         {"Keine Berechtigung für /dev/ttyUSB0", "Gruppe dialout", "sudo usermod -aG dialout $USER",
          "ab- und wieder anmelden"}},
        {pending, {"Gruppe dialout", "ab- und wieder anmelden"}, {"usermod"}},
        {closed, {"für keine Gruppe freigegeben", "GROUP=\"dialout\"", "usermod -aG dialout"}, {"root"}},
        {held, {"/dev/ttyUSB0 wird von einem anderen Programm benutzt: minicom (Prozess 4711)"}},
        {manager, {"ModemManager (Prozess 4711)", "ID_MM_DEVICE_IGNORE", "/usr/share/doc/zarvo/README.md"}},
        {problem(SerialFailure::InUse), {"anderen Programm benutzt", "Terminalprogramm"}},
        {problem(SerialFailure::NotFound), {"Gerät /dev/ttyUSB0 nicht gefunden", "eingesteckt"}},
        {problem(SerialFailure::NotSerial), {"keine serielle Schnittstelle", "Optionen"}},
        {problem(SerialFailure::Gone), {"antwortet nicht mehr oder wurde entfernt"}},
        {problem(SerialFailure::Other), {"Gerätefehler an /dev/ttyUSB0"}},
    };
    for (const auto& k : cases) {
        const QString text = SerialProblemText(k.problem);
        for (const QString& part : k.says)
            EXPECT_TRUE(text.contains(part)) << text.toStdString() << " lacks " << part.toStdString();
        for (const QString& part : k.not_)
            EXPECT_FALSE(text.contains(part)) << text.toStdString();
    }

    EXPECT_EQ(WithPortProblem("Kein Modem an ComPort !", "warum"), "Kein Modem an ComPort !\r\rwarum");
    EXPECT_EQ(WithPortProblem("Kein Modem an ComPort !", ""), "Kein Modem an ComPort !");

    // The paths the port test refuses before opening them, and the group owning a real node.
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(DevicePathProblemText(dir.filePath("gone")).contains("nicht gefunden"));
    EXPECT_TRUE(DevicePathProblemText(fifo).contains("keine serielle Schnittstelle"));
    EXPECT_TRUE(DevicePathProblemText(dir.path()).contains("keine serielle Schnittstelle"));
    const SerialProblem refused = DiagnoseSerialError(QSerialPort::PermissionError, "/dev/null", EACCES);
    EXPECT_EQ(refused.failure, SerialFailure::NoPermission);
    EXPECT_EQ(refused.group, QFileInfo("/dev/null").group());
    EXPECT_EQ(DiagnoseSerialError(QSerialPort::PermissionError, dir.filePath("gone"), EACCES).group,
              "dialout")
        << "a node that cannot be examined: the group serial devices belong to";
}

// The lock files Qt and the UUCP tools write name the holder by its pid.
TEST(SerialErrors, LockFileNamesTheHoldingProgram)
{
    QTemporaryDir root;
    const QString locks = root.filePath("lock");
    const QString proc = root.filePath("proc");
    QDir().mkpath(locks);
    auto write = [](const QString& file, const QByteArray& text) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    auto process = [&](int pid, const QByteArray& name) {
        QDir().mkpath(QStringLiteral("%1/%2").arg(proc).arg(pid));
        write(QStringLiteral("%1/%2/comm").arg(proc).arg(pid), name + "\n");
    };
    process(4711, "minicom");
    process(815, "zarvo");
    write(locks + "/LCK..ttyUSB0", "      4711\n");     // UUCP: the pid alone, padded
    write(locks + "/LCK..pts_3", "815\nzarvo\nhost\n"); // Qt: pid, program, host
    write(locks + "/LCK..ttyACM0", "999\n");            // stale: no such process
    // A link is locked by Qt under its own name, by the UUCP tools under its device's.
    const QString viaDevice = root.filePath("modem1");
    const QString viaOwnName = root.filePath("modem2");
    ASSERT_TRUE(QFile::link("/dev/null", viaDevice));
    ASSERT_TRUE(QFile::link("/dev/null", viaOwnName));
    write(locks + "/LCK..null", "4711\n");
    write(locks + "/LCK.." + QString(viaOwnName).replace('/', '_'), "815\nzarvo\nhost\n");

    const struct {
        QString device;
        QString program;
        qint64 pid;
    } cases[] = {
        {"/dev/ttyUSB0", "minicom", 4711}, {"/dev/pts/3", "zarvo", 815},
        {"/dev/ttyACM0", "", 0},           {"/dev/ttyS0", "", 0},
        {viaDevice, "minicom", 4711},      {viaOwnName, "zarvo", 815},
    };
    for (const auto& k : cases) {
        const LockHolder holder = FindLockHolder(k.device, {root.filePath("missing"), locks}, proc);
        EXPECT_EQ(holder.program, k.program) << k.device.toStdString();
        EXPECT_EQ(holder.pid, k.pid) << k.device.toStdString();
    }
}

} // namespace
