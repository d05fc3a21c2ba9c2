// SPDX-License-Identifier: GPL-3.0-or-later
// Memory status, directory entries and the modem clock against the emulated modem.
#include "common/Errors.h"
#include "modem/ZarvoFields.h"
#include "test_memory_support.h"

namespace zarvo::test {
namespace {

emu::StoredMessage Entry(int type, int state, emu::ClockValue received)
{
    emu::StoredMessage m = emu::rawMessage(type, std::vector<std::uint8_t>(100, 0x41));
    m.state = state;
    m.received = received;
    m.id = "0301234567";
    return m;
}

TEST(MemoryStatusQuery, ReadsCountsAndForgetsTheCachedBlock)
{
    EmulatorFixture modem(
        QuietModem({Entry(2, 255, {1, 2, 3, 0}), Entry(1, 252, {1, 2, 3, 0}), Entry(2, 253, {1, 2, 3, 0})}));
    Component c;
    c.z.CachedBlock = 4;
    tMemoryStatus s;
    EXPECT_EQ(c.z.ReadMemoryStatus(s), 0);
    EXPECT_EQ(modem.transcript(), Lines{"ATE0V1+MSR=0"});
    EXPECT_EQ(s.CountA + s.CountB, 3);
    EXPECT_EQ(s.CountB, 1) << "faxes";
    EXPECT_EQ(c.z.CachedBlock, -1);
    EXPECT_EQ(c.status.current, QStringLiteral("Erfolgreich Status abgefragt"));
    EXPECT_FALSE(c.z.Busy || c.z.MainPort->Connected());
}

// Every memory operation checks for a modem, then for Busy, then its argument, before any traffic.
TEST(MemoryOperations, NoModemThenBusyThenIndexBeforeAnyTraffic)
{
    EmulatorFixture modem(QuietModem({Entry(2, 255, {1, 1, 1, 0})}));
    Component c;
    tMemoryStatus s;
    tMessageReport r;
    tModemOptions o;
    TDateTime base = 0;
    QByteArray data = "unchanged";
    auto all = [&](quint8 index) {
        return std::vector<int>{c.z.ReadMemoryStatus(s), c.z.ReadMessageReport(index, r),
                                c.z.ReadClock(base),     c.z.GetMessage(index, data),
                                c.z.ClearMemory(),       c.z.LinePlay(index),
                                c.z.ReadOptions(o),      c.z.WriteOptions(o)};
    };
    c.z.ModemFound = false;
    c.z.LockModem(true);
    c.z.CachedBlock = 3;
    EXPECT_EQ(all(0), std::vector<int>(8, 4));
    EXPECT_EQ(c.z.CachedBlock, -1) << "a status read forgets the block even then";
    c.z.ModemFound = true;
    EXPECT_EQ(all(0), std::vector<int>(8, 5));
    EXPECT_EQ(c.z.LineStop(1), 5);
    c.z.LockModem(false);
    EXPECT_EQ(c.z.ReadMessageReport(0, r), 6);
    EXPECT_EQ(c.z.GetMessage(0, data), 6);
    EXPECT_EQ(c.z.LinePlay(0), 6);
    EXPECT_EQ(data, "unchanged");
    EXPECT_TRUE(modem.transcript().empty());
    EXPECT_EQ(c.status.history.mid(0, 4),
              QStringList({"Modem wird ausgelesen.", "Modem ausgelesen.",
                           "Modem wird eingestellt.Bitte warten", "Modem wurde nicht eingestellt."}));
}

TEST(MemoryStatusQuery, RefusedQueriesFailAndLeaveTheRecords)
{
    emu::EmulatorOptions o = QuietModem({Entry(2, 255, {1, 1, 1, 0})});
    o.faults.error.match = "+MSR=0";
    EmulatorFixture modem(o);
    Component c;
    tMemoryStatus s;
    s.CountA = 9;
    EXPECT_EQ(c.z.ReadMemoryStatus(s), 6) << "a failed status read is not an empty memory";
    EXPECT_EQ(s.CountA, 9);
    EXPECT_TRUE(c.log.lines.contains(QStringLiteral("-Fehlschlag bei ATE0V1+MSR=0")));
    tMessageReport r;
    r.Size = 42;
    EXPECT_EQ(c.z.ReadMessageReport(2, r), 6) << "no such entry";
    EXPECT_EQ(r.Size, 42);
    EXPECT_EQ(c.status.current, QStringLiteral("Fehlschlag bei ATE0V1+MSR=2"));
}

TEST(MemoryStatusQuery, MalformedNumbersRaiseAfterTheExchangeEnded)
{
    for (const char* query : {"+MSR=0", "+MSR=1"}) {
        emu::EmulatorOptions o = QuietModem({Entry(2, 255, {1, 1, 1, 0})});
        o.faults.badField = {query, -1};
        o.faults.badFieldIndex = 2;
        EmulatorFixture modem(o);
        Component c;
        tMemoryStatus s;
        tMessageReport r;
        r.Size = 42;
        if (std::string(query) == "+MSR=0")
            EXPECT_THROW(c.z.ReadMemoryStatus(s), ConvertError);
        else
            EXPECT_THROW(c.z.ReadMessageReport(1, r), ConvertError);
        EXPECT_EQ(r.Size, 42);
        EXPECT_FALSE(c.z.Busy || c.z.MainPort->Connected()) << query;
    }
}

TEST_F(GermanLocale, FirstEntryRestartsAnUnsetClockThenComputesTheTime)
{
    emu::EmulatorOptions o = QuietModem({Entry(2, 255, {3, 14, 7, 0}), Entry(1, 252, {4, 9, 30, 0})});
    o.clockUnset = true;
    EmulatorFixture modem(o);
    Component c;
    tMessageReport r;
    ASSERT_EQ(c.z.ReadMessageReport(1, r), 0);
    EXPECT_EQ(modem.transcript(),
              (Lines{"ATE0V1+MSR=1", "ATE0V1+MCC?", "ATE0V1+MCC=5,7,8,9", "ATE0V1+MCC?"}));
    // Set with the day of the month, the base is the last day of February at midnight.
    EXPECT_DOUBLE_EQ(c.z.ClockBase, ToTDateTime(QDateTime(QDate(2024, 2, 29), QTime(0, 0))));
    EXPECT_EQ(ReceptionTimeText(r.Received), QStringLiteral("03.03.2024 14:07:00"));
    EXPECT_EQ(c.texts(), QStringList({"Starte Uhr neu", "Uhrzeit erfolgreich ausgewertet",
                                      "Erfolgreich Status Message 1 abgefragt"}));

    modem.clearTranscript();
    ASSERT_EQ(c.z.ReadMessageReport(2, r), 0);
    EXPECT_EQ(modem.transcript(), Lines{"ATE0V1+MSR=2"}) << "the clock is read only once";
    EXPECT_EQ(ReceptionTimeText(r.Received), QStringLiteral("04.03.2024 09:30:00"));
}

TEST_F(GermanLocale, OutOfRangeHoursAndMinutesCountAsZero)
{
    EmulatorFixture modem(QuietModem(
        {Entry(2, 253, {2, 30, 15, 0}), Entry(2, 253, {2, 10, 75, 0}), Entry(2, 253, {2, 24, 0, 0})}));
    Component c;
    const char* expected[] = {"02.03.2024 00:15:00", "02.03.2024 10:00:00", "02.03.2024 00:00:00"};
    for (quint8 n = 1; n <= 3; ++n) {
        tMessageReport r;
        ASSERT_EQ(c.z.ReadMessageReport(n, r), 0);
        EXPECT_EQ(ReceptionTimeText(r.Received), QString::fromLatin1(expected[n - 1])) << int(n);
    }
}

TEST(ModemClockQuery, UnreadableClockShowsClockRestartAndIsTriedAgain)
{
    emu::EmulatorOptions o = QuietModem({Entry(2, 255, {1, 1, 1, 0})});
    o.faults.error = {"+MCC?", 1};
    EmulatorFixture modem(o);
    Component c;
    tMessageReport r;
    ASSERT_EQ(c.z.ReadMessageReport(1, r), 0);
    EXPECT_FALSE(c.z.ClockRead);
    EXPECT_EQ(ReceptionTimeText(r.Received), QStringLiteral("Uhr Neustart"));
    EXPECT_TRUE(c.log.lines.contains(QStringLiteral("-Fehlschlag bei ATE0V1+MCC?")));
    const QString success = QStringLiteral("Erfolgreich Status Message 1 abgefragt");
    EXPECT_FALSE(c.texts().contains(success)) << "no success after a failed clock query";

    modem.clearTranscript();
    ASSERT_EQ(c.z.ReadMessageReport(1, r), 0);
    EXPECT_EQ(modem.transcript(), (Lines{"ATE0V1+MSR=1", "ATE0V1+MCC?"}));
    EXPECT_TRUE(c.z.ClockRead);
    EXPECT_EQ(c.texts().last(), success);
    EXPECT_NE(ReceptionTimeText(r.Received), QStringLiteral("Uhr Neustart"));
}

} // namespace
} // namespace zarvo::test
