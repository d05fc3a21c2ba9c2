// SPDX-License-Identifier: GPL-3.0-or-later
// The serial ports the options dialog offers, and how a choice becomes a COMn key of [Ports].
#include "modem/PortList.h"

#include "common/IniProfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <sys/stat.h>

namespace zarvo {

namespace {

const QString kPorts = QStringLiteral("Ports");
// Reads a key's raw value and tells a missing key from an empty value.
const QString kMissing = QStringLiteral("\x01missing");

std::function<PortMachine()>& MachineSource()
{
    static std::function<PortMachine()> source;
    return source;
}

// Device names in the order people count them: ttyS2 before ttyS10.
bool NaturalLess(const QString& a, const QString& b)
{
    auto split = [](const QString& s) {
        qsizetype digits = s.size();
        while (digits > 0 && s[digits - 1].isDigit())
            --digits;
        return std::pair{s.left(digits), s.mid(digits).toLongLong()};
    };
    return split(a) < split(b);
}

// Two paths name the same device when they lead to the same file, or are the same text.
bool SameDevice(const QString& a, const QString& b, const PortMachine& machine)
{
    if (a == b)
        return true;
    const QString ra = machine.resolve(a);
    return !ra.isEmpty() && ra == machine.resolve(b);
}

} // namespace

PortMachine PortMachine::System()
{
    if (MachineSource())
        return MachineSource()();
    PortMachine m;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        m.ports.push_back({info.systemLocation(), info.description(), info.manufacturer()});
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        m.byId.push_back({link.absoluteFilePath(), link.canonicalFilePath()});
    m.resolve = [](const QString& path) { return QFileInfo(path).canonicalFilePath(); };
    m.isCharDevice = [](const QString& path) {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
    };
    return m;
}

void SetSystemPortMachine(std::function<PortMachine()> source)
{
    MachineSource() = std::move(source);
}

QString PortSlots::path(int n) const
{
    const auto& v = value[size_t(n - 1)];
    return v ? *v : QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

PortSlots PortSlots::Read(const QString& iniFile)
{
    PortSlots keys;
    const IniProfile ini(iniFile);
    for (int n = 1; n <= kCount; ++n) {
        const QString v = ini.readString(kPorts, QStringLiteral("COM%1").arg(n), kMissing);
        if (v != kMissing)
            keys.value[size_t(n - 1)] = v;
    }
    return keys;
}

PortEntry DescribePort(const QString& path, const PortMachine& machine, const PortSlots& keys)
{
    PortEntry e;
    e.path = path;
    e.device = path.isEmpty() ? QString() : machine.resolve(path);
    e.serial = !path.isEmpty() && machine.isCharDevice(path);
    if (!e.device.isEmpty()) {
        for (const SerialPortRecord& r : machine.ports) {
            if (r.systemLocation == e.device || machine.resolve(r.systemLocation) == e.device) {
                e.listed = true;
                e.description = r.description;
                e.manufacturer = r.manufacturer;
                break;
            }
        }
        for (const ByIdLink& link : machine.byId) {
            if (link.target == e.device) {
                e.byId = link.link;
                break;
            }
        }
    }
    // The by-id name survives re-plugging and other adapters; ttyUSB numbers do not.
    if (!e.byId.isEmpty())
        e.path = e.byId;
    for (int n = 1; n <= PortSlots::kCount && !path.isEmpty(); ++n) {
        if (SameDevice(keys.path(n), path, machine)) {
            e.slot = n;
            break;
        }
    }
    return e;
}

QList<PortEntry> BuildPortList(const PortMachine& machine, const PortSlots& keys, int currentSlot)
{
    QList<SerialPortRecord> ports = machine.ports;
    std::sort(ports.begin(), ports.end(), [](const SerialPortRecord& a, const SerialPortRecord& b) {
        return NaturalLess(a.systemLocation, b.systemLocation);
    });
    QList<PortEntry> list;
    auto known = [&](const PortEntry& e) {
        return std::any_of(list.begin(), list.end(), [&](const PortEntry& k) {
            return (!e.device.isEmpty() && k.device == e.device) || k.path == e.path ||
                   (e.slot != 0 && k.slot == e.slot);
        });
    };
    for (const SerialPortRecord& r : ports) {
        PortEntry e = DescribePort(r.systemLocation, machine, keys);
        if (!known(e))
            list.push_back(e);
    }
    for (int n = 1; n <= PortSlots::kCount; ++n) {
        if (!keys.isExplicit(n) && n != currentSlot)
            continue;
        PortEntry e = DescribePort(keys.path(n), machine, keys);
        if (e.slot == 0)
            e.slot = n;
        if (!known(e))
            list.push_back(e);
    }
    return list;
}

QString PortLabel(const PortEntry& entry)
{
    QString text;
    if (entry.slot != 0)
        text = QStringLiteral("COM%1: ").arg(entry.slot);
    text += entry.listed ? entry.device : entry.path;
    QString about = entry.description;
    if (!entry.manufacturer.isEmpty() && !about.contains(entry.manufacturer, Qt::CaseInsensitive))
        about += about.isEmpty() ? entry.manufacturer : QStringLiteral(" (%1)").arg(entry.manufacturer);
    if (!about.isEmpty())
        text += QStringLiteral(" – ") + about;
    if (entry.device.isEmpty())
        text += QStringLiteral(" (nicht vorhanden)");
    else if (!entry.serial)
        text += QStringLiteral(" (keine serielle Schnittstelle)");
    return text;
}

QString TypedPortPath(const QString& text, const PortSlots& keys)
{
    const QString t = text.trimmed();
    if (t.size() == 4 && t.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && t[3] >= u'1' &&
        t[3] <= u'9')
        return keys.path(t[3].digitValue());
    if (t == QLatin1String("~") || t.startsWith(QLatin1String("~/")))
        return QDir::homePath() + t.mid(1);
    return t;
}

PortChoice ChoosePortSlot(const PortEntry& entry, const PortMachine& machine, const PortSlots& keys,
                          const QList<int>& keep)
{
    PortChoice choice;
    if (entry.path.isEmpty())
        return choice;
    choice.path = entry.path;
    if (entry.slot != 0) {
        choice.slot = entry.slot;
    }
    else {
        auto rank = [&](int n) {
            const bool names = machine.isCharDevice(keys.path(n));
            if (!keys.isExplicit(n))
                return names ? 1 : 0;
            return names ? 3 : 2;
        };
        int best = 0;
        for (int n = 1; n <= PortSlots::kCount; ++n) {
            if (!keep.contains(n) && (best == 0 || rank(n) < rank(best)))
                best = n;
        }
        choice.slot = best;
    }
    choice.write = choice.slot != 0 && keys.path(choice.slot) != choice.path;
    return choice;
}

void StorePortChoice(const QString& iniFile, const PortChoice& choice)
{
    if (!choice.write || choice.slot < 1 || choice.slot > PortSlots::kCount)
        return;
    IniProfile(iniFile).writeString(kPorts, QStringLiteral("COM%1").arg(choice.slot), choice.path);
}

} // namespace zarvo
