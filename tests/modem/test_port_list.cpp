// SPDX-License-Identifier: GPL-3.0-or-later
// The port list of the options dialog on a machine described by hand, and how a choice becomes a
// COMn key of [Ports].
#include "common/IniProfile.h"
#include "modem/PortList.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace zarvo;

const QString kFtdi = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
const QString kAcm = QStringLiteral("/dev/serial/by-id/usb-Prolific_USB_Modem-if00");

// A desk PC with its built-in ttyS0, a USB adapter, a USB modem, and the emulator's link in the
// home folder. Paths resolve through `links`; character devices are those in `devices`.
PortMachine Desk()
{
    PortMachine m;
    m.ports = {{"/dev/ttyUSB0", "FT232R USB UART", "FTDI"},
               {"/dev/ttyS10", "", ""},
               {"/dev/ttyACM0", "USB Modem", "Prolific"},
               {"/dev/ttyS0", "", ""}};
    m.byId = {{kFtdi, "/dev/ttyUSB0"}, {kAcm, "/dev/ttyACM0"}};
    const QMap<QString, QString> links = {{kFtdi, "/dev/ttyUSB0"},
                                          {kAcm, "/dev/ttyACM0"},
                                          {"/home/u/modem", "/dev/pts/4"},
                                          {"/home/u/notes.txt", "/home/u/notes.txt"}};
    const QStringList devices = {"/dev/ttyUSB0", "/dev/ttyS0",   "/dev/ttyS1",
                                 "/dev/ttyS10",  "/dev/ttyACM0", "/dev/pts/4"};
    m.resolve = [=](const QString& p) {
        const QString r = links.value(p, p);
        return devices.contains(r) || links.contains(p) ? r : QString();
    };
    m.isCharDevice = [=](const QString& p) { return devices.contains(m.resolve(p)); };
    return m;
}

PortSlots Keys(const QMap<int, QString>& values)
{
    PortSlots k;
    for (auto it = values.begin(); it != values.end(); ++it)
        k.value[size_t(it.key() - 1)] = it.value();
    return k;
}

TEST(PortList, ListsTheMachinesPortsThenTheFilesOwnAndTheCurrentOne)
{
    // COM1 is ttyS0 by default; COM3 the emulator; COM4 an adapter by its by-id name; COM6 a
    // device unplugged since. The settings use COM7, which names nothing.
    const PortSlots keys = Keys({{3, "/home/u/modem"}, {4, kFtdi}, {6, "/dev/serial/by-id/usb-gone"}});
    QStringList labels;
    for (const PortEntry& e : BuildPortList(Desk(), keys, 7))
        labels << PortLabel(e);
    EXPECT_EQ(labels, QStringList({"/dev/ttyACM0 – USB Modem (Prolific)", "COM1: /dev/ttyS0", "/dev/ttyS10",
                                   "COM4: /dev/ttyUSB0 – FT232R USB UART (FTDI)", "COM3: /home/u/modem",
                                   "COM6: /dev/serial/by-id/usb-gone (nicht vorhanden)",
                                   "COM7: /dev/ttyS6 (nicht vorhanden)"}));

    const PortEntry adapter = DescribePort("/dev/ttyUSB0", Desk(), keys);
    EXPECT_EQ(adapter.path, kFtdi) << "the stable name is what gets stored";
    EXPECT_EQ(adapter.byId, kFtdi);
    EXPECT_EQ(adapter.slot, 4);
    EXPECT_TRUE(adapter.listed && adapter.serial);
    const PortEntry file = DescribePort("/home/u/notes.txt", Desk(), keys);
    EXPECT_FALSE(file.serial);
    EXPECT_EQ(PortLabel(file), "/home/u/notes.txt (keine serielle Schnittstelle)");
    EXPECT_EQ(DescribePort("/home/u/modem", Desk(), keys).slot, 3);
}

TEST(PortList, AChoiceTakesTheKeyOfItsDeviceElseAFreeOne)
{
    const PortMachine desk = Desk();
    const PortSlots keys =
        Keys({{2, "/dev/ttyUSB0"}, {3, "/home/u/modem"}, {5, "/dev/serial/by-id/usb-gone"}});
    const struct {
        QString path;
        QList<int> keep;
        int slot;
        QString stored;
        bool write;
    } cases[] = {
        {"/home/u/modem", {3}, 3, "/home/u/modem", false},               // named already, even the one in use
        {kFtdi, {}, 2, kFtdi, true},                                     // COM2 names it by its unstable name
        {"/dev/ttyS0", {}, 1, "/dev/ttyS0", false},                      // COM1's default
        {"/dev/ttyACM0", {}, 4, kAcm, true},                             // COM4: no key, no ttyS3
        {"/dev/ttyACM0", {4, 6}, 7, kAcm, true},                         // the ports in use stay theirs
        {"/home/u/other", {1, 4, 6, 7, 8, 9}, 5, "/home/u/other", true}, // then a key naming nothing
        {"", {}, 0, "", false},
    };
    for (const auto& k : cases) {
        const PortChoice c = ChoosePortSlot(DescribePort(k.path, desk, keys), desk, keys, k.keep);
        EXPECT_EQ(c.slot, k.slot) << k.path.toStdString();
        EXPECT_EQ(c.path, k.stored) << k.path.toStdString();
        EXPECT_EQ(c.write, k.write) << k.path.toStdString();
    }

    // With every key naming a device, the lowest one not in use is taken over.
    QMap<int, QString> full;
    for (int n = 1; n <= 9; ++n)
        full[n] = "/dev/ttyS1";
    const PortSlots busy = Keys(full);
    EXPECT_EQ(ChoosePortSlot(DescribePort("/dev/ttyACM0", desk, busy), desk, busy, {1}).slot, 2);
}

TEST(PortList, TypedTextMeansAPathOrACOMName)
{
    const PortSlots keys = Keys({{3, "/home/u/modem"}});
    const struct {
        QString typed;
        QString path;
    } cases[] = {
        {"  /dev/ttyUSB1 ", "/dev/ttyUSB1"},
        {"COM3", "/home/u/modem"},
        {"com2", "/dev/ttyS1"},
        {"COM0", "COM0"},
        {"COM10", "COM10"},
        {"~/modem", QDir::homePath() + "/modem"},
        {"", ""},
    };
    for (const auto& k : cases)
        EXPECT_EQ(TypedPortPath(k.typed, keys), k.path) << k.typed.toStdString();
}

TEST(PortList, KeysAreReadAndWrittenAsOlderProgramsKeepThem)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("ZARVO2.ini");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Modem]\nComPort=2\n[ports]\ncom2=\n; by hand\nCOM3=/home/u/modem\n");
    f.close();
    PortSlots keys = PortSlots::Read(ini);
    EXPECT_FALSE(keys.isExplicit(1));
    EXPECT_EQ(keys.path(1), "/dev/ttyS0");
    EXPECT_TRUE(keys.isExplicit(2));
    EXPECT_EQ(keys.path(2), "") << "an empty value names nothing, as the driver reads it";
    EXPECT_EQ(keys.path(3), "/home/u/modem");

    StorePortChoice(ini, {4, kFtdi, true});
    StorePortChoice(ini, {3, "/elsewhere", false}); // nothing to write
    keys = PortSlots::Read(ini);
    EXPECT_EQ(keys.path(4), kFtdi);
    EXPECT_EQ(keys.path(3), "/home/u/modem");
    EXPECT_EQ(IniProfile(ini).readString("Modem", "ComPort", "-"), "2");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("; by hand\nCOM3=/home/u/modem\nCOM4=" + kFtdi.toUtf8() + "\n"));
}

} // namespace
