// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing the self-mode options against the emulated modem.
#include "common/Errors.h"
#include "test_memory_support.h"

namespace zarvo::test {
namespace {

const Lines kQueries = {"ATE0V1+MCD?", "ATE0V1+MCF?", "ATE0V1+MCL?", "ATE0V1+MCM?",
                        "ATE0V1+MCP?", "ATE0V1+MCR?", "ATE0V1+MCV?", "ATE0V1+MFI?"};

emu::SelfModeSettings ModemSettings()
{
    return {true, false, true, true, "12ab", 4, false, "Zarvo Fax"};
}

tModemOptions AsRecord(const emu::SelfModeSettings& s)
{
    return {s.dialupRetr,
            s.faxRecv,
            s.localMode,
            s.callMonitor,
            QString::fromStdString(s.password),
            quint8(s.rings),
            s.voiceRecv,
            QString::fromStdString(s.faxId)};
}

emu::EmulatorOptions Modem()
{
    emu::EmulatorOptions o = QuietModem();
    o.settings = ModemSettings();
    return o;
}

Lines Then(Lines lines, const Lines& more)
{
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

// The status texts of WriteOptions with `steps` progress texts and the closing text.
QStringList WriteTexts(int steps, const QString& last = QStringLiteral("Modem wurde eingestellt."))
{
    const QStringList progress = {
        "Modem wird eingestellt.Bitte warten 1/9",        "Modem wird eingestellt.Bitte warten 2/9",
        "Modem wird eingestellt.Bitte warten 3/9",        "Modem wird eingestellt.Bitte warten 4/9",
        "Modem wird eingestellt.Fernabfrage Paßwort 5/9", "Modem wird eingestellt.Bitte warten 6/9",
        "Modem wird eingestellt.Bitte warten 7/9",        "Modem wird eingestellt.Fax ID       8/9",
        "Modem wird eingestellt.Abspeichern  9/9"};
    return QStringList{"Modem wird eingestellt.Bitte warten", "Modem wird ausgelesen.", "Modem ausgelesen."} +
           progress.mid(0, steps) + QStringList{last};
}

TEST(ReadOptions, ReadsTheEightSettingsInOrder)
{
    EmulatorFixture modem(Modem());
    Component c;
    tModemOptions o;
    EXPECT_EQ(c.z.ReadOptions(o), 0);
    EXPECT_EQ(o, AsRecord(ModemSettings()));
    EXPECT_EQ(modem.transcript(), kQueries);
    EXPECT_EQ(c.status.history, QStringList({"Modem wird ausgelesen.", "Modem ausgelesen."}));
}

TEST(ReadOptions, RefusedQueryFailsButTheOthersStillRun)
{
    emu::EmulatorOptions m = Modem();
    m.faults.error.match = "+MCR?";
    EmulatorFixture modem(m);
    Component c;
    tModemOptions o;
    o.RingSetup = 6;
    EXPECT_EQ(c.z.ReadOptions(o), 4);
    EXPECT_EQ(modem.transcript(), kQueries);
    EXPECT_EQ(o.RingSetup, 6) << "a refused ring count is not converted";
    EXPECT_EQ(o.FaxId, QStringLiteral("Zarvo Fax"));
}

TEST(ReadOptions, ReplyFormsOfSingleSettings)
{
    const struct {
        const char* match;
        const char* text;
        bool (*check)(const tModemOptions&);
    } cases[] = {
        {"+MCD?", "01", [](const tModemOptions& o) { return !o.DialupRetr; }},
        {"+MFI?", "Zarvo Fax", [](const tModemOptions& o) { return o.FaxId.isEmpty(); }},
        {"+MCP?", "a,b c", [](const tModemOptions& o) { return o.DRPassword == "a,b c"; }},
    };
    for (const auto& k : cases) {
        emu::EmulatorOptions m = Modem();
        m.faults.badField = {k.match, -1};
        m.faults.badFieldText = k.text;
        EmulatorFixture modem(m);
        Component c;
        tModemOptions o;
        EXPECT_EQ(c.z.ReadOptions(o), 0) << k.match;
        EXPECT_TRUE(k.check(o)) << k.match << " answered " << k.text;
    }
}

TEST(ReadOptions, RingCountThatIsNoNumberRaises)
{
    emu::EmulatorOptions m = Modem();
    m.faults.badField = {"+MCR?", -1};
    EmulatorFixture modem(m);
    Component c;
    tModemOptions o;
    EXPECT_THROW(c.z.ReadOptions(o), ConvertError);
    EXPECT_EQ(o, tModemOptions()) << "the record is filled only when all went through";
    EXPECT_FALSE(c.z.Busy);
}

TEST(WriteOptions, SendsOnlyWhatDiffersThenStores)
{
    {
        EmulatorFixture modem(Modem());
        Component c;
        EXPECT_EQ(c.z.WriteOptions(AsRecord(ModemSettings())), 0);
        EXPECT_EQ(modem.transcript(), kQueries) << "nothing differs: nothing sent, nothing stored";
        EXPECT_EQ(c.status.history, WriteTexts(8));
    }
    EmulatorFixture modem(Modem());
    Component c;
    tModemOptions o = AsRecord(ModemSettings());
    o.FaxId = QStringLiteral("New Id");
    EXPECT_EQ(c.z.WriteOptions(o), 0);
    EXPECT_EQ(modem.transcript(), Then(kQueries, {"ATE0V1+MFI=\"New Id\"", "ATE0V1+MCW"}));
    EXPECT_EQ(c.status.history, WriteTexts(9));
    EXPECT_EQ(modem.emulator().storedSettings().faxId, "New Id");
}

TEST(WriteOptions, EverySettingInItsForm)
{
    EmulatorFixture modem(Modem());
    Component c;
    const emu::SelfModeSettings wanted{false, true, false, false, "4711", 5, true, "+49 30 1234"};
    EXPECT_EQ(c.z.WriteOptions(AsRecord(wanted)), 0);
    EXPECT_EQ(
        modem.transcript(),
        Then(kQueries, {"ATE0V1+MCD=0", "ATE0V1+MCF=1", "ATE0V1+MCL=0", "ATE0V1+MCM=0", "ATE0V1+MCP=4711",
                        "ATE0V1+MCR=5", "ATE0V1+MCV=1", "ATE0V1+MFI=\"+49 30 1234\"", "ATE0V1+MCW"}));
    EXPECT_EQ(modem.emulator().storedSettings(), wanted);
}

TEST(WriteOptions, StopsAtTheFirstRefusal)
{
    emu::EmulatorOptions m = Modem();
    m.faults.error.match = "+MCF=";
    EmulatorFixture modem(m);
    Component c;
    tModemOptions o = AsRecord(ModemSettings());
    o.DialupRetr = false;
    o.FaxRecv = true;
    o.FaxId = QStringLiteral("Other");
    EXPECT_EQ(c.z.WriteOptions(o), 8);
    EXPECT_EQ(modem.transcript(), Then(kQueries, {"ATE0V1+MCD=0", "ATE0V1+MCF=1"}));
    EXPECT_EQ(c.status.history, WriteTexts(8, QStringLiteral("Fehlschlag bei ATE0V1+MCF=1")))
        << "the texts run on to 8/9, without 9/9, and end on the refusal, never on success";
    EXPECT_EQ(modem.emulator().storedSettings(), ModemSettings()) << "nothing stored";
}

TEST(WriteOptions, StoringRefusedOrUnansweredIsAFailure)
{
    for (bool answered : {true, false}) {
        emu::EmulatorOptions m = Modem();
        if (answered)
            m.faults.error.match = "+MCW";
        else
            m.faults.noReply.match = "+MCW";
        EmulatorFixture modem(m);
        Component c;
        c.z.SetReplyTimeout(500);
        tModemOptions o = AsRecord(ModemSettings());
        o.RingSetup = 7;
        EXPECT_EQ(c.z.WriteOptions(o), 8);
        EXPECT_EQ(modem.transcript(), Then(kQueries, {"ATE0V1+MCR=7", "ATE0V1+MCW"}));
        EXPECT_TRUE(c.log.lines.contains(QStringLiteral("-Fehlschlag bei ATE0V1+MCW")));
        EXPECT_EQ(modem.emulator().storedSettings(), ModemSettings()) << "the modem forgets it at reset";
        EXPECT_FALSE(c.z.Busy || c.z.MainPort->Connected());
    }
}

TEST(WriteOptions, ValuesNoCommandCanCarryAreRefusedBeforeSending)
{
    const struct {
        QString faxId;
        QString password;
        const char* names;
    } cases[] = {
        {QStringLiteral("Zarvo \"Fax\""), QStringLiteral("12ab"), "Fax ID"},
        {QStringLiteral("Fax \u20ac"), QStringLiteral("12ab"), "Fax ID"}, // the euro sign is no Latin-1
        {QStringLiteral("Zarvo Fax"), QStringLiteral("12\rAT+MEM"), "Fernabfrage Paßwort"},
    };
    for (const auto& k : cases) {
        EmulatorFixture modem(Modem());
        Component c;
        tModemOptions o = AsRecord(ModemSettings());
        o.FaxId = k.faxId;
        o.DRPassword = k.password;
        EXPECT_EQ(c.z.WriteOptions(o), 8);
        EXPECT_TRUE(modem.transcript().empty()) << "nothing sent";
        EXPECT_TRUE(c.status.current.startsWith(QString::fromUtf8(k.names)))
            << c.status.current.toStdString();
    }
    // Latin-1 letters go through as they are.
    EmulatorFixture modem(Modem());
    Component c;
    tModemOptions o = AsRecord(ModemSettings());
    o.FaxId = QStringLiteral("Büro Köln");
    EXPECT_EQ(c.z.WriteOptions(o), 0);
    EXPECT_EQ(modem.transcript().at(8), "ATE0V1+MFI=\"B\xfcro K\xf6ln\"");
}

} // namespace
} // namespace zarvo::test
