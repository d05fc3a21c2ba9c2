// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Settings.h"

#include "common/IniProfile.h"
#include "modem/Zarvo.h"

namespace zarvo {
namespace {

const QString kModem = QStringLiteral("Modem");
const QString kAuto = QStringLiteral("Auto");
const QString kProg = QStringLiteral("Prog");

} // namespace

void LoadSettings(TOpts& Opts, const QString& FileName)
{
    TZarvo::LoadOptions(FileName, Opts.ModemOptions);
    const IniProfile ini(FileName);
    Opts.ComPort = static_cast<quint8>(ini.readInteger(kModem, QStringLiteral("ComPort"), 0));
    Opts.LineKabel = ini.readBool(kModem, QStringLiteral("LineKabel"), true);
    Opts.ForcePort = ini.readBool(kModem, QStringLiteral("ForcePort"), false);
    Opts.DFUE = ini.readBool(kAuto, QStringLiteral("DFUE"), true);
    Opts.TOnline2 = ini.readBool(kAuto, QStringLiteral("TOnline2"), true);
    Opts.Faxmon = ini.readBool(kAuto, QStringLiteral("Faxmon"), true);
    Opts.Autonachr = ini.readBool(kAuto, QStringLiteral("Autonachr"), true);
    Opts.AutonTi = ini.readInteger(kAuto, QStringLiteral("AutonTi"), 10);
    Opts.FaxView = ini.readInteger(kProg, QStringLiteral("FaxView"), 0);
    Opts.ExtFax = ini.readString(kProg, QStringLiteral("ExtFax"), QString());
    Opts.UnAbEn = ini.readBool(kAuto, QStringLiteral("UnAbEn"), true);
    Opts.ModemOptionsHeld = ini.hasSection(QStringLiteral("ModemOpt"));
}

void SaveSettings(const TOpts& Opts, const QString& FileName)
{
    // Defaults standing in for options never read must not reach the file: the next start would
    // write them to the modem.
    if (Opts.ModemOptionsHeld)
        TZarvo::SaveOptions(FileName, Opts.ModemOptions);
    IniProfile ini(FileName);
    ini.writeInteger(kModem, QStringLiteral("ComPort"), Opts.ComPort);
    ini.writeBool(kModem, QStringLiteral("LineKabel"), Opts.LineKabel);
    ini.writeBool(kModem, QStringLiteral("ForcePort"), Opts.ForcePort);
    ini.writeBool(kAuto, QStringLiteral("DFUE"), Opts.DFUE);
    ini.writeBool(kAuto, QStringLiteral("TOnline2"), Opts.TOnline2);
    ini.writeBool(kAuto, QStringLiteral("Faxmon"), Opts.Faxmon);
    ini.writeBool(kAuto, QStringLiteral("Autonachr"), Opts.Autonachr);
    ini.writeInteger(kAuto, QStringLiteral("AutonTi"), Opts.AutonTi);
    ini.writeInteger(kProg, QStringLiteral("FaxView"), Opts.FaxView);
    ini.writeString(kProg, QStringLiteral("ExtFax"), Opts.ExtFax);
    ini.writeBool(kAuto, QStringLiteral("UnAbEn"), Opts.UnAbEn);
}

} // namespace zarvo
