// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/ZarvoFields.h"

#include "common/Errors.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace zarvo {
namespace {

constexpr qint64 kJulianDayOfZero = 2415019; // 1899-12-30
constexpr double kMsPerDay = 86400000.0;
constexpr double kFirstDay = -693593.0;   // 0001-01-01
constexpr double kBeyondLast = 2958466.0; // 10000-01-01

// Like CutField, but the last field of a line has no comma after it: then it is the rest.
QString CutLastField(QString& line)
{
    QString field;
    if (line.contains(u',')) {
        CutField(line, field);
    }
    else {
        field = line;
        line.clear();
    }
    return field;
}

quint8 CutByte(QString& line)
{
    QString field;
    CutField(line, field);
    return static_cast<quint8>(ReplyNumber(field));
}

quint16 CutWord(QString& line)
{
    QString field;
    CutField(line, field);
    return static_cast<quint16>(ReplyNumber(field));
}

} // namespace

void CutField(QString& Line, QString& Field)
{
    const qsizetype p = Line.indexOf(u',');
    if (p < 0) {
        Field.clear();
        return;
    }
    Field = Line.left(p);
    Line = Line.mid(p + 1);
}

int ReplyNumber(const QString& field)
{
    return StrToInt(field.toStdString());
}

TDateTime SafeEncodeTime(quint16 Hour, quint16 Min, quint16 Sec, quint16 MSec)
{
    if (Hour > 23)
        Hour = 0;
    if (Min > 59)
        Min = 0;
    if (Sec > 59)
        Sec = 0;
    if (MSec > 999)
        MSec = 0;
    const qint64 ms = ((qint64(Hour) * 60 + Min) * 60 + Sec) * 1000 + MSec;
    return static_cast<double>(ms) / kMsPerDay;
}

TDateTime ToTDateTime(const QDateTime& when)
{
    const qint64 days = when.date().toJulianDay() - kJulianDayOfZero;
    return static_cast<double>(days) + when.time().msecsSinceStartOfDay() / kMsPerDay;
}

bool FromTDateTime(TDateTime value, QDate& date, QTime& time)
{
    if (!std::isfinite(value) || value < kFirstDay || value >= kBeyondLast)
        return false;
    // The date part is the whole days towards zero, the time the fraction's magnitude, so that
    // values before 1899-12-30 keep their time of day.
    const double days = std::trunc(value);
    qint64 ms = std::llround(std::fabs(value - days) * kMsPerDay);
    ms = std::min<qint64>(ms, qint64(kMsPerDay) - 1);
    date = QDate::fromJulianDay(kJulianDayOfZero + static_cast<qint64>(days));
    time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
    return date.isValid() && time.isValid();
}

namespace {

struct ReceptionFormats {
    QString date, time;
};

ReceptionFormats ReceptionFormatsOf(const QLocale& locale)
{
    ReceptionFormats f;
    f.date = locale.dateFormat(QLocale::ShortFormat);
    if (!f.date.contains(QStringLiteral("yyyy")))
        f.date.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    // The long time format ends in the zone name, which a modem clock does not have.
    static const QRegularExpression zone(QStringLiteral("\\s*(?<![A-Za-z'])t+(?![A-Za-z'])"));
    f.time = locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
    return f;
}

} // namespace

QString ReceptionTimeText(TDateTime When)
{
    QDate date;
    QTime time;
    if (!FromTDateTime(When, date, time))
        return QStringLiteral("Uhr Neustart");
    const QLocale locale;
    const ReceptionFormats f = ReceptionFormatsOf(locale);
    return locale.toString(date, f.date) + u' ' + locale.toString(time, f.time);
}

QString ReceptionTimeToMinute(const QString& text)
{
    const QLocale locale;
    const ReceptionFormats f = ReceptionFormatsOf(locale);
    const QDateTime when = locale.toDateTime(text, f.date + u' ' + f.time);
    if (!when.isValid())
        return text;
    // Counted as plain days and seconds: no daylight saving step in between.
    const qint64 seconds = when.date().toJulianDay() * 86400 + when.time().msecsSinceStartOfDay() / 1000;
    const qint64 minute = (seconds + 30) / 60 * 60;
    const QDate date = QDate::fromJulianDay(minute / 86400);
    const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(minute % 86400) * 1000);
    return locale.toString(date, f.date) + u' ' + locale.toString(time, f.time);
}

tMemoryStatus ParseMemoryStatus(QString line)
{
    tMemoryStatus s;
    s.Field1 = CutByte(line);
    s.UsedPercent = CutByte(line);
    s.CountA = CutByte(line);
    s.Field4 = CutByte(line);
    s.CountB = CutByte(line);
    s.Field6 = CutByte(line);
    QString field;
    CutField(line, field);
    s.Flag7 = field == u"001";
    s.Flag8 = CutLastField(line) == u"001";
    return s;
}

void ParseMessageReport(QString line, tMessageReport& r)
{
    r.Field1 = CutByte(line);
    r.MsgType = CutByte(line);
    r.Size = CutByte(line);
    r.State = CutByte(line);
    switch (r.State) {
    case 252:
        r.Downloaded = true;
        r.Listened = true;
        break;
    case 253:
        r.Downloaded = false;
        r.Listened = true;
        break;
    case 255:
        r.Downloaded = false;
        r.Listened = false;
        break;
    default:
        break; // meaning unknown: flags stay as they are
    }
    r.Field5 = CutByte(line);
    r.Day = CutByte(line);
    r.Hour = CutByte(line);
    r.Minute = CutByte(line);
    CutField(line, r.Id);
    r.Block = CutByte(line);
    r.PosHi = CutByte(line);
    r.PosLo = CutByte(line);
    r.Field13 = static_cast<quint8>(ReplyNumber(line));
}

tClockReading ParseClockReading(QString line)
{
    tClockReading c;
    c.Days = CutWord(line);
    c.Hours = CutWord(line);
    c.Minutes = CutWord(line);
    c.Seconds = static_cast<quint16>(ReplyNumber(line));
    return c;
}

TDateTime ReceptionTime(TDateTime clockBase, quint16 day, quint16 hour, quint16 minute)
{
    const double exact = day + clockBase + SafeEncodeTime(hour, minute, 0, 0);
    constexpr double kMinutesPerDay = 24 * 60;
    return std::round(exact * kMinutesPerDay) / kMinutesPerDay;
}

TDateTime ClockBaseFrom(const QDateTime& now, const tClockReading& reading)
{
    double timeOfDay = 0;
    if (reading.Hours < 24 && reading.Minutes < 60 && reading.Seconds < 60)
        timeOfDay = ((reading.Hours * 60.0 + reading.Minutes) * 60.0 + reading.Seconds) / 86400.0;
    return ToTDateTime(now) - reading.Days - timeOfDay;
}

QDateTime NowFrom(const std::function<QDateTime()>& source)
{
    return source ? source() : QDateTime::currentDateTime();
}

QString ClockSetCommand(const QDateTime& now)
{
    const QTime t = now.time();
    return QStringLiteral("ATE0V1+MCC=%1,%2,%3,%4")
        .arg(now.date().day())
        .arg(t.hour())
        .arg(t.minute())
        .arg(t.second());
}

bool OptionBool(const QString& reply)
{
    return reply == u"1";
}

QString FaxIdFromReply(const QString& reply)
{
    const qsizetype first = reply.indexOf(u'"');
    if (first < 0)
        return {};
    const qsizetype second = reply.indexOf(u'"', first + 1);
    if (second < 0)
        return {};
    return reply.mid(first + 1, second - first - 1);
}

namespace {

// Printable Latin-1 only: control characters would end or garble the command line.
bool CommandText(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u <= 0xFF);
    });
}

} // namespace

QString OptionsProblem(const tModemOptions& Options)
{
    if (!CommandText(Options.DRPassword))
        return QStringLiteral("Fernabfrage Paßwort enthält ein Zeichen, das das Modem nicht annimmt");
    if (!CommandText(Options.FaxId) || Options.FaxId.contains(u'"'))
        return QStringLiteral(
            "Fax ID enthält ein Zeichen, das das Modem nicht annimmt (Anführungszeichen oder "
            "Zeichen außerhalb Latin-1)");
    return {};
}

} // namespace zarvo
