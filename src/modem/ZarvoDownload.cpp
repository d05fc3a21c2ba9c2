// SPDX-License-Identifier: GPL-3.0-or-later
// Block download with its one-block cache, message assembly, erase and line playback.
#include "common/Targets.h"
#include "common/Wait.h"
#include "modem/MessageLayout.h"
#include "modem/Zarvo.h"
#include "modem/ZarvoFields.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace zarvo {

bool TZarvo::ReadBlock(quint8 Block)
{
    if (Block == CachedBlock) {
        Data = CachedData;
        return true;
    }
    const QString block = QString::number(Block);
    const QString command = QStringLiteral("ATE0V1+MTP=") + block;
    Busy = true;
    Data.clear();
    Capturing = true;
    // The exchange leaves the port open while capturing; every byte from here on lands in Data.
    SendCommand(command, true, false);
    if (ReportMemo)
        ReportMemo->addLine(QStringLiteral(">Lese Modemspeicher Block ") + block + QStringLiteral(" aus."));
    const QString reading = QStringLiteral("Auslesen Modemspeicher Block ") + block;
    ShowStatus(TotalBlocks == 0 ? reading : reading + QStringLiteral(" von ") + QString::number(TotalBlocks));

    // A modem whose echo was switched back on (by another program's reset) repeats the command
    // before it answers.
    const QByteArray echo = command.toLatin1() + '\r';
    auto answerStart = [&]() -> qsizetype { return Data.startsWith(echo) ? echo.size() : 0; };

    // The block's own bytes may contain CR "OK" CR, so the answer ends only once every block byte
    // is in and the final "OK" line followed. A line that stops delivering ends the download.
    QString failure;
    if (ReplyTimedOut())
        failure = QStringLiteral(" abgebrochen: keine Daten vom Modem");
    qsizetype seen = -1;
    QElapsedTimer idle;
    idle.start();
    while (failure.isEmpty()) {
        if (Data.size() != seen) {
            seen = Data.size();
            idle.restart();
            ShowStatus(QString::number(BlockProgress(seen - answerStart())) + u'%');
        }
        const BlockAnswer state = JudgeBlockAnswer(Data, answerStart());
        if (state == BlockAnswer::Complete)
            break;
        if (state == BlockAnswer::Garbled)
            failure = QStringLiteral(" abgebrochen: unerwartete Antwort vom Modem");
        else if (!MainPort->Connected())
            failure = QStringLiteral(" abgebrochen: Verbindung zum Modem unterbrochen");
        else if (idle.elapsed() >= ReplyTimeout())
            failure = QStringLiteral(" abgebrochen: keine Daten vom Modem");
        else
            WaitUntil([&] { return Data.size() != seen || !MainPort->Connected(); },
                      ReplyTimeout() - idle.elapsed());
    }

    Capturing = false;
    if (!failure.isEmpty()) {
        Data.clear();
        MainPort->Disconnect();
        Busy = false;
        ShowStatus(reading + failure);
        return false;
    }
    if (ReportMemo)
        ReportMemo->addLine(u'>' + LastLine);
    Data = Data.mid(answerStart() + kBlockLead, kBlockSize);
    CachedData = Data;
    CachedBlock = Block;
    ShowStatus(reading + QStringLiteral(" erfolgreich"));
    MainPort->Disconnect();
    Busy = false;
    return true;
}

bool TZarvo::ReadMessageData(quint8 Block, quint8 PosHi, quint8 PosLo, QByteArray& Body)
{
    TotalBlocks = 0;
    return AssembleMessageBody(
        Block, static_cast<quint16>(PosHi * 256 + PosLo),
        [this](quint8 block, QByteArray& data) {
            if (!ReadBlock(block))
                return false;
            data = Data;
            return true;
        },
        [this](quint8 lastBlock) { TotalBlocks = lastBlock; }, Body);
}

quint8 TZarvo::GetMessage(quint8 Index, QByteArray& MessageData)
{
    if (const quint8 refused = Refusal())
        return refused;
    if (Index == 0)
        return 6;
    tMessageReport report;
    const quint8 r = ReadMessageReport(Index, report);
    if (r != 0)
        return r;
    QByteArray body;
    // A message with a missing block is never passed on as a whole one.
    if (!ReadMessageData(report.Block, report.PosHi, report.PosLo, body))
        return kResultTransferFailed;
    MessageData = MessageDataString(report, body);
    return 0;
}

quint8 TZarvo::ClearMemory()
{
    if (const quint8 refused = Refusal())
        return refused;
    CachedBlock = -1;
    QCoreApplication::processEvents();
    // Busy is still false during that pass: a timer tick may have locked the modem or started
    // another exchange meanwhile.
    if (Busy)
        return 5;
    ShowStatus(QStringLiteral("Speicher wird gelöscht.Bitte warten"));
    // Erasing a full memory takes the modem longer than any other command to answer.
    RunExchange(MainPort, QStringLiteral("AT+MEM"), true, false, false, m_eraseTimeout);
    // An "ERROR" or no answer at all means the memory was not erased; saying so is the least.
    if (LastLine.isEmpty() || LastLine == u"ERROR") {
        ShowStatus(QStringLiteral("Fehlschlag bei AT+MEM"));
        return kResultTransferFailed;
    }
    ShowStatus(QStringLiteral("Speicher gelöscht"));
    ShowStatus(QStringLiteral("Starte Uhr neu"));
    SendCommand(ClockSetCommand(NowFrom(NowSource)), true, false);
    TDateTime scratch = ClockBase;
    ReadClock(scratch);
    return 0;
}

quint8 TZarvo::LinePlay(quint8 Index)
{
    if (const quint8 refused = Refusal())
        return refused;
    if (Index == 0)
        return 6;
    SendCommand(QStringLiteral("ATE0V1+MVP=") + QString::number(Index), false, false);
    return 0;
}

quint8 TZarvo::LineStop(quint8 Index)
{
    if (const quint8 refused = Refusal())
        return refused;
    SendCommand(QStringLiteral("ATE0V1+MVP") + QString::number(Index), false, false);
    return 0;
}

} // namespace zarvo
