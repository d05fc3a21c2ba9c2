// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModemEmulator.h"

#include "CommandProcessor.h"
#include "OutputQueue.h"
#include "Pty.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>
#include <utility>

namespace zarvo::emu {

namespace {

// How often to look whether someone opened the slave while nobody holds it: the master reports
// POLLHUP continuously then, so poll() cannot wait on it.
constexpr auto kIdleRecheck = std::chrono::milliseconds(5);
constexpr std::size_t kMaxLine = 512;

} // namespace

struct ModemEmulator::Impl {
    explicit Impl(EmulatorOptions o) : options(std::move(o)), processor(options) {}

    void run();
    bool readInput(bool listening);
    void onLine(const std::string& line);
    void waitWake(int timeoutMs);
    // Lets the timed arrivals that are due come in; how long until the next one (-1: none left).
    int arrivals();

    EmulatorOptions options;

    mutable std::mutex mutex; // guards everything below up to the thread-only part
    mutable std::condition_variable transcriptChanged;
    CommandProcessor processor;
    std::vector<std::string> transcript;
    std::ofstream transcriptFile;
    bool dead = false;

    // Owned by the serving thread once it runs.
    std::unique_ptr<Pty> pty;
    SymLink link;
    UniqueFd wakeRead;
    UniqueFd wakeWrite;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::atomic<int> lineDrops{0};
    std::chrono::steady_clock::time_point started;
    OutputQueue output;
    std::string lineBuffer;
};

ModemEmulator::ModemEmulator(EmulatorOptions options) : d(std::make_unique<Impl>(std::move(options))) {}

ModemEmulator::~ModemEmulator()
{
    stop();
}

void ModemEmulator::start()
{
    if (d->thread.joinable())
        return;
    d->pty = std::make_unique<Pty>();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("pipe2 failed");
    d->wakeRead.reset(fds[0]);
    d->wakeWrite.reset(fds[1]);
    if (!d->options.transcriptFile.empty()) {
        d->transcriptFile.open(d->options.transcriptFile, std::ios::app);
        if (!d->transcriptFile)
            throw std::runtime_error("cannot open transcript file " + d->options.transcriptFile);
    }
    if (!d->options.linkPath.empty())
        d->link = SymLink(d->pty->slavePath(), d->options.linkPath);
    d->output.setPacing(d->options.baud);
    {
        std::lock_guard lock(d->mutex);
        d->output.setChunking(d->processor.faults().chunkSize, d->processor.faults().chunkPauseMs);
    }
    d->stopping = false;
    d->started = std::chrono::steady_clock::now();
    d->thread = std::thread([this] { d->run(); });
}

void ModemEmulator::stop()
{
    if (d->thread.joinable()) {
        d->stopping = true;
        char c = 1;
        [[maybe_unused]] ssize_t n = ::write(d->wakeWrite.get(), &c, 1);
        d->thread.join();
    }
    d->link.remove();
    d->pty.reset();
    d->wakeRead.reset();
    d->wakeWrite.reset();
    if (d->transcriptFile.is_open())
        d->transcriptFile.close();
}

void ModemEmulator::Impl::waitWake(int timeoutMs)
{
    pollfd p{wakeRead.get(), POLLIN, 0};
    ::poll(&p, 1, timeoutMs);
}

int ModemEmulator::Impl::arrivals()
{
    long elapsed =
        long(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
                 .count());
    std::lock_guard lock(mutex);
    processor.arriveDue(elapsed);
    return int(std::min(processor.msToNextArrival(elapsed), long(INT_MAX)));
}

void ModemEmulator::Impl::run()
{
    bool listening = false;
    while (!stopping) {
        const int nextArrival = arrivals();
        pollfd m{pty->master(), POLLIN, 0};
        ::poll(&m, 1, 0);
        bool hangup = (m.revents & (POLLHUP | POLLERR)) != 0;
        bool heard = (m.revents & POLLIN) && readInput(!hangup);
        if (hangup) {
            // Nobody holds the slave: what the modem says now, or said and was not read, is lost.
            // (A reader may also have come and gone between two looks: its bytes are still here.)
            output.clear();
            if (listening || heard) {
                pty->flushSlaveInput();
                ++lineDrops;
            }
            listening = false;
            waitWake(int(kIdleRecheck.count()));
            continue;
        }
        listening = true;

        auto now = OutputQueue::Clock::now();
        OutputQueue::Result r = output.write(pty->master(), now);
        int timeout = -1;
        short events = POLLIN;
        switch (r.status) {
        case OutputQueue::Status::WaitWritable:
            events |= POLLOUT;
            break;
        case OutputQueue::Status::WaitUntil:
            timeout = int(std::chrono::ceil<std::chrono::milliseconds>(r.until - now).count());
            break;
        case OutputQueue::Status::Broken:
            output.clear();
            continue;
        case OutputQueue::Status::LineDead:
        case OutputQueue::Status::Idle:
            break;
        }
        if (nextArrival >= 0 && (timeout < 0 || nextArrival < timeout))
            timeout = nextArrival;
        pollfd fds[2] = {{wakeRead.get(), POLLIN, 0}, {pty->master(), events, 0}};
        ::poll(fds, 2, timeout);
    }
}

// Returns whether any byte came.
bool ModemEmulator::Impl::readInput(bool listening)
{
    char buf[4096];
    bool any = false;
    for (;;) {
        ssize_t n = ::read(pty->master(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return any; // EAGAIN, or EIO once a departed reader's bytes are consumed
        any = true;
        std::lock_guard lock(mutex);
        for (ssize_t i = 0; i < n; ++i) {
            char c = buf[i];
            if (processor.echo() && listening && !dead)
                output.push(std::string(1, c));
            if (c == '\r') {
                std::string line;
                line.swap(lineBuffer);
                onLine(line);
            }
            else if (c == '\b') {
                if (!lineBuffer.empty())
                    lineBuffer.pop_back();
            }
            else if (c != '\n' && lineBuffer.size() < kMaxLine) {
                lineBuffer += c;
            }
        }
    }
}

// Called with the mutex held.
void ModemEmulator::Impl::onLine(const std::string& line)
{
    if (line.empty())
        return;
    transcript.push_back(line);
    if (transcriptFile.is_open())
        transcriptFile << line << std::endl;
    transcriptChanged.notify_all();
    if (dead)
        return; // heard, never answered

    Reply reply = processor.execute(line);
    output.setChunking(processor.faults().chunkSize, processor.faults().chunkPauseMs);
    // A block counts as transferred once its last byte is out, before the final result line, so
    // a reader that has seen "OK" also sees the directory state it caused.
    std::size_t from = 0;
    int delayMs = reply.delayMs; // before the answer's first byte only
    for (const Reply::Delivery& delivery : reply.deliveries) {
        output.push(
            reply.bytes.substr(from, delivery.end - from),
            [this, block = delivery.block] {
                std::lock_guard lock(mutex);
                processor.blockDelivered(block);
            },
            false, std::exchange(delayMs, 0));
        from = delivery.end;
    }
    output.push(reply.bytes.substr(from), {}, reply.deadAfter, delayMs);
    if (reply.deadAfter)
        dead = true; // input is ignored from now on; the cut block still goes out
}

std::string ModemEmulator::slavePath() const
{
    return d->pty ? d->pty->slavePath() : std::string();
}

std::string ModemEmulator::portPath() const
{
    return d->link.path().empty() ? slavePath() : d->link.path();
}

std::vector<std::string> ModemEmulator::transcript() const
{
    std::lock_guard lock(d->mutex);
    return d->transcript;
}

void ModemEmulator::clearTranscript()
{
    std::lock_guard lock(d->mutex);
    d->transcript.clear();
}

bool ModemEmulator::waitForTranscript(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(d->mutex);
    return d->transcriptChanged.wait_for(lock, timeout, [&] { return d->transcript.size() >= count; });
}

void ModemEmulator::setFaults(const Faults& faults)
{
    std::lock_guard lock(d->mutex);
    d->processor.faults() = faults;
}

Faults ModemEmulator::faults() const
{
    std::lock_guard lock(d->mutex);
    return d->processor.faults();
}

int ModemEmulator::lineDrops() const
{
    return d->lineDrops;
}

bool ModemEmulator::dead() const
{
    std::lock_guard lock(d->mutex);
    return d->dead;
}

void ModemEmulator::revive()
{
    std::lock_guard lock(d->mutex);
    d->dead = false;
}

SelfModeSettings ModemEmulator::workingSettings() const
{
    std::lock_guard lock(d->mutex);
    return d->processor.working();
}

SelfModeSettings ModemEmulator::storedSettings() const
{
    std::lock_guard lock(d->mutex);
    return d->processor.stored();
}

bool ModemEmulator::selfMode() const
{
    std::lock_guard lock(d->mutex);
    return d->processor.selfMode();
}

bool ModemEmulator::echo() const
{
    std::lock_guard lock(d->mutex);
    return d->processor.echo();
}

bool ModemEmulator::verbose() const
{
    std::lock_guard lock(d->mutex);
    return d->processor.verbose();
}

std::vector<DirectoryEntry> ModemEmulator::directory() const
{
    std::lock_guard lock(d->mutex);
    return d->processor.memory().entries();
}

std::vector<std::uint8_t> ModemEmulator::block(int n) const
{
    if (n < 0 || n >= MessageMemory::kBlocks)
        return {};
    std::lock_guard lock(d->mutex);
    auto b = d->processor.memory().block(n);
    return {b.begin(), b.end()};
}

std::vector<std::uint8_t> ModemEmulator::blockAsSent(int n) const
{
    if (n < 0 || n >= MessageMemory::kBlocks)
        return {};
    std::lock_guard lock(d->mutex);
    std::string s = d->processor.blockAsSent(n);
    return {s.begin(), s.end()};
}

std::vector<std::string> ModemEmulator::playbackCommands() const
{
    std::lock_guard lock(d->mutex);
    return d->processor.playbackCommands();
}

ClockValue ModemEmulator::clock() const
{
    std::lock_guard lock(d->mutex);
    return d->processor.clock().value();
}

bool ModemEmulator::arrive(const StoredMessage& message)
{
    std::lock_guard lock(d->mutex);
    return d->processor.arrive(message);
}

void ModemEmulator::advanceClock(int seconds)
{
    std::lock_guard lock(d->mutex);
    d->processor.clock().advance(seconds);
}

} // namespace zarvo::emu
