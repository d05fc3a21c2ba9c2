// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "modem/ModemTypes.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <functional>

// Reply fields and times of the modem's memory queries, free of any port so they test alone.
namespace zarvo {

// Splits off the first comma-separated field: Field := the text before the first comma, Line := the
// text after it. Without a comma Field becomes empty and Line stays whole.
void CutField(QString& Line, QString& Field);

// A reply field as a number; a missing or malformed field throws ConvertError.
int ReplyNumber(const QString& field);

// Time of day as a day fraction; hours above 23 and minutes above 59 count as 0 (seconds above 59
// and milliseconds above 999 as well, so the result is always a valid time).
TDateTime SafeEncodeTime(quint16 Hour, quint16 Min, quint16 Sec, quint16 MSec);

// The text of the list column "Empfangszeit": the default locale's short date (four-digit year)
// and its long time without the zone; "Uhr Neustart" when When is no representable date.
QString ReceptionTimeText(TDateTime When);
// A text of ReceptionTimeText on its nearest whole minute, as times are given now; earlier versions
// let the seconds wander between runs. Any other text comes back as it is.
QString ReceptionTimeToMinute(const QString& text);

TDateTime ToTDateTime(const QDateTime& when);
// False when value is not finite or outside the years 1 to 9999.
bool FromTDateTime(TDateTime value, QDate& date, QTime& time);

// Reply of "ATE0V1+MSR=0": eight fields. Throws ConvertError.
tMemoryStatus ParseMemoryStatus(QString line);

// Reply of "ATE0V1+MSR=" + n: thirteen fields into Report (Received untouched; Downloaded and
// Listened only for the known states 252, 253, 255). Throws ConvertError, possibly half-way.
void ParseMessageReport(QString line, tMessageReport& Report);

// When a message came, from the clock base and the day, hour and minute the modem stored with it,
// on the nearest whole minute: the base carries the host clock's fraction of a second against the
// modem's whole seconds, which must not give the same message another time in the next run.
TDateTime ReceptionTime(TDateTime clockBase, quint16 day, quint16 hour, quint16 minute);

// The modem clock: days, hours, minutes and seconds since it was set.
struct tClockReading {
    quint16 Days = 0;
    quint16 Hours = 0;
    quint16 Minutes = 0;
    quint16 Seconds = 0;
};

// Reply of "ATE0V1+MCC?". Throws ConvertError.
tClockReading ParseClockReading(QString line);

// The moment the modem clock read day 0, 0:00:00, seen from now; an invalid time of day counts as 0.
TDateTime ClockBaseFrom(const QDateTime& now, const tClockReading& reading);

// source() when set, else the computer's local date and time.
QDateTime NowFrom(const std::function<QDateTime()>& source);

// "ATE0V1+MCC=" + day of the month, hour, minute, second of now.
QString ClockSetCommand(const QDateTime& now);

// Self-mode query replies: a Boolean is exactly "1"; the fax ID is the text between the first two
// double quotes (empty without them).
bool OptionBool(const QString& reply);
QString FaxIdFromReply(const QString& reply);

// Why the options cannot be sent as they are, as a status text naming the setting; empty when
// they can. A command line carries Latin-1 only and ends at a carriage return; the fax ID also
// ends at its closing double quote.
QString OptionsProblem(const tModemOptions& Options);

} // namespace zarvo
