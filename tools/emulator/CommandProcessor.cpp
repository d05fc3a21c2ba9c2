#include "CommandProcessor.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <stdexcept>

namespace zarvo::emu {

namespace {

constexpr std::size_t kMaxTextSetting = 20;
constexpr int kMinRings = 1;
constexpr int kMaxRings = 20;

std::string upper(std::string s)
{
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool hits(CommandFault& f, const std::string& line)
{
    if (f.match.empty() || f.times == 0 || upper(line).find(upper(f.match)) == std::string::npos)
        return false;
    if (f.times > 0)
        --f.times;
    return true;
}

bool hits(BlockFault& f, int block)
{
    if (!f.enabled || f.times == 0 || (f.block >= 0 && f.block != block))
        return false;
    if (f.times > 0)
        --f.times;
    return true;
}

void overlayOk(std::string& data, std::size_t offset, const std::string& text)
{
    if (data.size() < text.size())
        return;
    offset = std::min(offset, data.size() - text.size());
    data.replace(offset, text.size(), text);
}

std::string replaceField(const std::string& line, int index, const std::string& text)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (index >= 1 && std::size_t(index) <= fields.size())
        fields[std::size_t(index) - 1] = text;
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i)
        out += (i ? "," : "") + fields[i];
    return out;
}

} // namespace

// Reading position in one command line. Blanks between commands are skipped, as modems do.
class CommandProcessor::Line {
  public:
    Line(const std::string& text, std::size_t pos) : m_text(text), m_pos(pos) {}

    bool atEnd()
    {
        skipBlanks();
        return m_pos >= m_text.size();
    }
    char peek()
    {
        skipBlanks();
        return m_pos < m_text.size() ? char(std::toupper(static_cast<unsigned char>(m_text[m_pos]))) : '\0';
    }
    char take()
    {
        char c = peek();
        if (c)
            ++m_pos;
        return c;
    }
    bool accept(char c)
    {
        if (peek() != c)
            return false;
        ++m_pos;
        return true;
    }
    // A decimal number of at most five digits; nullopt (nothing consumed) without one.
    std::optional<int> number()
    {
        skipBlanks();
        std::size_t end = m_pos;
        while (end < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[end])) &&
               end - m_pos < 6)
            ++end;
        if (end == m_pos || end - m_pos > 5)
            return std::nullopt;
        int v = std::stoi(m_text.substr(m_pos, end - m_pos));
        m_pos = end;
        return v;
    }
    std::optional<int> digit()
    {
        char c = peek();
        if (c < '0' || c > '9')
            return std::nullopt;
        ++m_pos;
        return c - '0';
    }
    // Everything up to the end of the line, blanks included.
    std::string rest()
    {
        std::string r = m_text.substr(m_pos);
        m_pos = m_text.size();
        return r;
    }
    // A text in double quotes; nullopt when the quotes are missing.
    std::optional<std::string> quoted()
    {
        skipBlanks();
        if (m_pos >= m_text.size() || m_text[m_pos] != '"')
            return std::nullopt;
        std::size_t close = m_text.find('"', m_pos + 1);
        if (close == std::string::npos)
            return std::nullopt;
        std::string r = m_text.substr(m_pos + 1, close - m_pos - 1);
        m_pos = close + 1;
        return r;
    }
    std::string name()
    {
        std::string n;
        while (n.size() < 3 && std::isalpha(static_cast<unsigned char>(peek())))
            n += take();
        return n;
    }

  private:
    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text[m_pos] == ' ')
            ++m_pos;
    }

    const std::string& m_text;
    std::size_t m_pos;
};

CommandProcessor::CommandProcessor(const EmulatorOptions& options)
    : m_options(options), m_echo(options.echo), m_verbose(options.verbose), m_working(options.settings),
      m_stored(options.settings), m_clock(options.clockStart, options.clockUnset, options.clockRunning),
      m_faults(options.faults), m_arrivals(options.arrivals)
{
    m_memory.fill(options.messages, options.startBlock, options.startOffset, m_clock.value());
}

void CommandProcessor::info(std::vector<Part>& out, std::string text) const
{
    out.push_back(Part{false, m_verbose, std::move(text)});
}

std::string CommandProcessor::finalResult(bool ok) const
{
    if (m_verbose)
        return ok ? "\r\nOK\r\n" : "\r\nERROR\r\n";
    return ok ? "0\r" : "4\r";
}

Reply CommandProcessor::execute(const std::string& line)
{
    Reply reply;
    if (hits(m_faults.noReply, line))
        return reply;
    if (hits(m_faults.lateReply, line))
        reply.delayMs = m_faults.lateReplyMs;
    if (hits(m_faults.error, line)) {
        reply.bytes = finalResult(false);
        return reply;
    }

    std::size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos || line.size() - start < 2 || upper(line.substr(start, 2)) != "AT")
        return reply; // not a command: a modem ignores it
    bool badField = hits(m_faults.badField, line);

    Line in(line, start + 2);
    std::vector<Part> parts;
    bool ok = true;
    while (ok && !in.atEnd()) {
        if (in.accept(';'))
            continue;
        if (in.peek() == '+' || in.peek() == '#')
            ok = extendedCommand(in, parts, reply);
        else
            ok = basicCommand(in, parts);
        if (reply.deadAfter)
            break;
    }

    if (badField) {
        auto first = std::find_if(parts.begin(), parts.end(), [](const Part& p) { return !p.raw; });
        if (first != parts.end())
            first->text = replaceField(first->text, m_faults.badFieldIndex, m_faults.badFieldText);
    }
    for (const Part& p : parts) {
        if (!p.raw) {
            reply.bytes += p.verbose ? "\r\n" + p.text + "\r\n" : p.text + "\r\n";
            continue;
        }
        reply.bytes += p.text;
        if (p.block >= 0)
            reply.deliveries.push_back({reply.bytes.size(), p.block});
    }
    if (!reply.deadAfter)
        reply.bytes += finalResult(ok);
    return reply;
}

bool CommandProcessor::basicCommand(Line& in, std::vector<Part>& out)
{
    char c = in.take();
    switch (c) {
    case 'E':
    case 'V': {
        int v = in.digit().value_or(0);
        if (v > 1)
            return false;
        (c == 'E' ? m_echo : m_verbose) = v == 1;
        return true;
    }
    case 'Z':
        if (in.digit().value_or(0) != 0)
            return false;
        reset();
        return true;
    case 'I':
        if (in.digit().value_or(0) != 3)
            return false;
        info(out, m_options.identity + " Rev. 1.0");
        return true;
    default:
        return false;
    }
}

void CommandProcessor::reset()
{
    m_working = m_stored;
    m_echo = m_options.echo;
    m_verbose = m_options.verbose;
    m_selfMode = false;
    m_watched = 0;
}

bool CommandProcessor::booleanSetting(Line& in, bool& value, std::vector<Part>& out)
{
    if (in.accept('?')) {
        info(out, value ? "1" : "0");
        return true;
    }
    if (!in.accept('='))
        return false;
    auto v = in.number();
    if (!v || *v > 1)
        return false;
    value = *v == 1;
    return true;
}

bool CommandProcessor::extendedCommand(Line& in, std::vector<Part>& out, Reply& reply)
{
    char prefix = in.take();
    std::string name = in.name();
    if (prefix == '#') {
        if (name != "MDL" || !in.accept('?'))
            return false;
        info(out, m_options.identity);
        return true;
    }

    if (name == "MCD")
        return booleanSetting(in, m_working.dialupRetr, out);
    if (name == "MCF")
        return booleanSetting(in, m_working.faxRecv, out);
    if (name == "MCL")
        return booleanSetting(in, m_working.localMode, out);
    if (name == "MCM")
        return booleanSetting(in, m_working.callMonitor, out);
    if (name == "MCV")
        return booleanSetting(in, m_working.voiceRecv, out);
    if (name == "MCS")
        return booleanSetting(in, m_selfMode, out);
    if (name == "MCP") {
        if (in.accept('?')) {
            info(out, m_working.password);
            return true;
        }
        if (!in.accept('='))
            return false;
        // The password is the rest of the line, blanks and all.
        std::string pw = in.rest();
        if (pw.size() > kMaxTextSetting)
            return false;
        m_working.password = pw;
        return true;
    }
    if (name == "MCR") {
        if (in.accept('?')) {
            info(out, std::to_string(m_working.rings));
            return true;
        }
        if (!in.accept('='))
            return false;
        auto v = in.number();
        if (!v || *v < kMinRings || *v > kMaxRings)
            return false;
        m_working.rings = *v;
        return true;
    }
    if (name == "MFI") {
        if (in.accept('?')) {
            info(out, "\"" + m_working.faxId + "\"");
            return true;
        }
        if (!in.accept('='))
            return false;
        auto id = in.quoted();
        if (!id || id->size() > kMaxTextSetting)
            return false;
        m_working.faxId = *id;
        return true;
    }
    if (name == "MCW") {
        m_stored = m_working;
        return true;
    }
    if (name == "MEM") {
        m_memory.clear();
        m_watched = 0;
        return true;
    }
    if (name == "MCC") {
        if (in.accept('?')) {
            info(out, m_clock.queryText());
            return true;
        }
        if (!in.accept('=')) {
            m_clock.set(ClockValue{}); // plain "+MCC" restarts the counter from zero
            return true;
        }
        ClockValue v;
        int* fields[] = {&v.day, &v.hour, &v.minute, &v.second};
        for (int i = 0; i < 4; ++i) {
            if (i > 0 && !in.accept(','))
                return false;
            auto n = in.number();
            if (!n)
                return false;
            *fields[i] = *n;
        }
        if (!ModemClock::valid(v))
            return false;
        m_clock.set(v);
        return true;
    }
    if (name == "MSR") {
        if (!in.accept('='))
            return false;
        auto n = in.number();
        return n && status(*n, out);
    }
    if (name == "MTP") {
        if (!in.accept('='))
            return false;
        auto n = in.number();
        return n && *n < MessageMemory::kBlocks && transferBlock(*n, out, reply);
    }
    if (name == "MVP")
        return playback(in, out);
    return false;
}

bool CommandProcessor::status(int index, std::vector<Part>& out)
{
    m_watched = 0;
    if (index == 0) {
        info(out, m_memory.statusLine());
        return true;
    }
    if (std::size_t(index) > m_memory.count())
        return false;
    info(out, m_memory.entryLine(std::size_t(index)));
    m_watched = std::size_t(index);
    m_watchedDelivered.clear();
    return true;
}

bool CommandProcessor::transferBlock(int block, std::vector<Part>& out, Reply& reply)
{
    // The text goes into the stored message, so this answer and every later one agree with it.
    if (hits(m_faults.okInData, block))
        m_memory.overwrite(block, m_faults.okInData.offset, m_faults.okInDataText);
    auto plain = m_memory.block(block);
    std::string data(plain.begin(), plain.end());
    bool complete = true;
    if (hits(m_faults.cutShort, block)) {
        data.resize(std::min(data.size(), m_faults.cutShort.offset));
        complete = false;
    }
    if (hits(m_faults.lineDead, block)) {
        data.resize(std::min(data.size(), m_faults.lineDead.offset));
        reply.deadAfter = true;
        complete = false;
    }
    // Two bytes (CR LF) lead the block; the final result line follows it.
    out.push_back(Part{true, m_verbose, "\r\n" + data, complete ? block : -1});
    return true;
}

std::string CommandProcessor::blockAsSent(int n) const
{
    auto plain = m_memory.block(n);
    std::string data(plain.begin(), plain.end());
    const BlockFault& f = m_faults.okInData;
    if (f.enabled && f.times != 0 && (f.block < 0 || f.block == n))
        overlayOk(data, f.offset, m_faults.okInDataText);
    return data;
}

bool CommandProcessor::playback(Line& in, std::vector<Part>& out)
{
    (void)out;
    if (in.accept('=')) {
        auto n = in.number();
        if (!n)
            return false;
        m_playback.push_back("+MVP=" + std::to_string(*n));
        // Played over the line counts as listened to.
        if (*n >= 1 && std::size_t(*n) <= m_memory.count() && m_memory.entry(std::size_t(*n)).state == 255)
            m_memory.setState(std::size_t(*n), 253);
        return true;
    }
    auto n = in.number();
    m_playback.push_back(n ? "+MVP" + std::to_string(*n) : "+MVP");
    return true;
}

void CommandProcessor::blockDelivered(int block)
{
    ++m_blocksSent;
    markDownloaded(block);
    arriveWhere(
        [this](const Arrival& a) { return a.when == Arrival::When::AfterBlock && a.count <= m_blocksSent; });
}

void CommandProcessor::markDownloaded(int block)
{
    if (m_watched == 0 || m_watched > m_memory.count())
        return;
    m_watchedDelivered.insert(block);
    for (int b : m_memory.blocksOf(m_watched)) {
        if (!m_watchedDelivered.count(b))
            return;
    }
    m_memory.setState(m_watched, 252);
    m_watched = 0;
}

void CommandProcessor::arriveDue(long elapsedMs)
{
    arriveWhere([elapsedMs](const Arrival& a) {
        return a.when == Arrival::When::AfterSeconds && long(a.count) * 1000 <= elapsedMs;
    });
}

long CommandProcessor::msToNextArrival(long elapsedMs) const
{
    long next = -1;
    for (const Arrival& a : m_arrivals) {
        if (a.when != Arrival::When::AfterSeconds)
            continue;
        long in = std::max(0L, long(a.count) * 1000 - elapsedMs);
        next = next < 0 ? in : std::min(next, in);
    }
    return next;
}

void CommandProcessor::arriveWhere(const std::function<bool(const Arrival&)>& due)
{
    for (auto it = m_arrivals.begin(); it != m_arrivals.end();) {
        if (!due(*it)) {
            ++it;
            continue;
        }
        arrive(it->message);
        it = m_arrivals.erase(it);
    }
}

bool CommandProcessor::arrive(const StoredMessage& message)
{
    try {
        m_memory.add(message, m_clock.value());
        return true;
    }
    catch (const std::runtime_error&) {
        return false; // a full memory takes no more calls, as the real modem
    }
}

} // namespace zarvo::emu
