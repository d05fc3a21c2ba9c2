// SPDX-License-Identifier: GPL-3.0-or-later
// Reply fields, reception times and the modem clock, without a port.
#include "common/Errors.h"
#include "modem/ZarvoFields.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <limits>

namespace zarvo::test {
namespace {

TEST(CutField, SplitsOffTheFirstField)
{
    const char* cases[][3] = {
        {"12,34,56", "12", "34,56"}, {",x", "", "x"}, {"last", "", "last"}, {"", "", ""}};
    for (const auto& c : cases) {
        QString line = QString::fromLatin1(c[0]);
        QString field = QStringLiteral("old");
        CutField(line, field);
        EXPECT_EQ(field, QString::fromLatin1(c[1])) << c[0];
        EXPECT_EQ(line, QString::fromLatin1(c[2])) << c[0];
    }
}

TEST(MemoryStatus, FieldsFlagsAndMalformedNumbers)
{
    const tMemoryStatus s = ParseMemoryStatus(QStringLiteral("300,42,3,8,2,7,001,001"));
    EXPECT_EQ(s.Field1, 44) << "low eight bits";
    EXPECT_EQ(s.UsedPercent, 42);
    EXPECT_EQ(s.CountA, 3);
    EXPECT_EQ(s.CountB, 2);
    EXPECT_TRUE(s.Flag7);
    EXPECT_TRUE(s.Flag8) << "the last field has no comma after it";
    for (const char* flag : {"1", "01", " 001"})
        EXPECT_FALSE(ParseMemoryStatus(QStringLiteral("0,0,0,0,0,0,%1,%1").arg(QLatin1String(flag))).Flag7)
            << flag;
    for (const char* line : {"1,2,3", "1,x,3,4,5,6,001,001", "1,,3,4,5,6,001,001"})
        EXPECT_THROW(ParseMemoryStatus(QString::fromLatin1(line)), ConvertError) << line;
}

TEST(MessageReport, FieldsAndStates)
{
    tMessageReport r;
    ParseMessageReport(QStringLiteral("4,2,17,252,6,3,14,7,0301234567,5,127,248,9"), r);
    EXPECT_EQ(r.MsgType, 2);
    EXPECT_EQ(r.Size, 17);
    EXPECT_EQ(r.Day * 10000 + r.Hour * 100 + r.Minute, 31407);
    EXPECT_EQ(r.Id, QStringLiteral("0301234567"));
    EXPECT_EQ(r.Block * 65536 + r.PosHi * 256 + r.PosLo, 5 * 65536 + 32760);
    EXPECT_EQ(r.Field13, 9);
    EXPECT_TRUE(r.Downloaded && r.Listened);

    const int states[][3] = {{253, 0, 1}, {255, 0, 0}, {254, 0, 0}}; // 254: flags stay as they were
    for (const auto& s : states) {
        tMessageReport e;
        ParseMessageReport(QStringLiteral("0,1,1,%1,0,0,0,0,,0,0,0,0").arg(s[0]), e);
        EXPECT_EQ(e.Downloaded, s[1] != 0) << s[0];
        EXPECT_EQ(e.Listened, s[2] != 0) << s[0];
    }
    for (const char* line :
         {"0,1,1,255,0,0,0,0,ID,0,0,0", "0,1,1,255,0,0,0,0,ID,0,0,0,1,2", "0,1,1,255,0,0,0,0,I,D,0,0,0,0"}) {
        tMessageReport e;
        EXPECT_THROW(ParseMessageReport(QString::fromLatin1(line), e), ConvertError) << line;
    }
}

TEST(OptionsProblem, OnlyPrintableLatin1AndNoQuoteInTheFaxId)
{
    const struct {
        const char16_t* faxId;
        const char16_t* password;
        bool fine;
    } cases[] = {
        {u"+49 30 1234", u"12ab", true}, {u"\u00a0\u00ff", u"~ \u00e4", true},
        {u"a\"b", u"1", false},          {u"a\tb", u"1", false},
        {u"a\u0080", u"1", false},       {u"\u0100", u"1", false},
        {u"ok", u"a\"b", true},          {u"ok", u"\u007f", false},
        {u"ok", u"\u20ac", false},
    };
    for (const auto& k : cases) {
        tModemOptions o;
        o.FaxId = QString::fromUtf16(k.faxId);
        o.DRPassword = QString::fromUtf16(k.password);
        EXPECT_EQ(OptionsProblem(o).isEmpty(), k.fine)
            << o.FaxId.toStdString() << " / " << o.DRPassword.toStdString();
    }
}

TEST(ReceptionTimeText, DateAndTimeOrClockRestart)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ReceptionTimeText(ToTDateTime(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)))),
              QStringLiteral("05.03.2024 14:07:09"));
    EXPECT_EQ(ReceptionTimeText(1.5), QStringLiteral("31.12.1899 12:00:00"));
    QLocale::setDefault(saved);
    for (double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     2958466.0, -693594.0, 1e300})
        EXPECT_EQ(ReceptionTimeText(v), QStringLiteral("Uhr Neustart")) << v;
}

TEST(ModemClock, InvalidTimeOfDayCountsAsZero)
{
    const QDateTime now(QDate(2024, 3, 5), QTime(12, 0, 0));
    EXPECT_DOUBLE_EQ(ClockBaseFrom(now, {5, 12, 0, 0}),
                     ToTDateTime(QDateTime(QDate(2024, 2, 29), QTime(0, 0))));
    for (const tClockReading r : {tClockReading{5, 24, 0, 0}, {5, 10, 60, 0}, {5, 10, 0, 60}})
        EXPECT_DOUBLE_EQ(ClockBaseFrom(now, r), ToTDateTime(now) - 5);
    EXPECT_THROW(ParseClockReading(QStringLiteral("5,2,30")), ConvertError);
}

TEST(ModemClock, ReceptionTimeIsTheSameWholeMinuteWhateverTheBaseSecond)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const TDateTime base = ToTDateTime(QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    // Runs a fraction of a second apart read the modem's whole seconds against another host moment.
    for (const double seconds : {0.0, 0.4, 0.999, -0.7, -1.3, 29.0})
        EXPECT_EQ(ReceptionTimeText(ReceptionTime(base + seconds / 86400, 3, 14, 7)),
                  QStringLiteral("03.03.2024 14:07:00"))
            << seconds;
    QLocale::setDefault(saved);
}

} // namespace
} // namespace zarvo::test
