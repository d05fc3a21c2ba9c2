// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>

namespace zarvo::emu {

// Bytes on their way from the modem to the computer: paced at baud / 10 bytes per second when
// pacing is on, and optionally cut into chunks with pauses between them.
class OutputQueue {
  public:
    using Clock = std::chrono::steady_clock;

    enum class Status {
        Idle,         // nothing left to write
        WaitWritable, // the pty is full: wait for POLLOUT
        WaitUntil,    // more may go at `until`
        LineDead,     // a reply marked deadAfter was written: the modem stops answering
        Broken,       // the write failed (no reader any more)
    };
    struct Result {
        Status status = Status::Idle;
        Clock::time_point until{};
    };

    void setPacing(int baud);
    void setChunking(std::size_t size, int pauseMs);

    // Queues one reply. onWritten runs once its last byte went out; deadAfter ends the modem's
    // output after it. Its first byte goes no earlier than delayMs after the bytes before it.
    void push(std::string bytes, std::function<void()> onWritten = {}, bool deadAfter = false,
              int delayMs = 0);
    void clear();
    bool empty() const { return m_segments.empty(); }

    // Writes what is due at `now` to fd.
    Result write(int fd, Clock::time_point now);

  private:
    struct Segment {
        std::string bytes;
        std::size_t pos = 0;
        int pauseMs = 0;
        bool started = false;
        Clock::time_point notBefore{};
        std::function<void()> onWritten;
        bool deadAfter = false;
    };

    std::deque<Segment> m_segments;
    std::chrono::nanoseconds m_perByte{0};
    Clock::time_point m_nextByte{};
    bool m_paceFromNow = true;
    std::size_t m_chunkSize = 0;
    int m_chunkPauseMs = 0;
};

} // namespace zarvo::emu
