// SPDX-License-Identifier: GPL-3.0-or-later
// The modem's self-mode options: read, write only what differs, keep them in the settings file.
#include "common/IniProfile.h"
#include "modem/Zarvo.h"
#include "modem/ZarvoFields.h"

namespace zarvo {
namespace {

const QString kSection = QStringLiteral("ModemOpt");

QString OnOff(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

quint8 TZarvo::ReadOptions(tModemOptions& Options)
{
    ShowStatus(QStringLiteral("Modem wird ausgelesen."));
    quint8 result = Refusal();
    if (result == 0) {
        // One query per setting; a refused or unanswered query fails the read but the rest still run.
        auto query = [&](const char* name) {
            SendCommand(QStringLiteral("ATE0V1+") + QLatin1String(name) + u'?', true, true);
            const bool answered = !LastLine.isEmpty() && LastLine != u"ERROR";
            if (!answered)
                result = 4;
            return answered;
        };
        // Filled in a copy: a malformed ring count leaves the caller's record as it was.
        tModemOptions read = Options;
        query("MCD");
        read.DialupRetr = OptionBool(PrevLine);
        query("MCF");
        read.FaxRecv = OptionBool(PrevLine);
        query("MCL");
        read.LocalMode = OptionBool(PrevLine);
        query("MCM");
        read.CallMonitor = OptionBool(PrevLine);
        query("MCP");
        read.DRPassword = PrevLine;
        if (query("MCR"))
            read.RingSetup = static_cast<quint8>(ReplyNumber(PrevLine));
        query("MCV");
        read.VoiceRecv = OptionBool(PrevLine);
        query("MFI");
        read.FaxId = FaxIdFromReply(PrevLine);
        Options = read;
    }
    ShowStatus(QStringLiteral("Modem ausgelesen."));
    return result;
}

quint8 TZarvo::WriteOptions(const tModemOptions& Options)
{
    ShowStatus(QStringLiteral("Modem wird eingestellt.Bitte warten"));
    bool ok = true;
    bool changed = false;
    QString refused;
    quint8 result = Refusal();
    // A value the command cannot carry is refused before anything is sent.
    if (const QString problem = OptionsProblem(Options); result == 0 && !problem.isEmpty()) {
        ShowStatus(problem);
        return 8;
    }
    if (result == 0) {
        tModemOptions current;
        ReadOptions(current);
        // Each step shows its text; after the first refusal nothing more is sent.
        auto step = [&](const QString& text, bool differs, const QString& command) {
            ShowStatus(text);
            if (!ok || !differs)
                return;
            SendCommand(command, true, false);
            changed = true;
            ok = !LastLine.isEmpty() && LastLine != u"ERROR";
            if (!ok)
                refused = command;
        };
        const QString wait = QStringLiteral("Modem wird eingestellt.Bitte warten ");
        step(wait + QStringLiteral("1/9"), Options.DialupRetr != current.DialupRetr,
             QStringLiteral("ATE0V1+MCD=") + OnOff(Options.DialupRetr));
        step(wait + QStringLiteral("2/9"), Options.FaxRecv != current.FaxRecv,
             QStringLiteral("ATE0V1+MCF=") + OnOff(Options.FaxRecv));
        step(wait + QStringLiteral("3/9"), Options.LocalMode != current.LocalMode,
             QStringLiteral("ATE0V1+MCL=") + OnOff(Options.LocalMode));
        step(wait + QStringLiteral("4/9"), Options.CallMonitor != current.CallMonitor,
             QStringLiteral("ATE0V1+MCM=") + OnOff(Options.CallMonitor));
        step(QStringLiteral("Modem wird eingestellt.Fernabfrage Paßwort 5/9"),
             Options.DRPassword != current.DRPassword, QStringLiteral("ATE0V1+MCP=") + Options.DRPassword);
        step(wait + QStringLiteral("6/9"), Options.RingSetup != current.RingSetup,
             QStringLiteral("ATE0V1+MCR=") + QString::number(Options.RingSetup));
        step(wait + QStringLiteral("7/9"), Options.VoiceRecv != current.VoiceRecv,
             QStringLiteral("ATE0V1+MCV=") + OnOff(Options.VoiceRecv));
        step(QStringLiteral("Modem wird eingestellt.Fax ID       8/9"), Options.FaxId != current.FaxId,
             QStringLiteral("ATE0V1+MFI=\"") + Options.FaxId + u'"');
        if (changed && ok) {
            ShowStatus(QStringLiteral("Modem wird eingestellt.Abspeichern  9/9"));
            SendCommand(QStringLiteral("ATE0V1+MCW"), true, false);
            // Settings not stored are lost at the modem's next reset.
            if (LastLine.isEmpty() || LastLine == u"ERROR") {
                ShowStatus(QStringLiteral("Fehlschlag bei ATE0V1+MCW"));
                ok = false;
            }
        }
    }
    // Success is only ever claimed for what the modem took and stored.
    if (result != 0)
        ShowStatus(QStringLiteral("Modem wurde nicht eingestellt."));
    else if (!refused.isEmpty())
        ShowStatus(QStringLiteral("Fehlschlag bei ") + refused);
    else if (ok)
        ShowStatus(QStringLiteral("Modem wurde eingestellt."));
    return ok ? result : 8;
}

void TZarvo::LoadOptions(const QString& FileName, tModemOptions& Options)
{
    const IniProfile ini(FileName);
    tModemOptions& o = Options;
    o.DialupRetr = ini.readBool(kSection, QStringLiteral("Dialup_retr"), o.DialupRetr);
    o.FaxRecv = ini.readBool(kSection, QStringLiteral("Fax_recv"), o.FaxRecv);
    o.LocalMode = ini.readBool(kSection, QStringLiteral("Local_Mode"), o.LocalMode);
    o.CallMonitor = ini.readBool(kSection, QStringLiteral("Call_Monitor"), o.CallMonitor);
    o.DRPassword = ini.readString(kSection, QStringLiteral("DR_Password"), o.DRPassword);
    o.RingSetup = static_cast<quint8>(ini.readInteger(kSection, QStringLiteral("Ring_setup"), o.RingSetup));
    o.VoiceRecv = ini.readBool(kSection, QStringLiteral("Voice_recv"), o.VoiceRecv);
    o.FaxId = ini.readString(kSection, QStringLiteral("Fax_ID"), o.FaxId);
}

void TZarvo::SaveOptions(const QString& FileName, const tModemOptions& Options)
{
    IniProfile ini(FileName);
    ini.writeBool(kSection, QStringLiteral("Dialup_retr"), Options.DialupRetr);
    ini.writeBool(kSection, QStringLiteral("Fax_recv"), Options.FaxRecv);
    ini.writeBool(kSection, QStringLiteral("Local_Mode"), Options.LocalMode);
    ini.writeBool(kSection, QStringLiteral("Call_Monitor"), Options.CallMonitor);
    ini.writeString(kSection, QStringLiteral("DR_Password"), Options.DRPassword);
    ini.writeInteger(kSection, QStringLiteral("Ring_setup"), Options.RingSetup);
    ini.writeBool(kSection, QStringLiteral("Voice_recv"), Options.VoiceRecv);
    ini.writeString(kSection, QStringLiteral("Fax_ID"), Options.FaxId);
}

} // namespace zarvo
