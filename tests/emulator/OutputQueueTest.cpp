// SPDX-License-Identifier: GPL-3.0-or-later
// Pacing and chunking of the modem's output, driven with explicit times into a pipe.
#include "OutputQueue.h"
#include "Pty.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace zarvo::emu {
namespace {

using namespace std::chrono_literals;
using Status = OutputQueue::Status;

struct Pipe {
    Pipe()
    {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_NONBLOCK), 0);
        in.reset(fds[0]);
        out.reset(fds[1]);
    }
    std::string take()
    {
        std::string s;
        char buf[65536];
        ssize_t n;
        while ((n = ::read(in.get(), buf, sizeof buf)) > 0)
            s.append(buf, std::size_t(n));
        return s;
    }
    UniqueFd in, out;
};

TEST(OutputQueue, UnpacedWritesEverythingAtOnce)
{
    Pipe p;
    OutputQueue q;
    int done = 0;
    q.push("\r\nOK\r\n", [&] { ++done; });
    q.push("more");
    auto t0 = OutputQueue::Clock::time_point{} + 1h;
    EXPECT_EQ(q.write(p.out.get(), t0).status, Status::Idle);
    EXPECT_EQ(p.take(), "\r\nOK\r\nmore");
    EXPECT_EQ(done, 1);
    EXPECT_TRUE(q.empty());
}

TEST(OutputQueue, ChunksWaitTheirPause)
{
    Pipe p;
    OutputQueue q;
    q.setChunking(4, 30);
    q.push("0123456789");
    auto t0 = OutputQueue::Clock::time_point{} + 1h;
    auto r = q.write(p.out.get(), t0);
    EXPECT_EQ(r.status, Status::WaitUntil);
    EXPECT_EQ(r.until, t0 + 30ms);
    EXPECT_EQ(p.take(), "0123");
    EXPECT_EQ(q.write(p.out.get(), t0 + 29ms).status, Status::WaitUntil);
    EXPECT_EQ(p.take(), "");
    r = q.write(p.out.get(), t0 + 30ms);
    EXPECT_EQ(r.until, t0 + 60ms);
    EXPECT_EQ(p.take(), "4567");
    EXPECT_EQ(q.write(p.out.get(), t0 + 60ms).status, Status::Idle);
    EXPECT_EQ(p.take(), "89");
    // The next reply starts without a pause.
    q.push("ab");
    EXPECT_EQ(q.write(p.out.get(), t0 + 61ms).status, Status::Idle);
    EXPECT_EQ(p.take(), "ab");
}

TEST(OutputQueue, PacingSendsBaudOverTenBytesPerSecond)
{
    Pipe p;
    OutputQueue q;
    q.setPacing(57600); // 5760 bytes a second
    q.push(std::string(20000, 'x'));
    auto t0 = OutputQueue::Clock::time_point{} + 1h;
    std::size_t total = 0;
    auto t = t0;
    for (int ms = 0; ms <= 1000; ++ms) {
        t = t0 + std::chrono::milliseconds(ms);
        q.write(p.out.get(), t);
        total += p.take().size();
    }
    EXPECT_GE(total, 5760u);
    EXPECT_LE(total, 5762u);
    // A whole block takes about 5.7 seconds.
    for (int ms = 1001; !q.empty(); ++ms)
        q.write(p.out.get(), t = t0 + std::chrono::milliseconds(ms)), total += p.take().size();
    EXPECT_EQ(total, 20000u);
    EXPECT_NEAR(std::chrono::duration<double>(t - t0).count(), 20000 / 5760.0, 0.01);
}

TEST(OutputQueue, DeadAfterDropsTheRest)
{
    Pipe p;
    OutputQueue q;
    q.push("cut", {}, true);
    q.push("never");
    EXPECT_EQ(q.write(p.out.get(), OutputQueue::Clock::now()).status, Status::LineDead);
    EXPECT_EQ(p.take(), "cut");
    EXPECT_TRUE(q.empty());
}

TEST(OutputQueue, FullPipeWaitsForWritable)
{
    Pipe p;
    OutputQueue q;
    q.push(std::string(1 << 20, 'y'));
    EXPECT_EQ(q.write(p.out.get(), OutputQueue::Clock::now()).status, Status::WaitWritable);
    std::size_t total = p.take().size();
    while (!q.empty()) {
        q.write(p.out.get(), OutputQueue::Clock::now());
        total += p.take().size();
    }
    EXPECT_EQ(total, std::size_t(1 << 20));
}

} // namespace
} // namespace zarvo::emu
