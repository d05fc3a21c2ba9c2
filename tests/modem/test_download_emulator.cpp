// SPDX-License-Identifier: GPL-3.0-or-later
// Block download, message assembly, erase and line playback against the emulated modem.
#include "test_memory_support.h"

#include <QTimer>

namespace zarvo::test {
namespace {

emu::StoredMessage At(emu::StoredMessage m, int block, int offset)
{
    m.block = block;
    m.offset = offset;
    m.received = emu::ClockValue{1, 2, 3, 0};
    return m;
}

Lines BlockCommands(const Lines& transcript)
{
    Lines out;
    for (const std::string& line : transcript)
        if (line.find("+MTP=") != std::string::npos)
            out.push_back(line);
    return out;
}

// A component whose clock was read already, so the transcripts hold only the download.
struct Downloader : Component {
    Downloader() { z.ClockRead = true; }
};

TEST(Download, MessageSpanningSeveralBlocks)
{
    const emu::StoredMessage m = At(emu::dataMessage(Noise(70000, 1)), 5, 1000);
    EmulatorFixture modem(QuietModem({m}));
    Downloader c;
    QByteArray data;
    ASSERT_EQ(c.z.GetMessage(1, data), 0);
    EXPECT_EQ(data, 'D' + Bytes(m.body));
    EXPECT_EQ(modem.transcript(), (Lines{"ATE0V1+MSR=1", "ATE0V1+MTP=5", "ATE0V1+MTP=6", "ATE0V1+MTP=7"}));
    EXPECT_EQ(
        c.texts().filter("Auslesen"),
        QStringList({"Auslesen Modemspeicher Block 5", "Auslesen Modemspeicher Block 5 erfolgreich",
                     "Auslesen Modemspeicher Block 6 von 7", "Auslesen Modemspeicher Block 6 erfolgreich",
                     "Auslesen Modemspeicher Block 7 von 7", "Auslesen Modemspeicher Block 7 erfolgreich"}));
    EXPECT_TRUE(c.log.lines.contains(">Lese Modemspeicher Block 6 aus."));
    EXPECT_TRUE(c.log.lines.filter(QRegularExpression("%$")).isEmpty()) << "progress stays out of the log";
    EXPECT_EQ(c.status.history.filter(QRegularExpression("%$")).last(), QStringLiteral("100%"));
    EXPECT_EQ(c.z.CachedBlock, 7);
    EXPECT_FALSE(c.z.Busy || c.z.Capturing || c.z.MainPort->Connected());
}

TEST(Download, HeaderAcrossTheBlockEnd)
{
    for (int offset : {32760, 32734}) {
        const emu::StoredMessage m = At(emu::dataMessage(Noise(3000, offset)), 5, offset);
        EmulatorFixture modem(QuietModem({m}));
        Downloader c;
        QByteArray data;
        ASSERT_EQ(c.z.GetMessage(1, data), 0) << offset;
        EXPECT_EQ(data, 'D' + Bytes(m.body)) << offset;
        EXPECT_EQ(BlockCommands(modem.transcript()), (Lines{"ATE0V1+MTP=5", "ATE0V1+MTP=6"})) << offset;
    }
}

TEST(Download, MessagesSharingABlockUseTheCacheUntilAStatusRead)
{
    const emu::StoredMessage fax = At(emu::faxMessage({Noise(900, 4), Noise(700, 5), Noise(800, 6)}), 2, 100);
    emu::StoredMessage odd = emu::rawMessage(7, Noise(500, 3));
    odd.received = emu::ClockValue{1, 2, 3, 0};
    EmulatorFixture modem(QuietModem({fax, odd}));
    Downloader c;
    QByteArray one, two;
    ASSERT_EQ(c.z.GetMessage(1, one), 0);
    EXPECT_EQ(one, QByteArray("F\x03", 2) + Bytes(fax.body)) << "a fax carries its page count";
    modem.clearTranscript();
    ASSERT_EQ(c.z.GetMessage(2, two), 0);
    EXPECT_EQ(two, 'U' + Bytes(odd.body)) << "type 7 is unknown";
    EXPECT_EQ(modem.transcript(), Lines{"ATE0V1+MSR=2"}) << "the block came from the cache";

    tMemoryStatus s;
    ASSERT_EQ(c.z.ReadMemoryStatus(s), 0);
    modem.clearTranscript();
    ASSERT_EQ(c.z.GetMessage(2, two), 0);
    EXPECT_EQ(modem.transcript(), (Lines{"ATE0V1+MSR=2", "ATE0V1+MTP=2"}));
}

TEST(Download, OkInsideTheBlockDataDoesNotEndTheBlock)
{
    const emu::StoredMessage m = At(emu::dataMessage(Noise(20000, 7)), 3, 0);
    emu::EmulatorOptions o = QuietModem({m});
    o.faults.okInData = {true, 3, 5000, -1};
    EmulatorFixture modem(o);
    Downloader c;
    QByteArray data;
    ASSERT_EQ(c.z.GetMessage(1, data), 0);
    EXPECT_EQ(data.mid(1), Bytes(modem.emulator().block(3)).mid(34, m.body.size()));
    EXPECT_EQ(data.indexOf("\rOK\r"), 1 + 5000 - 34);
}

struct BrokenBlock {
    const char* name;
    emu::BlockFault emu::Faults::*fault;
    std::size_t offset;
    const char* reason;
};

class DownloadFault : public ::testing::TestWithParam<BrokenBlock> {};

TEST_P(DownloadFault, EndsWithAFailureAndPassesNothingOn)
{
    const BrokenBlock& b = GetParam();
    const emu::StoredMessage m = At(emu::dataMessage(Noise(40000, 8)), 4, 0);
    emu::EmulatorOptions o = QuietModem({m});
    (o.faults.*b.fault) = {true, 5, b.offset, 1};
    EmulatorFixture modem(o);
    Downloader c;
    c.z.SetReplyTimeout(1500);
    QByteArray data = "unchanged";
    EXPECT_EQ(c.z.GetMessage(1, data), kResultTransferFailed);
    EXPECT_EQ(data, "unchanged");
    EXPECT_EQ(c.status.current, QStringLiteral("Auslesen Modemspeicher Block 5 abgebrochen: ") + b.reason);
    EXPECT_FALSE(c.z.Busy || c.z.Capturing || c.z.MainPort->Connected());
    EXPECT_EQ(c.z.CachedBlock, 4) << "the good block stays cached, the broken one is not";

    // The fault hit once: the next attempt fetches block 5 again and succeeds. The broken block's
    // unfinished line must not leak into the next reply.
    modem.emulator().revive();
    c.log.lines.clear();
    c.z.SendCommand("AT", true, false);
    EXPECT_EQ(c.log.lines, QStringList({"<AT", ">OK", "*l1*OK*", "*l2**"}));
    modem.clearTranscript();
    ASSERT_EQ(c.z.GetMessage(1, data), 0);
    EXPECT_EQ(data, 'D' + Bytes(m.body));
    EXPECT_EQ(BlockCommands(modem.transcript()), Lines{"ATE0V1+MTP=5"});
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, DownloadFault,
    ::testing::Values(BrokenBlock{"CutShort", &emu::Faults::cutShort, 16000, "keine Daten vom Modem"},
                      BrokenBlock{"OneByteShort", &emu::Faults::cutShort, 32767,
                                  "unerwartete Antwort vom Modem"},
                      BrokenBlock{"LineDead", &emu::Faults::lineDead, 8000, "keine Daten vom Modem"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Download, EchoingModemStillDeliversTheBlock)
{
    EmulatorFixture modem(QuietModem({At(emu::dataMessage(Noise(5000, 10)), 1, 200)}));
    Downloader c;
    c.z.SendCommand("ATE1", true, false); // as another program's reset leaves it
    ASSERT_TRUE(c.z.ReadBlock(1));
    EXPECT_EQ(c.z.Data, Bytes(modem.emulator().block(1)));
}

TEST(EraseMemory, ErasesThenRestartsTheClockUnlessRefused)
{
    for (bool refused : {false, true}) {
        emu::EmulatorOptions o = QuietModem({At(emu::dataMessage(Noise(10, 11)), 0, 0)});
        if (refused)
            o.faults.error.match = "+MEM";
        EmulatorFixture modem(o);
        Component c;
        c.z.CachedBlock = 0;
        if (refused) {
            EXPECT_EQ(c.z.ClearMemory(), kResultTransferFailed);
            EXPECT_EQ(modem.transcript(), Lines{"AT+MEM"});
            EXPECT_EQ(c.texts(),
                      QStringList({"Speicher wird gelöscht.Bitte warten", "Fehlschlag bei AT+MEM"}));
            continue;
        }
        EXPECT_EQ(c.z.ClearMemory(), 0);
        EXPECT_EQ(modem.transcript(), (Lines{"AT+MEM", "ATE0V1+MCC=5,7,8,9", "ATE0V1+MCC?"}));
        EXPECT_EQ(c.texts(), QStringList({"Speicher wird gelöscht.Bitte warten", "Speicher gelöscht",
                                          "Starte Uhr neu", "Uhrzeit erfolgreich ausgewertet"}));
        EXPECT_EQ(c.z.CachedBlock, -1);
        EXPECT_TRUE(c.z.ClockRead);
        EXPECT_TRUE(modem.emulator().directory().empty());
    }
}

TEST(EraseMemory, HasItsOwnLongerTimeLimit)
{
    // The modem erases at once but answers 2.5 s later, past the ordinary reply limit.
    emu::EmulatorOptions o = QuietModem({At(emu::dataMessage(Noise(10, 11)), 0, 0)});
    o.faults.lateReply = {"+MEM", -1};
    o.faults.lateReplyMs = 2500;
    EmulatorFixture modem(o);
    Component c;
    c.z.SetReplyTimeout(1000);
    EXPECT_EQ(c.z.ClearMemory(), 0) << c.status.current.toStdString();
    EXPECT_EQ(modem.transcript(), (Lines{"AT+MEM", "ATE0V1+MCC=5,7,8,9", "ATE0V1+MCC?"}))
        << "the clock is restarted after a late erase";
    EXPECT_TRUE(c.z.ClockRead);

    // Past its own limit the erase fails like any unanswered command, with the port closed.
    c.z.SetEraseTimeout(1000);
    modem.clearTranscript();
    EXPECT_EQ(c.z.ClearMemory(), kResultTransferFailed);
    EXPECT_EQ(modem.transcript(), Lines{"AT+MEM"});
    EXPECT_EQ(c.texts().last(), QStringLiteral("Fehlschlag bei AT+MEM"));
    EXPECT_FALSE(c.z.Busy || c.z.MainPort->Connected());
}

TEST(EraseMemory, ModemLockedDuringTheOpeningEventPassIsLeftAlone)
{
    EmulatorFixture modem(QuietModem());
    Component c;
    // The background monitor's tick, due while the erase handles pending events, locks the modem.
    QTimer::singleShot(0, [&] { c.z.LockModem(true); });
    EXPECT_EQ(c.z.ClearMemory(), 5);
    EXPECT_TRUE(modem.transcript().empty());
    EXPECT_TRUE(c.z.Busy && c.z.Locked) << "the lock is not undone by the erase";
    c.z.LockModem(false);
}

TEST(LinePlayback, PlayAndStopCommands)
{
    EmulatorFixture modem(QuietModem({At(emu::dataMessage(Noise(10, 13)), 0, 0)}));
    Component c;
    EXPECT_EQ(c.z.LinePlay(3), 0);
    EXPECT_EQ(c.z.LineStop(3), 0);
    EXPECT_EQ(modem.transcript(), (Lines{"ATE0V1+MVP=3", "ATE0V1+MVP3"}));
}

} // namespace
} // namespace zarvo::test
