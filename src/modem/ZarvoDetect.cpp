// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the modem on a port (or forcing the port) and binding the main port to it.
#include "modem/Zarvo.h"

#include "common/Targets.h"
#include "modem/SerialErrors.h"

#include <sys/stat.h>

namespace zarvo {

bool TZarvo::PortExists(quint8 Port)
{
    // Only COM1..COM9 have names; "COM0" or a non-digit never exists.
    if (Port < 1 || Port > 9)
        return false;
    struct stat st {};
    const QByteArray path = ComPortDevicePath(Port).toLocal8Bit();
    return ::stat(path.constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

TComPortNumber TZarvo::PortNumberToComPort(quint8 Port)
{
    if (Port >= 1 && Port <= 9)
        return static_cast<TComPortNumber>(Port - 1);
    return pnCOM4;
}

quint8 TZarvo::TestPort(quint8 Port)
{
    if (HeldOff) {
        ShowHeldOff();
        return 5;
    }
    CachedBlock = -1;
    quint8 result = 0;
    if (ReportMemo)
        ReportMemo->clear();
    PortProblem.clear();
    ShowStatus(QStringLiteral("Teste COM") + QString::number(Port));
    if (!PortExists(Port)) {
        result = 1;
        if (Port >= 1 && Port <= 9)
            PortProblem = DevicePathProblemText(ComPortDevicePath(Port));
    }
    else {
        ShowStatus(QStringLiteral("Com Port ") + QString::number(Port) + QStringLiteral(" existiert"));
        MainPort->Disconnect();
        ProbePort->SetComPort(PortNumberToComPort(Port));
        ProbePort->Disconnect();
        if (!ProbePort->Connect()) {
            // Nothing can be sent: say why instead of waiting for answers that cannot come.
            PortProblem = ProbePort->OpenError();
            result = 2;
        }
        else {
            result = Probe(Port);
        }
        ProbePort->Disconnect();
    }
    // The status line keeps the reason a port could not be used; otherwise it is cleared.
    ShowStatus(PortProblem);
    return result;
}

quint8 TZarvo::Probe(quint8 Port)
{
    TestCommand(QStringLiteral("AT+MCL=0"), false, false);
    TestCommand(QStringLiteral("ATE0"), false, false);
    TestCommand(QStringLiteral("AT"), false, false);
    if (LastLine != QLatin1String("OK"))
        return 2;
    ShowStatus(QStringLiteral("Modem ist angeschlossen"));
    TestCommand(QStringLiteral("ATE0#MDL?"), true, true);
    const QString& model = PrevLine;
    if (ReplyTimedOut())
        return 2; // it stopped answering: no modem to talk to
    if (!model.contains(QLatin1String("Robotics")) ||
        !(model.contains(QLatin1String("Message")) || model.contains(QLatin1String("Msg"))))
        return 3;
    ShowStatus(QStringLiteral("US Robotics Modem angeschlossen"));
    TestCommand(QStringLiteral("ATE0+MCS=1"), true, false);
    MainPort->SetComPort(PortNumberToComPort(Port));
    ModemFound = true;
    return 0;
}

void TZarvo::ForcePort(quint8 Port)
{
    if (HeldOff) {
        ShowHeldOff();
        return;
    }
    CachedBlock = -1;
    PortProblem.clear();
    ShowStatus(QStringLiteral("Erzwinge Port ") + QString::number(Port));
    ProbePort->SetComPort(PortNumberToComPort(Port));
    MainPort->SetComPort(PortNumberToComPort(Port));
    TestCommand(QStringLiteral("AT+MCL=0"), false, false);
    TestCommand(QStringLiteral("ATE0+MCS=1"), true, false);
    ModemFound = true;
}

} // namespace zarvo
