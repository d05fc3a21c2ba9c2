// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputQueue.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace zarvo::emu {

namespace {

// Upper bound of one write() while paced, so pacing stays smooth after a late wake-up.
constexpr std::size_t kPacedBurst = 256;
constexpr auto kMaxCatchUp = std::chrono::milliseconds(20);

} // namespace

void OutputQueue::setPacing(int baud)
{
    // Ten bit times per byte: start bit, eight data bits, stop bit.
    m_perByte = baud > 0 ? std::chrono::nanoseconds(10'000'000'000LL / baud) : std::chrono::nanoseconds(0);
}

void OutputQueue::setChunking(std::size_t size, int pauseMs)
{
    m_chunkSize = size;
    m_chunkPauseMs = std::max(0, pauseMs);
}

void OutputQueue::push(std::string bytes, std::function<void()> onWritten, bool deadAfter, int delayMs)
{
    if (bytes.empty() && !onWritten && !deadAfter)
        return;
    if (m_segments.empty())
        m_paceFromNow = true;
    std::size_t chunk = m_chunkSize > 0 ? m_chunkSize : std::max<std::size_t>(bytes.size(), 1);
    std::size_t pos = 0;
    do {
        Segment s;
        s.bytes = bytes.substr(pos, chunk);
        s.pauseMs = pos > 0 ? m_chunkPauseMs : std::max(0, delayMs);
        pos += chunk;
        if (pos >= bytes.size()) {
            s.onWritten = std::move(onWritten);
            s.deadAfter = deadAfter;
        }
        m_segments.push_back(std::move(s));
    } while (pos < bytes.size());
}

void OutputQueue::clear()
{
    m_segments.clear();
    m_paceFromNow = true;
}

OutputQueue::Result OutputQueue::write(int fd, Clock::time_point now)
{
    while (!m_segments.empty()) {
        Segment& s = m_segments.front();
        if (!s.started) {
            s.started = true;
            s.notBefore = now + std::chrono::milliseconds(s.pauseMs);
        }
        if (now < s.notBefore)
            return {Status::WaitUntil, s.notBefore};

        std::size_t n = s.bytes.size() - s.pos;
        if (m_perByte.count() > 0 && n > 0) {
            // After a quiet spell, or a late wake-up, pacing goes on from now instead of sending
            // a saved-up burst.
            if (m_paceFromNow || m_nextByte + kMaxCatchUp < now)
                m_nextByte = now;
            m_paceFromNow = false;
            if (m_nextByte > now)
                return {Status::WaitUntil, m_nextByte};
            auto due = std::size_t((now - m_nextByte) / m_perByte) + 1;
            n = std::min({n, due, kPacedBurst});
        }
        if (n > 0) {
            ssize_t w = ::write(fd, s.bytes.data() + s.pos, n);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    return {Status::WaitWritable, {}};
                return {Status::Broken, {}};
            }
            s.pos += std::size_t(w);
            if (m_perByte.count() > 0)
                m_nextByte += m_perByte * w;
            if (s.pos < s.bytes.size())
                continue;
        }
        auto done = std::move(s.onWritten);
        bool dead = s.deadAfter;
        m_segments.pop_front();
        if (done)
            done();
        if (dead) {
            m_segments.clear();
            return {Status::LineDead, {}};
        }
    }
    return {Status::Idle, {}};
}

} // namespace zarvo::emu
