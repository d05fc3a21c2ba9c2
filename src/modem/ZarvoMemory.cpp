// SPDX-License-Identifier: GPL-3.0-or-later
// Memory status, message directory and the modem clock.
#include "modem/Zarvo.h"
#include "modem/ZarvoFields.h"

#include <limits>

namespace zarvo {
namespace {

const QString kClockNotRunning = QStringLiteral("255,255,255,255");

} // namespace

quint8 TZarvo::ReadMemoryStatus(tMemoryStatus& Status)
{
    // A status read is how the list refreshes, so a block held from an earlier download is
    // fetched afresh next time.
    CachedBlock = -1;
    if (const quint8 refused = Refusal())
        return refused;
    SendCommand(QStringLiteral("ATE0V1+MSR=0"), true, true);
    if (LastLine != u"OK") {
        ShowStatus(QStringLiteral("Fehlschlag bei ATE0V1+MSR=0"));
        // Not 0: a caller must not take the unchanged record for an empty memory.
        return 6;
    }
    Status = ParseMemoryStatus(PrevLine);
    ShowStatus(QStringLiteral("Erfolgreich Status abgefragt"));
    return 0;
}

quint8 TZarvo::ReadMessageReport(quint8 Index, tMessageReport& Report)
{
    if (const quint8 refused = Refusal())
        return refused;
    if (Index == 0)
        return 6;
    const QString index = QString::number(Index);
    SendCommand(QStringLiteral("ATE0V1+MSR=") + index, true, true);
    if (LastLine != u"OK") {
        ShowStatus(QStringLiteral("Fehlschlag bei ATE0V1+MSR=") + index);
        return 6;
    }
    // Parsed into a copy, so a malformed reply leaves the caller's record as it was.
    tMessageReport report = Report;
    ParseMessageReport(PrevLine, report);
    if (!ClockRead) {
        TDateTime scratch = report.Received;
        ReadClock(scratch);
    }
    // Without a readable modem clock the time is unknown; the list then shows "Uhr Neustart".
    report.Received = ClockRead ? ReceptionTime(ClockBase, report.Day, report.Hour, report.Minute)
                                : std::numeric_limits<double>::quiet_NaN();
    Report = report;
    // After a clock query that failed, the entry was read but the query as a whole was no success.
    if (LastLine == u"OK")
        ShowStatus(QStringLiteral("Erfolgreich Status Message ") + index + QStringLiteral(" abgefragt"));
    return 0;
}

quint8 TZarvo::ReadClock(TDateTime& BaseDate)
{
    if (const quint8 refused = Refusal())
        return refused;
    SendCommand(QStringLiteral("ATE0V1+MCC?"), true, true);
    if (LastLine == u"OK" && PrevLine == kClockNotRunning) {
        ShowStatus(QStringLiteral("Starte Uhr neu"));
        SendCommand(ClockSetCommand(NowFrom(NowSource)), true, false);
        SendCommand(QStringLiteral("ATE0V1+MCC?"), true, true);
    }
    if (LastLine != u"OK" || PrevLine == kClockNotRunning) {
        // No base to compute times from: leave it unread so the next directory query tries again.
        ShowStatus(QStringLiteral("Fehlschlag bei ATE0V1+MCC?"));
        ClockRead = false;
        return 6;
    }
    const tClockReading reading = ParseClockReading(PrevLine);
    BaseDate = ClockBaseFrom(NowFrom(NowSource), reading);
    ShowStatus(QStringLiteral("Uhrzeit erfolgreich ausgewertet"));
    ClockBase = BaseDate;
    ClockRead = true;
    return 0;
}

} // namespace zarvo
