// Making a settings record current, and the checks on typed option values.
#include "app/core/OptionSequences.h"

#include "common/Errors.h"
#include "common/MessageSeam.h"
#include "modem/SerialErrors.h"
#include "modem/Zarvo.h"

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

bool ApplyOptions(TZarvo& zarvo, TOpts& current, const TOpts& wanted)
{
    TOpts copy = wanted;
    copy.ModemOptions.LocalMode = false;
    // A hand-edited settings file may hold a quote, which would end the quoted fax ID early.
    copy.ModemOptions.FaxId = ModemTextOnly(copy.ModemOptions.FaxId);
    bool ok = true;
    if (current.ComPort != copy.ComPort) {
        if (copy.ForcePort)
            zarvo.ForcePort(copy.ComPort);
        else
            ok = zarvo.TestPort(copy.ComPort) == 0;
    }
    if (!ok) {
        Messages().information(kAppCaption, WithPortProblem(NoModemText(copy.ComPort), zarvo.PortProblem));
        return false;
    }
    zarvo.WriteOptions(copy.ModemOptions);
    current = copy;
    return true;
}

bool PasswordAcceptable(const QString& text)
{
    if (text.isEmpty())
        return true;
    try {
        StrToInt(text.toStdString());
        return true;
    }
    catch (const ConvertError&) {
        return false;
    }
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
