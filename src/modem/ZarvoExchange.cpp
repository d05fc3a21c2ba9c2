// SPDX-License-Identifier: GPL-3.0-or-later
// The modem component's core: its two port drivers, line assembly, one command exchange,
// the busy flag, the conversation log and the status text.
#include "modem/Zarvo.h"

#include "common/IniProfile.h"
#include "common/ProgramPaths.h"
#include "common/Targets.h"
#include "common/Wait.h"

#include <QCoreApplication>

namespace zarvo {

namespace {

void SetupPort(TCommPortDriver* port, TComPortBaudRate speed, TComPortHwHandshaking hw)
{
    port->SetComPortSpeed(speed);
    port->SetComPortDataBits(db8BITS);
    port->SetComPortParity(ptNONE);
    port->SetComPortStopBits(sb1BITS);
    port->SetComPortHwHandshaking(hw);
    port->SetComPortSwHandshaking(shNONE);
    port->SetComPortInBufSize(2048);
    port->SetComPortOutBufSize(2048);
    port->SetComPortPollingDelay(50);
    port->SetEnableDTROnOpen(true);
    port->SetOutputTimeout(4000);
}

constexpr int kSecondLinePasses = 200;

// A time limit from the settings file, or the default when it is missing or not sane.
int TimeoutSetting(const IniProfile& ini, const QString& key, int def)
{
    const int ms = ini.readInteger(QStringLiteral("Modem"), key, def);
    return ms >= TZarvo::kMinTimeoutSetting && ms <= TZarvo::kMaxTimeoutSetting ? ms : def;
}

} // namespace

TZarvo::TZarvo(QObject* owner) : QObject(owner)
{
    MainPort = new TCommPortDriver(this);
    ProbePort = new TCommPortDriver(this);
    SetupPort(MainPort, br57600, hhRTSCTS);
    SetupPort(ProbePort, br19200, hhNONE);
    MainPort->SetOnReceiveData(
        [this](TCommPortDriver* sender, const char* data, int size) { MainPortReceive(sender, data, size); });
    ProbePort->SetOnReceiveData([this](TCommPortDriver* sender, const char* data, int size) {
        ProbePortReceive(sender, data, size);
    });

    const IniProfile ini(ProgramPaths::programFile(QStringLiteral("ZARVO2.ini")));
    m_replyTimeout = TimeoutSetting(ini, QStringLiteral("ReplyTimeout"), kDefaultReplyTimeout);
    m_eraseTimeout = TimeoutSetting(ini, QStringLiteral("EraseTimeout"), kDefaultEraseTimeout);
}

TZarvo::~TZarvo()
{
    MainPort->Disconnect();
    ProbePort->Disconnect();
}

void TZarvo::AddLog(const QString& line)
{
    if (ReportMemo)
        ReportMemo->addLine(line);
}

void TZarvo::ShowStatus(const QString& Text)
{
    if (StatusPanel)
        StatusPanel->setText(Text);
    if (!Text.isEmpty() && !Text.endsWith(u'%'))
        AddLog(u'-' + Text);
}

void TZarvo::LockModem(bool Lock)
{
    if (Lock && !Busy) {
        Busy = true;
        Locked = true;
    }
    else if (!Lock && Locked) {
        Busy = false;
        Locked = false;
    }
}

void TZarvo::SendCommand(const QString& Cmd, bool WaitReply, bool WaitSecondLine)
{
    RunExchange(MainPort, Cmd, WaitReply, WaitSecondLine, false, m_replyTimeout);
}

void TZarvo::TestCommand(const QString& Cmd, bool WaitReply, bool WaitSecondLine)
{
    RunExchange(ProbePort, Cmd, WaitReply, WaitSecondLine, true, m_replyTimeout);
}

void TZarvo::ShowHeldOff()
{
    ShowStatus(QString::fromUtf8("Das Modem ist gerade freigegeben; kein Befehl gesendet."));
}

void TZarvo::RunExchange(TCommPortDriver* port, const QString& Cmd, bool WaitReply, bool WaitSecondLine,
                         bool probe, int replyLimitMs)
{
    if (HeldOff) {
        LastLine.clear();
        PrevLine.clear();
        m_replyTimedOut = true;
        ShowHeldOff();
        return;
    }
    if (port->Connect())
        PortProblem.clear();
    else
        PortProblem = port->OpenError();
    Busy = true;
    LastLine.clear();
    PrevLine.clear();
    // An unfinished line of an earlier exchange (a block download broken off, a reply cut by the
    // time limit) would otherwise prefix this reply's first line.
    LineBuffer.clear();
    m_replyTimedOut = false;
    port->SendString(Cmd.toLatin1() + '\r');
    AddLog(u'<' + Cmd);

    // The line is gone when the port could not be opened or the device failed under it.
    auto lineLost = [port] { return !port->Connected() || !port->DeviceError().isEmpty(); };
    if (WaitReply) {
        WaitUntil([&] { return !LastLine.isEmpty() || lineLost(); }, replyLimitMs);
        if (LastLine.isEmpty()) {
            m_replyTimedOut = true;
            if (!port->DeviceError().isEmpty())
                ShowStatus(QStringLiteral("Verbindung zum Modem unterbrochen: ") + port->DeviceError());
            else if (!port->Connected())
                ShowStatus(port->OpenError());
            else
                ShowStatus(QStringLiteral("Keine Antwort auf ") + Cmd);
        }
    }
    else {
        Delay(500);
    }

    if (WaitSecondLine && !m_replyTimedOut) {
        int pass = 0;
        // The blank line between value and final line moves the value into PrevLine before the
        // final line is there; when they come in separate polls, wait for the final line as well.
        for (; pass < kSecondLinePasses && (PrevLine.isEmpty() || LastLine.isEmpty()); ++pass) {
            QCoreApplication::processEvents();
            Delay(10);
        }
        if (pass == kSecondLinePasses && PrevLine.isEmpty())
            AddLog(QStringLiteral("**Break waittwo**"));
    }
    else if (!WaitSecondLine) {
        PrevLine.clear();
    }

    // A download goes on receiving on the open port; it closes the port itself.
    if (probe || !Capturing || m_replyTimedOut) {
        Busy = false;
        port->Disconnect();
    }
    const QString tag = probe ? QStringLiteral("c") : QStringLiteral("l");
    AddLog(u'*' + tag + u'1' + u'*' + LastLine + u'*');
    AddLog(u'*' + tag + u'2' + u'*' + PrevLine + u'*');
}

void TZarvo::MainPortReceive(TCommPortDriver*, const char* DataPtr, int DataSize)
{
    for (int i = 0; i < DataSize; ++i) {
        const char c = DataPtr[i];
        if (c == 8) {
            if (!LineBuffer.isEmpty())
                LineBuffer.chop(1);
        }
        else if (c == 13) {
            const QString line = QString::fromLatin1(LineBuffer);
            if (!Capturing && !line.isEmpty())
                AddLog(u'>' + line);
            if (!LastLine.isEmpty())
                PrevLine = LastLine;
            LastLine = line;
            LineBuffer.clear();
        }
        else if (c != 10) {
            LineBuffer.append(c);
        }
        if (Capturing)
            Data.append(c);
    }
}

void TZarvo::ProbePortReceive(TCommPortDriver*, const char* DataPtr, int DataSize)
{
    LineBuffer.append(DataPtr, DataSize);
    // Line feeds only frame the replies; dropping them wherever they fall keeps a reply whose
    // CR and LF arrive in different polls from starting with a stray LF.
    LineBuffer.replace('\n', QByteArray());
    for (qsizetype cr = LineBuffer.indexOf('\r'); cr >= 0; cr = LineBuffer.indexOf('\r')) {
        const QString line = QString::fromLatin1(LineBuffer.left(cr));
        if (!line.isEmpty()) {
            AddLog(u'>' + line);
            PrevLine = LastLine;
            LastLine = line;
        }
        LineBuffer.remove(0, cr + 1);
    }
}

} // namespace zarvo
