// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Wait.h"
#include "modem/ComDrv32.h"
#include "modem/SerialErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace zarvo;

// The program directory's settings file holding just this text (a [Ports] mapping).
void WriteSettings(const QTemporaryDir& home, const QByteArray& text)
{
    QFile ini(home.filePath("ZARVO2.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(text);
}

// A bare pseudo-terminal whose slave is mapped to COM3 through the program directory's [Ports].
class PtyPort : public ::testing::Test {
  protected:
    void SetUp() override
    {
        int slave = -1;
        char name[256] = {};
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave); // the driver opens it by name
        termios tio{};
        tcgetattr(master, &tio);
        cfmakeraw(&tio);
        tcsetattr(master, TCSANOW, &tio);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        slavePath = QString::fromLocal8Bit(name);
        oldHome = qgetenv("ZARVO_HOME");
        qputenv("ZARVO_HOME", home.path().toUtf8());
        WriteSettings(home, "[Ports]\nCOM3=" + slavePath.toUtf8() +
                                "\nCOM5=" + home.filePath("none").toUtf8() + "\n");
    }
    void TearDown() override
    {
        ::close(master);
        qputenv("ZARVO_HOME", oldHome);
    }
    void fromModem(const QByteArray& bytes)
    {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), bytes.size());
    }
    QByteArray toModem()
    {
        QByteArray all;
        char buf[4096];
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
            all.append(buf, n);
        return all;
    }

    QTemporaryDir home;
    QByteArray oldHome;
    int master = -1;
    QString slavePath;
};

TEST(ControlBlockTest, SettingsMapOntoTheControlBlock)
{
    TCommPortDriver d;
    TDeviceControlBlock dcb = d.BuildControlBlock();
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.Flags, 1u | 16u);
    EXPECT_EQ(dcb.XonLim, 512);
    EXPECT_EQ(dcb.XoffLim, 1);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);

    d.SetComPortSpeed(br57600);
    d.SetComPortHwHandshaking(hhRTSCTS);
    d.SetComPortSwHandshaking(shXONXOFF);
    d.SetEnableDTROnOpen(false);
    d.SetComPortDataBits(db7BITS);
    d.SetComPortParity(ptSPACE);
    d.SetComPortStopBits(sb2BITS);
    d.SetComPortInBufSize(1000);
    dcb = d.BuildControlBlock();
    EXPECT_EQ(dcb.BaudRate, 57600u);
    EXPECT_EQ(dcb.Flags, 1u | 4u | 8192u | 256u | 512u);
    EXPECT_EQ(dcb.XonLim, 250);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.Parity, 4);
    EXPECT_EQ(dcb.StopBits, 2);

    const quint32 table[] = {110,   300,   600,   1200,  2400,  4800,  9600,
                             14400, 19200, 38400, 56000, 57600, 115200};
    for (int i = br110; i <= br115200; ++i) {
        d.SetComPortSpeed(static_cast<TComPortBaudRate>(i));
        EXPECT_EQ(d.BuildControlBlock().BaudRate, table[i]);
    }
}

TEST(ComPortPathTest, PortsSectionElseSerialDevices)
{
    QTemporaryDir home;
    const QByteArray old = qgetenv("ZARVO_HOME");
    qputenv("ZARVO_HOME", home.path().toUtf8());
    WriteSettings(home, "[ports]\ncom2=/dev/ttyUSB0\n");
    EXPECT_EQ(ComPortDevicePath(2), QString("/dev/ttyUSB0"));
    EXPECT_EQ(ComPortDevicePath(1), QString("/dev/ttyS0"));
    EXPECT_EQ(ComPortDevicePath(9), QString("/dev/ttyS8"));
    qputenv("ZARVO_HOME", old);
}

TEST_F(PtyPort, ConnectReceivePollAndDisconnect)
{
    TCommPortDriver d;
    QByteArray received;
    int calls = 0;
    d.SetOnReceiveData([&](TCommPortDriver* sender, const char* data, int size) {
        EXPECT_EQ(sender, &d);
        EXPECT_GT(size, 0); // empty polls never reach the handler
        received.append(data, size);
        ++calls;
    });
    d.SetComPort(pnCOM3);
    ASSERT_TRUE(d.Connect());
    EXPECT_TRUE(d.Connect()); // already open
    EXPECT_TRUE(d.Connected());
    Delay(200);
    EXPECT_EQ(calls, 0);

    fromModem("OK\r\n");
    ASSERT_TRUE(WaitUntil([&] { return received == "OK\r\n"; }, 5000));

    EXPECT_TRUE(d.SendString("AT\r"));
    ASSERT_TRUE(WaitUntil([&] { return toModem() == "AT\r"; }, 5000));

    d.Disconnect();
    EXPECT_FALSE(d.Connected());
    EXPECT_EQ(d.SendData("x", 1), 0);
    EXPECT_EQ(d.OutputFree(), 65535);
}

TEST_F(PtyPort, PortAndBufferSizeOnlyChangeWhileClosed)
{
    TCommPortDriver d;
    d.SetComPort(pnCOM3);
    ASSERT_TRUE(d.Connect());
    d.SetComPort(pnCOM5);
    d.SetComPortInBufSize(16);
    EXPECT_EQ(d.ComPort(), pnCOM3);
    EXPECT_EQ(d.ComPortInBufSize(), 2048);
    d.Disconnect();
    d.SetComPort(pnCOM5);
    d.SetComPortInBufSize(16);
    EXPECT_EQ(d.ComPort(), pnCOM5);
    EXPECT_EQ(d.ComPortInBufSize(), 16);
    EXPECT_FALSE(d.Connect()); // COM5 names no device
    EXPECT_FALSE(d.Connected());
    EXPECT_TRUE(d.OpenError().startsWith("Gerät " + home.filePath("none") + " nicht gefunden."));
}

TEST_F(PtyPort, SecondOpenOfAHeldPortFails)
{
    TCommPortDriver a, b;
    a.SetComPort(pnCOM3);
    b.SetComPort(pnCOM3);
    ASSERT_TRUE(a.Connect());
    EXPECT_FALSE(b.Connect());
    EXPECT_FALSE(b.Connected());
    // The lock file names the holder: here this very test program.
    QFile comm("/proc/self/comm");
    ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
    const QString self = QString::fromLocal8Bit(comm.readAll().trimmed());
    EXPECT_TRUE(b.OpenError().startsWith(slavePath + " wird von einem anderen Programm benutzt: " + self +
                                         " (Prozess " + QString::number(getpid()) + ")."))
        << b.OpenError().toStdString();
    a.Disconnect();
    EXPECT_TRUE(b.Connect());
    EXPECT_TRUE(b.OpenError().isEmpty());
}

// A terminal program locks the device under its own name; opening it through a link must respect
// that lock, which Qt alone would not see.
TEST_F(PtyPort, LockOfTheDeviceBehindALinkKeepsThePortClosed)
{
    QProcess holder;
    holder.start("sleep", {"60"});
    ASSERT_TRUE(holder.waitForStarted());
    const QString lock = "/var/lock/LCK.." + slavePath.mid(5).replace('/', '_');
    QFile f(lock);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) << lock.toStdString();
    f.write(QByteArray::number(holder.processId()).rightJustified(10) + "\n");
    f.close();
    const QString link = home.filePath("modem");
    ASSERT_TRUE(QFile::link(slavePath, link));
    WriteSettings(home, "[Ports]\nCOM3=" + link.toUtf8() + "\n");

    TCommPortDriver d;
    d.SetComPort(pnCOM3);
    EXPECT_FALSE(d.Connect());
    EXPECT_EQ(d.OpenError(), link + " wird von einem anderen Programm benutzt: sleep (Prozess " +
                                 QString::number(holder.processId()) +
                                 "). Beenden Sie es und versuchen Sie es erneut.");
    QFile::remove(lock);
    holder.kill();
    holder.waitForFinished();
    EXPECT_TRUE(d.Connect()) << "the holder is gone";
}

TEST_F(PtyPort, LineSettingChangeWhileOpenPurgesBothQueues)
{
    TCommPortDriver d;
    QByteArray received;
    d.SetOnReceiveData([&](TCommPortDriver*, const char* data, int size) { received.append(data, size); });
    d.SetComPort(pnCOM3);
    ASSERT_TRUE(d.Connect());
    fromModem("stale bytes");
    usleep(100000); // queued in the device, not yet polled
    d.SetComPortSpeed(br19200);
    Delay(300);
    EXPECT_TRUE(received.isEmpty());
    fromModem("fresh");
    ASSERT_TRUE(WaitUntil([&] { return received == "fresh"; }, 5000));
}

TEST_F(PtyPort, PollingDelayRestartsTheTimerOnlyOnChange)
{
    TCommPortDriver d;
    d.SetComPort(pnCOM3);
    ASSERT_TRUE(d.Connect());
    const int starts = d.TimerStarts();
    d.SetComPortPollingDelay(50);
    EXPECT_EQ(d.TimerStarts(), starts);
    d.SetComPortPollingDelay(20);
    EXPECT_EQ(d.TimerStarts(), starts + 1);
    d.Disconnect();
    d.SetComPortPollingDelay(30); // closed: stored only
    EXPECT_EQ(d.TimerStarts(), starts + 1);
    EXPECT_EQ(d.ComPortPollingDelay(), 30);
}

TEST_F(PtyPort, SendIntoAQueueThatNeverDrainsTimesOutNegative)
{
    TCommPortDriver d;
    d.SetComPort(pnCOM3);
    d.SetOutputTimeout(300);
    ASSERT_TRUE(d.Connect());
    EXPECT_EQ(d.SendData("x", 0), 0);
    const QByteArray lots(4 * 1024 * 1024, 'A'); // nobody reads the other end
    const int sent = d.SendData(lots.constData(), static_cast<int>(lots.size()));
    EXPECT_LT(sent, 0);
    EXPECT_GT(-sent, 0);
    EXPECT_FALSE(d.SendString(lots));
}

TEST_F(PtyPort, VanishedDeviceClosesThePortAndSaysWhy)
{
    TCommPortDriver d;
    d.SetComPort(pnCOM3);
    ASSERT_TRUE(d.Connect());
    ::close(master);
    master = ::open("/dev/null", O_RDONLY); // keeps TearDown's close harmless
    EXPECT_TRUE(WaitUntil([&] { return !d.Connected(); }, 5000));
    EXPECT_TRUE(
        d.DeviceError().startsWith("Gerät " + slavePath + " antwortet nicht mehr oder wurde entfernt."));
}

// Opens the system or the fault hook refuses: no port stays open, and the text says why and what
// to do. The hook stands for what root cannot meet (a missing right, another user's program).
TEST_F(PtyPort, RefusedOpenSaysWhyAndWhatToDo)
{
    // As a serial port is: read and write for its group (a pty's group may only write).
    ASSERT_EQ(::chmod(QFile::encodeName(slavePath).constData(), 0660), 0);
    const QString group = QFileInfo(slavePath).group();
    const QString fifo = home.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        int fault; // injected errno; 0 opens the path for real
        QString path;
        QStringList says;
    } cases[] = {
        {EACCES, slavePath, {"Keine Berechtigung für " + slavePath, "Gruppe " + group, "anmelden"}},
        {EBUSY, slavePath, {slavePath + " wird von einem anderen Programm benutzt", "Beenden Sie es"}},
        {ENOENT, slavePath, {"Gerät " + slavePath + " nicht gefunden", "Kabel eingesteckt"}},
        {0, fifo, {fifo + " ist keine serielle Schnittstelle"}},
        {0, home.path(), {home.path() + " ist keine serielle Schnittstelle"}},
    };
    for (const auto& k : cases) {
        WriteSettings(home, "[Ports]\nCOM3=" + k.path.toUtf8() + "\n");
        QString asked;
        SetOpenFaultHook([&](const QString& path) {
            asked = path;
            return k.fault;
        });
        TCommPortDriver d;
        d.SetComPort(pnCOM3);
        EXPECT_FALSE(d.Connect());
        EXPECT_FALSE(d.Connected());
        EXPECT_EQ(asked, k.path);
        for (const QString& part : k.says)
            EXPECT_TRUE(d.OpenError().contains(part))
                << d.OpenError().toStdString() << " lacks " << part.toStdString();
        SetOpenFaultHook(nullptr);
    }
    // The refusals were the hook's: without it the same device opens.
    WriteSettings(home, "[Ports]\nCOM3=" + slavePath.toUtf8() + "\n");
    TCommPortDriver d;
    d.SetComPort(pnCOM3);
    EXPECT_TRUE(d.Connect());
    EXPECT_TRUE(d.OpenError().isEmpty());
}

} // namespace
