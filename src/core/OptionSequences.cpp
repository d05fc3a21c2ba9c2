// SPDX-License-Identifier: GPL-3.0-or-later
// Making a settings record current, and the checks on typed option values.
#include "core/OptionSequences.h"

#include "common/Errors.h"
#include "common/MessageSeam.h"
#include "modem/SerialErrors.h"
#include "modem/Zarvo.h"

#include <algorithm>

namespace zarvo {

QString NoModemText(quint8 port)
{
    return QStringLiteral("Am Com") + QString::number(port) + QStringLiteral(" befindet sich kein USR Modem");
}

QString PortTestText(quint8 result)
{
    switch (result) {
    case 0:
        return QStringLiteral("ComPort und Modem ist okay!");
    case 1:
        return QStringLiteral("Kein gültiger ComPort !");
    case 2:
        return QStringLiteral("Kein Modem an ComPort !");
    case 3:
        return QStringLiteral("Kein US Robotics Message Modem an ComPort");
    default:
        return {};
    }
}

namespace {

// The options the user meant: where a field still shows what it was shown with, the modem's value.
tModemOptions Merged(const tModemOptions& wanted, const tModemOptions& shown, const tModemOptions& modem)
{
    tModemOptions m = modem;
    auto take = [](auto& to, const auto& want, const auto& was) {
        if (want != was)
            to = want;
    };
    take(m.DialupRetr, wanted.DialupRetr, shown.DialupRetr);
    take(m.FaxRecv, wanted.FaxRecv, shown.FaxRecv);
    take(m.CallMonitor, wanted.CallMonitor, shown.CallMonitor);
    take(m.DRPassword, wanted.DRPassword, shown.DRPassword);
    take(m.RingSetup, wanted.RingSetup, shown.RingSetup);
    take(m.VoiceRecv, wanted.VoiceRecv, shown.VoiceRecv);
    take(m.FaxId, wanted.FaxId, shown.FaxId);
    m.LocalMode = false;
    return m;
}

} // namespace

ApplyResult ApplyOptions(TZarvo& zarvo, TOpts& current, const TOpts& wanted, const tModemOptions* shown)
{
    TOpts copy = wanted;
    copy.ModemOptions.LocalMode = false;
    // A hand-edited settings file may hold a quote, which would end the quoted fax ID early, or
    // more than the modem takes, which it would refuse at every return to self mode.
    copy.ModemOptions.FaxId = ModemTextOnly(copy.ModemOptions.FaxId).left(kModemTextMax);
    bool ok = true;
    if (current.ComPort != copy.ComPort) {
        if (copy.ForcePort)
            zarvo.ForcePort(copy.ComPort);
        else
            ok = zarvo.TestPort(copy.ComPort) == 0;
    }
    if (!ok) {
        Messages().information(kAppCaption, WithPortProblem(NoModemText(copy.ComPort), zarvo.PortProblem));
        return ApplyResult::NoModem;
    }
    if (!copy.ModemOptionsHeld) {
        // Defaults written over the modem's own options would switch its reception off.
        tModemOptions modem;
        if (zarvo.ReadOptions(modem) != 0) {
            zarvo.ShowStatus(QStringLiteral("Modem wurde nicht eingestellt."));
            current = copy;
            current.ModemOptions = wanted.ModemOptions;
            return ApplyResult::NotWritten;
        }
        copy.ModemOptions = Merged(copy.ModemOptions, shown ? *shown : wanted.ModemOptions, modem);
        copy.ModemOptionsHeld = true;
    }
    const bool written = zarvo.WriteOptions(copy.ModemOptions) == 0;
    current = copy;
    return written ? ApplyResult::Applied : ApplyResult::NotWritten;
}

QString PortFailureText(quint8 port, quint8 result)
{
    return result == 1 ? PortTestText(1) : NoModemText(port);
}

bool PasswordAcceptable(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QString ModemTextOnly(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() <= 0xFF && c != u'"' && c.unicode() != 0x7F)
            kept += c;
    }
    return kept;
}

} // namespace zarvo
