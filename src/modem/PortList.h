// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace zarvo {

// One serial port as the system describes it (what QSerialPortInfo knows of it).
struct SerialPortRecord {
    QString systemLocation; // the device node, /dev/ttyUSB0
    QString description;    // "FT232R USB UART"; may be empty
    QString manufacturer;   // "FTDI"; may be empty
};

// A link of /dev/serial/by-id and the device node it leads to.
struct ByIdLink {
    QString link;   // /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0
    QString target; // /dev/ttyUSB0
};

// What the machine offers. System() asks the running system; tests fill one by hand.
struct PortMachine {
    QList<SerialPortRecord> ports;
    QList<ByIdLink> byId;
    // The file a path names once every link is followed; empty when it names nothing.
    std::function<QString(const QString&)> resolve;
    // True when the path names a character device, the only kind a port test accepts.
    std::function<bool(const QString&)> isCharDevice;

    static PortMachine System();
};

// Test and screenshot seam: replaces what PortMachine::System() returns (null restores the system).
void SetSystemPortMachine(std::function<PortMachine()> source);

// The nine keys COM1..COM9 of section [Ports] of the settings file.
struct PortSlots {
    static constexpr int kCount = 9;
    std::array<std::optional<QString>, kCount> value; // the key's value; nullopt where it is missing

    // The path COMn names: the key's value, else /dev/ttyS(n-1). n is 1..9.
    QString path(int n) const;
    bool isExplicit(int n) const { return value[size_t(n - 1)].has_value(); }

    static PortSlots Read(const QString& iniFile);
};

// One line of the port list.
struct PortEntry {
    QString path;         // what [Ports] stores for it: its by-id link where one exists, else the path
    QString device;       // the file the path leads to (/dev/ttyUSB0); empty when it names nothing now
    QString byId;         // its /dev/serial/by-id link; empty when there is none
    QString description;  // from the system's list, empty for ports it does not list
    QString manufacturer; // likewise
    bool listed = false;  // the system lists it as a serial port
    bool serial = false;  // the path names a character device
    int slot = 0;         // the COMn that names this device already; 0 when none does
};

// What the machine knows of `path`: its device, by-id link, description, and the COMn naming it.
PortEntry DescribePort(const QString& path, const PortMachine& machine, const PortSlots& keys);

// The ports the options dialog offers: every port the system lists (in the order of their device
// names), then each COMn of the file that names something else (a typed path, an unplugged
// adapter), then COM<currentSlot> when nothing above stands for it yet.
QList<PortEntry> BuildPortList(const PortMachine& machine, const PortSlots& keys, int currentSlot);

// The drop-down's text for an entry: "COM5: /dev/ttyUSB0 – FT232R USB UART (FTDI)"; the COMn
// only where the file names it already, and a note when the path names no serial device now.
QString PortLabel(const PortEntry& entry);

// What the user typed: "COM3" stands for what COM3 names, a leading "~/" for the home folder;
// anything else is a path, blanks around it removed.
QString TypedPortPath(const QString& text, const PortSlots& keys);

// Where the choice of `entry` is stored. `slot` is 0 for an empty path.
struct PortChoice {
    int slot = 0;
    QString path;       // the value for key COM<slot>
    bool write = false; // the file does not say so yet
};

// The COMn for `entry`: the one naming its device already; else a free one, never one of `keep`
// (the port in use must not change under the running program). Free means, in this order: no key
// and no /dev/ttyS device behind it; no key; a key naming nothing now; any other. Lowest first.
PortChoice ChoosePortSlot(const PortEntry& entry, const PortMachine& machine, const PortSlots& keys,
                          const QList<int>& keep);

// Writes key COM<choice.slot> of [Ports] when choice.write says so. Throws IniWriteError.
void StorePortChoice(const QString& iniFile, const PortChoice& choice);

} // namespace zarvo
