// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as ZARVO2.ini or FAX.INI: every key the program reads must read without a fault, a
// read must not depend on the case of section or key, and a write must change its own key only.

#include "common/IniProfile.h"

#include <QFile>
#include <QString>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

struct Key {
    const char* section;
    const char* key;
};

// The keys of ZARVO2.ini (settings, self-mode options, ports, time limits) and of FAX.INI.
const std::vector<Key> kKeys = {
    {"Modem", "ComPort"},
    {"Modem", "LineKabel"},
    {"Modem", "ForcePort"},
    {"Modem", "ReplyTimeout"},
    {"Modem", "EraseTimeout"},
    {"Auto", "DFUE"},
    {"Auto", "TOnline2"},
    {"Auto", "Faxmon"},
    {"Auto", "Autonachr"},
    {"Auto", "AutonTi"},
    {"Auto", "UnAbEn"},
    {"Prog", "FaxView"},
    {"Prog", "ExtFax"},
    {"ModemOpt", "Dialup_retr"},
    {"ModemOpt", "Fax_recv"},
    {"ModemOpt", "Local_Mode"},
    {"ModemOpt", "Call_Monitor"},
    {"ModemOpt", "DR_Password"},
    {"ModemOpt", "Ring_setup"},
    {"ModemOpt", "Voice_recv"},
    {"ModemOpt", "Fax_ID"},
    {"Ports", "COM1"},
    {"Ports", "COM5"},
    {"Ports", "COM9"},
    {"Druck", "Zoom"},
    {"Druck", "RandX"},
    {"Druck", "RandY"},
    {"Faxfenster", "Zoom"},
    {"Faxfenster", "Hoehemul"},
    {"Faxfenster", "Width"},
    {"Faxfenster", "Height"},
};

QString S(const char* text)
{
    return QString::fromLatin1(text);
}

std::vector<QString> ReadAll(const zarvo::IniProfile& ini)
{
    std::vector<QString> values;
    for (const Key& k : kKeys) {
        values.push_back(ini.readString(S(k.section), S(k.key), QStringLiteral("\x01missing")));
        ini.readInteger(S(k.section), S(k.key), -7);
        ini.readBool(S(k.section), S(k.key), true);
    }
    return values;
}

// The profile file of one fuzzing process, in memory where the system offers it (a write is a
// rename of a fresh file, slow on a disk), removed at exit.
struct ScratchFile {
    ScratchFile()
        : path(QStringLiteral("%1/zarvo-fuzz-%2.ini")
                   .arg(QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm")
                                                                  : QStringLiteral("/tmp"),
                        QString::number(::getpid())))
    {
    }
    ~ScratchFile() { QFile::remove(path); }
    QString path;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const ScratchFile scratch;
    const QString& file = scratch.path;
    {
        QFile f(file);
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
              static_cast<qint64>(size));
    }
    zarvo::IniProfile ini(file);
    const std::vector<QString> before = ReadAll(ini);

    // Sections and keys compare without regard to case.
    for (std::size_t i = 0; i < kKeys.size(); i += 7)
        check(ini.readString(S(kKeys[i].section).toUpper(), S(kKeys[i].key).toLower(),
                             QStringLiteral("\x01missing")) == before[i]);

    // A write puts its value where the next read finds it and leaves every other key as it was.
    const std::size_t target = size % kKeys.size();
    const QString value = QStringLiteral("wert %1").arg(size);
    ini.writeString(S(kKeys[target].section), S(kKeys[target].key), value);
    const std::vector<QString> after = ReadAll(ini);
    for (std::size_t i = 0; i < kKeys.size(); ++i)
        check(after[i] == (i == target ? value : before[i]));
    check(ini.readInteger(S(kKeys[target].section), S(kKeys[target].key), -1) == -1);
    return 0;
}
