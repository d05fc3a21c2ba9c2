// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandProcessor.h"

#include <algorithm>
#include <stdexcept>

namespace zarvo::emu {

namespace {

constexpr std::size_t kMaxTextSetting = 20;
constexpr int kMinRings = 1;
constexpr int kMaxRings = 20;

} // namespace

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
    if (m_faults.swallows(line))
        return reply;
    if (m_faults.answersLate(line))
        reply.delayMs = faults().lateReplyMs;
    if (m_faults.answersError(line)) {
        reply.bytes = finalResult(false);
        return reply;
    }

    std::size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos || line.size() - start < 2 || upperCase(line.substr(start, 2)) != "AT")
        return reply; // not a command: a modem ignores it
    bool badField = m_faults.garblesField(line);

    LineTokenizer in(line, start + 2);
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
            first->text = m_faults.garbleField(first->text);
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

bool CommandProcessor::basicCommand(LineTokenizer& in, std::vector<Part>& out)
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

bool CommandProcessor::booleanSetting(LineTokenizer& in, bool& value, std::vector<Part>& out)
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

bool CommandProcessor::extendedCommand(LineTokenizer& in, std::vector<Part>& out, Reply& reply)
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
    if (m_faults.writesOkInData(block))
        m_memory.overwrite(block, faults().okInData.offset, faults().okInDataText);
    auto plain = m_memory.block(block);
    std::string data(plain.begin(), plain.end());
    bool complete = true;
    if (const auto at = m_faults.cutShortAt(block)) {
        data.resize(std::min(data.size(), *at));
        complete = false;
    }
    if (const auto at = m_faults.lineDeadAt(block)) {
        data.resize(std::min(data.size(), *at));
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
    return m_faults.withPendingOk(std::string(plain.begin(), plain.end()), n);
}

bool CommandProcessor::playback(LineTokenizer& in, std::vector<Part>& out)
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
    markDownloaded(block);
    arriveAll(m_arrivals.blockSent());
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
    arriveAll(m_arrivals.dueAt(elapsedMs));
}

long CommandProcessor::msToNextArrival(long elapsedMs) const
{
    return m_arrivals.msToNext(elapsedMs);
}

void CommandProcessor::arriveAll(const std::vector<StoredMessage>& messages)
{
    for (const StoredMessage& message : messages)
        arrive(message);
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
