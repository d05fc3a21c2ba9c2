// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoakRun.h"

#include "MessageBuilder.h"
#include "MessageMemory.h"
#include "ModemEmulator.h"
#include "common/Errors.h"
#include "common/Wait.h"
#include "modem/Zarvo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <random>
#include <stdexcept>
#include <string_view>
#include <type_traits>

namespace zarvo::test {
namespace {

using Rng = std::mt19937;

// Joins text and numbers by appending; GCC 12 at -O3 warns falsely on "literal" + std::string&&.
template <typename T>
requires std::is_integral_v<T> std::string Piece(T value)
{
    return std::to_string(value);
}
std::string_view Piece(std::string_view text)
{
    return text;
}
template <typename... Pieces> std::string Cat(const Pieces&... pieces)
{
    std::string text;
    (text.append(Piece(pieces)), ...);
    return text;
}

int Pick(Rng& rng, int from, int to) // both included
{
    return std::uniform_int_distribution<int>(from, to)(rng);
}

template <typename T> const T& PickOf(Rng& rng, const std::vector<T>& items)
{
    return items[static_cast<std::size_t>(Pick(rng, 0, static_cast<int>(items.size()) - 1))];
}

std::vector<std::uint8_t> Noise(Rng& rng, std::size_t n)
{
    std::vector<std::uint8_t> bytes(n);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(rng());
    return bytes;
}

// Voice, a two-page fax, data across a block boundary and a short data message, in that order.
std::vector<emu::StoredMessage> Messages(Rng& rng)
{
    std::vector<std::uint8_t> frames = Noise(rng, 120 * emu::kGsmFrameBytes);
    for (std::size_t f = 0; f < frames.size(); f += emu::kGsmFrameBytes)
        frames[f] = static_cast<std::uint8_t>(0xD0 | (frames[f] & 0x0F));
    return {emu::voiceMessage(frames), emu::faxMessage({Noise(rng, 1500), Noise(rng, 900)}),
            emu::dataMessage(Noise(rng, 40000)), emu::dataMessage(Noise(rng, 300))};
}

// What GetMessage must return for a stored message.
QByteArray Expected(const emu::StoredMessage& m)
{
    QByteArray data;
    switch (m.type) {
    case 1:
        data = QByteArray("F") + static_cast<char>(m.size);
        break;
    case 2:
        data = "V";
        break;
    case 3:
        data = "D";
        break;
    default:
        data = "U";
    }
    return data +
           QByteArray(reinterpret_cast<const char*>(m.body.data()), static_cast<qsizetype>(m.body.size()));
}

tModemOptions AsRecord(const emu::SelfModeSettings& s)
{
    return {s.dialupRetr,
            s.faxRecv,
            s.localMode,
            s.callMonitor,
            QString::fromLatin1(s.password),
            quint8(s.rings),
            s.voiceRecv,
            QString::fromLatin1(s.faxId)};
}

// Settings the modem accepts: a password of 1 to 8 digits, a fax ID of printable Latin-1 without
// double quotes.
tModemOptions RandomOptions(Rng& rng)
{
    static const QString idChars = QStringLiteral("ABCxyz0123456789 +-äöü");
    tModemOptions o;
    o.DialupRetr = Pick(rng, 0, 1);
    o.FaxRecv = Pick(rng, 0, 1);
    o.LocalMode = Pick(rng, 0, 1);
    o.CallMonitor = Pick(rng, 0, 1);
    for (int i = Pick(rng, 1, 8); i > 0; --i)
        o.DRPassword += QChar(u'0' + Pick(rng, 0, 9));
    o.RingSetup = static_cast<quint8>(Pick(rng, 1, 20));
    o.VoiceRecv = Pick(rng, 0, 1);
    for (int i = Pick(rng, 0, 20); i > 0; --i)
        o.FaxId += idChars.at(Pick(rng, 0, static_cast<int>(idChars.size()) - 1));
    return o;
}

enum class Op { Status, Directory, Download, ReadOptions, WriteOptions, Erase, LinePlayback };

struct OpInfo {
    Op op;
    const char* name;
    int weight;
    std::vector<std::string> commands; // what its command faults may match
};

const std::vector<OpInfo>& Ops()
{
    static const std::vector<OpInfo> ops = {
        {Op::Status, "status", 15, {"+MSR=0"}},
        {Op::Directory, "directory", 15, {"+MSR=", "+MCC?"}},
        {Op::Download, "download", 30, {"+MSR=", "+MCC?", "+MTP="}},
        {Op::ReadOptions,
         "read options",
         10,
         {"+MCD?", "+MCF?", "+MCL?", "+MCM?", "+MCP?", "+MCR?", "+MCV?", "+MFI?"}},
        {Op::WriteOptions,
         "write options",
         10,
         {"+MCR?", "+MFI?", "+MCD=", "+MCP=", "+MCR=", "+MFI=", "+MCW"}},
        {Op::Erase, "erase", 5, {"+MEM", "+MCC"}},
        {Op::LinePlayback, "line playback", 15, {"+MVP"}},
    };
    return ops;
}

constexpr long kBlockBytes = emu::MessageMemory::kBlockSize;

// One fault armed for one operation.
struct Armed {
    std::string text;
    emu::Faults faults;
    bool benign = false; // a sound program still succeeds
    // okInData: where its text lands in the expected download of message okMessage.
    int okMessage = 0;
    long okAt = 0;
};

Armed ArmFault(Rng& rng, const OpInfo& op)
{
    Armed a;
    const bool download = op.op == Op::Download;
    const int kinds = download ? 8 : 5;
    const std::string& match = PickOf(rng, op.commands);
    const int times = Pick(rng, 0, 3) == 0 ? 3 : 1;
    // Only a query's answer has a value line for a garbage field.
    const bool query = match.back() == '?' || match.starts_with("+MSR=");
    int kind = Pick(rng, 0, kinds - 1);
    if (kind == 3 && !query)
        kind = 2;
    switch (kind) {
    case 0:
    case 1:
        a.faults.noReply = {match, times};
        a.text = Cat("no reply to ", match);
        break;
    case 2:
        a.faults.error = {match, times};
        a.text = Cat("ERROR to ", match);
        break;
    case 3:
        a.faults.badField = {match, times};
        a.faults.badFieldIndex = Pick(rng, 1, 4);
        a.text = Cat("garbage field ", a.faults.badFieldIndex, " of ", match);
        break;
    case 4: {
        // Lines cut anywhere; a block in pieces large enough to keep the run short.
        a.faults.chunkSize = download ? static_cast<std::size_t>(Pick(rng, 512, 4096))
                                      : static_cast<std::size_t>(Pick(rng, 1, 8));
        a.faults.chunkPauseMs = Pick(rng, 0, download ? 10 : 5);
        a.text = Cat("chunks of ", a.faults.chunkSize, " every ", a.faults.chunkPauseMs, " ms");
        a.benign = true;
        break;
    }
    case 5:
        a.faults.cutShort = {true, -1, static_cast<std::size_t>(Pick(rng, 0, 32767)), 1};
        a.text = Cat("short block after ", a.faults.cutShort.offset);
        break;
    case 6:
        a.faults.lineDead = {true, -1, static_cast<std::size_t>(Pick(rng, 0, 32767)), 1};
        a.text = Cat("dead line after ", a.faults.lineDead.offset);
        break;
    default:
        // Placed inside the downloaded message by PlaceOkText.
        a.faults.okInData.enabled = true;
        a.benign = true;
        break;
    }
    return a;
}

// Puts the "OK inside block data" fault's text (CR LF "OK" CR LF or the bare CR "OK" CR) into the
// body of message `index` within one block: anywhere, at the start of a block or flush against its
// end, where the answer's own final "OK" line follows at once. The emulator writes it into the
// memory, so the message holds these bytes from then on. Disarms the fault when the body is too short.
void PlaceOkText(Rng& rng, Armed& a, const emu::DirectoryEntry& e, int index, const QByteArray& expected)
{
    const std::string text = Pick(rng, 0, 1) == 0 ? "\r\nOK\r\n" : "\rOK\r";
    const long size = static_cast<long>(text.size());
    const long start = e.block * kBlockBytes + e.offset + emu::MessageMemory::kHeaderSize;
    const long end = e.lastBlock * kBlockBytes + e.endOffset;
    auto fits = [&](long at) {
        return at >= start && at + size <= end && at / kBlockBytes == (at + size - 1) / kBlockBytes;
    };
    a.faults.okInData = {};
    if (end - start < size)
        return;
    const long picked = Pick(rng, static_cast<int>(start), static_cast<int>(end - size));
    const long blockStart = picked / kBlockBytes * kBlockBytes;
    const long flushEnd = std::min(end, blockStart + kBlockBytes) - size;
    const int where = Pick(rng, 0, 3);
    long at = where == 0 ? flushEnd : where == 1 ? std::max(start, blockStart) : picked;
    // A place across a block end moves into the block before or the one after.
    for (const long candidate : {at, flushEnd, blockStart + kBlockBytes}) {
        if (fits(candidate)) {
            at = candidate;
            break;
        }
    }
    if (!fits(at))
        return;
    a.faults.okInData = {true, static_cast<int>(at / kBlockBytes), static_cast<std::size_t>(at % kBlockBytes),
                         1};
    a.faults.okInDataText = text;
    a.okMessage = index;
    a.okAt = expected.size() - (end - start) + (at - start);
    a.text = Cat(size == 6 ? "CR LF OK CR LF" : "CR OK CR", " inside message ", index, " at block ",
                 a.faults.okInData.block, " offset ", a.faults.okInData.offset);
}

// Whether an armed fault acted: its hit count went down, or it acts on every reply.
bool Hit(const Armed& armed, const emu::Faults& after)
{
    const emu::Faults& f = armed.faults;
    return f.chunkSize > 0 || (!f.noReply.match.empty() && after.noReply.times < f.noReply.times) ||
           (!f.error.match.empty() && after.error.times < f.error.times) ||
           (!f.badField.match.empty() && after.badField.times < f.badField.times) ||
           (f.cutShort.enabled && after.cutShort.times < f.cutShort.times) ||
           (f.lineDead.enabled && after.lineDead.times < f.lineDead.times) ||
           (f.okInData.enabled && after.okInData.times < f.okInData.times);
}

class Soak {
  public:
    Soak(const SoakOptions& options, const std::function<void(const std::string&)>& log)
        : m_options(options), m_log(log), m_rng(options.seed)
    {
        if (!m_linkDir.isValid() || !m_home.isValid())
            throw std::runtime_error("cannot create the soak's temporary directories");
        m_modemOptions.echo = false; // as detection leaves it
        m_modemOptions.linkPath = QDir(m_linkDir.path()).filePath(QStringLiteral("modem")).toStdString();
        m_modemOptions.messages = Messages(m_rng);
        startModem();

        m_hadHome = qEnvironmentVariableIsSet("ZARVO_HOME");
        m_oldHome = qgetenv("ZARVO_HOME");
        qputenv("ZARVO_HOME", QFile::encodeName(m_home.path()));
        // Short limits keep the run quick; they come through the settings file as a user's would.
        QFile ini(QDir(m_home.path()).filePath(QStringLiteral("ZARVO2.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write the soak's ZARVO2.ini");
        ini.write("[Ports]\nCOM1=" + QByteArray::fromStdString(m_modemOptions.linkPath) +
                  "\n[Modem]\nReplyTimeout=1000\nEraseTimeout=1000\n");
        ini.close();
        m_zarvo = std::make_unique<TZarvo>();
    }

    ~Soak()
    {
        m_zarvo.reset();
        m_modem->stop();
        if (m_hadHome)
            qputenv("ZARVO_HOME", m_oldHome);
        else
            qunsetenv("ZARVO_HOME");
    }

    SoakFigures run()
    {
        QElapsedTimer clock;
        clock.start();
        if (m_zarvo->TestPort(1) != 0)
            violation(0, "detection", "", "the modem on COM1 was not found");
        bool afterFault = false;
        for (int n = 1; n <= m_options.operations; ++n)
            afterFault = step(n, !afterFault);
        m_figures.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
        return m_figures;
    }

  private:
    void startModem()
    {
        m_modem = std::make_unique<emu::ModemEmulator>(m_modemOptions);
        m_modem->start();
        m_expected.clear();
        for (const emu::StoredMessage& m : m_modemOptions.messages)
            m_expected.push_back(Expected(m));
    }

    void violation(int n, const char* op, const std::string& fault, const std::string& what)
    {
        ++m_figures.violations;
        m_figures.findings.push_back(
            Cat("operation ", n, " (", op, fault.empty() ? "" : ", ", fault, "): ", what));
    }

    // Runs one operation; returns whether a fault acted on it.
    bool step(int n, bool faultAllowed)
    {
        int total = 0;
        for (const OpInfo& o : Ops())
            total += o.weight;
        int roll = Pick(m_rng, 1, total);
        const OpInfo* op = &Ops().front();
        for (const OpInfo& o : Ops()) {
            op = &o;
            if ((roll -= o.weight) <= 0)
                break;
        }
        // The message a directory read, download or playback works on.
        const int index = Pick(m_rng, 1, static_cast<int>(m_expected.size()));
        Armed armed;
        if (faultAllowed && Pick(m_rng, 1, 100) <= m_options.faultPercent) {
            armed = ArmFault(m_rng, *op);
            if (armed.faults.okInData.enabled)
                PlaceOkText(m_rng, armed, m_modem->directory().at(static_cast<std::size_t>(index - 1)), index,
                            m_expected[static_cast<std::size_t>(index - 1)]);
            m_modem->setFaults(armed.faults);
        }

        std::string failure; // set when the operation did not do what it must without a fault
        std::string broken;  // set when an invariant broke whatever the fault
        std::string outcome;
        bool convertError = false;
        try {
            outcome = perform(*op, index, armed, failure, broken);
        }
        catch (const ConvertError& e) {
            convertError = true;
            outcome = std::string("ConvertError ") + e.what();
        }
        catch (const std::exception& e) {
            broken = std::string("exception ") + e.what();
        }
        catch (...) {
            broken = "unknown exception";
        }

        const bool hit = !armed.text.empty() && Hit(armed, m_modem->faults());
        if (m_modem->directory().empty()) {
            // Erased (also when the clock read after it failed): a fresh modem with the same
            // messages, so the downloads keep something to fetch.
            m_modem->stop();
            startModem();
        }
        const bool strict = !hit || armed.benign;
        ++m_figures.operations;
        if (hit)
            ++m_figures.faults;
        TZarvo& z = *m_zarvo;
        if (z.Busy || z.Locked || z.Capturing)
            broken += " busy state left set";
        if (z.MainPort->Connected() || z.ProbePort->Connected())
            broken += " port left open";
        if (!broken.empty())
            violation(n, op->name, hit ? armed.text : "", broken);
        else if (strict && convertError)
            violation(n, op->name, hit ? armed.text : "", outcome);
        else if (strict && !failure.empty())
            violation(n, op->name, hit ? armed.text : "", failure);
        if (m_log)
            m_log(Cat("#", n, " ", op->name, hit ? " [" : "", hit ? armed.text : "", hit ? "]" : "", ": ",
                      outcome, "\n"));

        if (!armed.text.empty()) {
            m_modem->setFaults({});
            m_modem->revive();
            // A reply cut off by the program may still sit in the emulator's queue; it drops it
            // once it sees the port closed, as a serial line would lose it.
            Delay(50);
        }
        return hit;
    }

    // The operation itself. Fills `failure` when it did not succeed with the modem's true values,
    // `broken` when it broke an invariant that holds under any fault.
    std::string perform(const OpInfo& op, int index, const Armed& armed, std::string& failure,
                        std::string& broken)
    {
        TZarvo& z = *m_zarvo;
        const int count = static_cast<int>(m_expected.size());
        switch (op.op) {
        case Op::Status: {
            tMemoryStatus s;
            const quint8 r = z.ReadMemoryStatus(s);
            if (r != 0 || s.CountA + s.CountB != count)
                failure = Cat("result ", r, ", ", s.CountA + s.CountB, " messages");
            return Cat("result ", r);
        }
        case Op::Directory: {
            tMessageReport report;
            const quint8 r = z.ReadMessageReport(static_cast<quint8>(index), report);
            const emu::DirectoryEntry e = m_modem->directory().at(static_cast<std::size_t>(index - 1));
            if (r != 0 || report.MsgType != e.type || report.Block != e.block ||
                report.PosHi * 256 + report.PosLo != e.offset)
                failure = Cat("entry ", index, ": result ", r, ", type ", report.MsgType);
            return Cat("entry ", index, ", result ", r);
        }
        case Op::Download: {
            const QByteArray untouched = "caller's data";
            QByteArray data = untouched;
            const quint8 r = z.GetMessage(static_cast<quint8>(index), data);
            const emu::BlockFault& ok = armed.faults.okInData;
            if (ok.enabled && m_modem->faults().okInData.times < ok.times) {
                // The modem now stores the text in the message, and sent it so.
                const std::string& text = armed.faults.okInDataText;
                m_expected[static_cast<std::size_t>(armed.okMessage - 1)].replace(
                    armed.okAt, static_cast<qsizetype>(text.size()), QByteArray::fromStdString(text));
            }
            const QByteArray& want = m_expected[static_cast<std::size_t>(index - 1)];
            if (r == 0 && data != want)
                broken = Cat("message ", index, " returned 0 with other bytes (", data.size(), " of ",
                             want.size(), ")");
            else if (r != 0 && data != untouched)
                broken = Cat("message ", index, " failed but changed the caller's data");
            else if (r != 0)
                failure = Cat("message ", index, ": result ", r);
            return Cat("message ", index, ", result ", r);
        }
        case Op::ReadOptions: {
            tModemOptions o;
            const quint8 r = z.ReadOptions(o);
            if (r != 0 || o != AsRecord(m_modem->workingSettings()))
                failure = Cat("result ", r, " or values other than the modem's");
            return Cat("result ", r);
        }
        case Op::WriteOptions: {
            const tModemOptions wanted = RandomOptions(m_rng);
            const quint8 r = z.WriteOptions(wanted);
            if (r != 0 || AsRecord(m_modem->storedSettings()) != wanted ||
                AsRecord(m_modem->workingSettings()) != wanted)
                failure = Cat("result ", r, " or settings not stored as written");
            return Cat("result ", r);
        }
        case Op::Erase: {
            const quint8 r = z.ClearMemory();
            const bool erased = m_modem->directory().empty();
            if (r == 0 && !erased)
                broken = "reported erased, but the memory still holds its messages";
            else if (r != 0 && erased)
                broken = "reported failed, but the memory was erased";
            else if (r != 0)
                failure = Cat("result ", r);
            return Cat("result ", r);
        }
        case Op::LinePlayback: {
            const std::size_t before = m_modem->playbackCommands().size();
            const quint8 play = z.LinePlay(static_cast<quint8>(index));
            const quint8 stop = z.LineStop(static_cast<quint8>(index));
            const std::vector<std::string> heard = m_modem->playbackCommands();
            const std::vector<std::string> want = {Cat("+MVP=", index), Cat("+MVP", index)};
            if (play != 0 || stop != 0 || heard.size() != before + 2 ||
                !std::equal(want.begin(), want.end(), heard.end() - 2))
                failure = Cat("play ", play, ", stop ", stop);
            return Cat("message ", index, ", results ", play, "/", stop);
        }
        }
        return {};
    }

    SoakOptions m_options;
    std::function<void(const std::string&)> m_log;
    Rng m_rng;
    QTemporaryDir m_linkDir;
    QTemporaryDir m_home;
    emu::EmulatorOptions m_modemOptions;
    std::vector<QByteArray> m_expected;
    std::unique_ptr<emu::ModemEmulator> m_modem;
    bool m_hadHome = false;
    QByteArray m_oldHome;
    std::unique_ptr<TZarvo> m_zarvo;
    SoakFigures m_figures;
};

} // namespace

SoakFigures RunSoak(const SoakOptions& options, const std::function<void(const std::string&)>& log)
{
    Soak soak(options, log);
    return soak.run();
}

} // namespace zarvo::test
