// SPDX-License-Identifier: GPL-3.0-or-later
// Prints what downloading a five-block message costs: wall time against the line's own time at
// 57600 baud and against a plain blocking reader of the same emulated modem (which shows what the
// emulator's pacing really delivers on a loaded machine), and CPU time (whole process, and the
// thread the modem component runs on) paced and unpaced. The emulator runs on a thread of its own.
#include "MessageBuilder.h"
#include "ModemEmulator.h"
#include "modem/Zarvo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kBlocks = 5;
constexpr double kAnswerBytes = 2 + 32768 + 6; // lead bytes, block, final line

double cpuSeconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct Figures {
    double wall = 0;
    double processCpu = 0;
    double threadCpu = 0;
    bool ok = false;
};

zarvo::emu::EmulatorOptions modemOptions(int baud, const QTemporaryDir& home)
{
    std::mt19937 gen(1);
    std::vector<std::uint8_t> bytes(kBlocks * 32768 - 5000);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(gen());
    zarvo::emu::EmulatorOptions options;
    options.echo = false;
    options.baud = baud;
    options.messages.push_back(zarvo::emu::dataMessage(bytes));
    options.linkPath = home.filePath("modem").toStdString();
    return options;
}

// The same block answers read by a bare blocking reader: the emulator's own delivery time.
double rawSeconds(int baud)
{
    QTemporaryDir home;
    zarvo::emu::ModemEmulator modem(modemOptions(baud, home));
    modem.start();
    const int fd = ::open(modem.slavePath().c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    QElapsedTimer wall;
    wall.start();
    char buf[4096];
    for (int block = 0; block < kBlocks; ++block) {
        const std::string cmd = "ATE0V1+MTP=" + std::to_string(block) + "\r";
        if (::write(fd, cmd.data(), cmd.size()) != static_cast<ssize_t>(cmd.size()))
            break;
        for (double got = 0; got < kAnswerBytes;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
            got += static_cast<double>(n);
        }
    }
    ::close(fd);
    return static_cast<double>(wall.elapsed()) / 1000.0;
}

Figures download(int baud)
{
    QTemporaryDir home;
    zarvo::emu::ModemEmulator modem(modemOptions(baud, home));
    modem.start();
    qputenv("ZARVO_HOME", home.path().toUtf8());
    QFile ini(home.filePath("ZARVO2.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return {};
    ini.write("[Ports]\nCOM1=" + QByteArray::fromStdString(modem.portPath()) + "\n");
    ini.close();

    zarvo::TZarvo z;
    z.MainPort->SetComPort(zarvo::pnCOM1);
    z.ModemFound = true;
    z.ClockRead = true; // the download alone, without the first clock query

    Figures f;
    QByteArray data;
    QElapsedTimer wall;
    wall.start();
    const double process0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double thread0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    f.ok = z.GetMessage(1, data) == 0 && z.CachedBlock == kBlocks - 1;
    f.threadCpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0;
    f.processCpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0;
    f.wall = static_cast<double>(wall.elapsed()) / 1000.0;
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    const double raw = rawSeconds(57600);
    const Figures paced = download(57600);
    const double lineTime = kBlocks * kAnswerBytes / 5760.0;
    std::printf("5 blocks at 57600 baud: %s\n", paced.ok ? "ok" : "FAILED");
    std::printf("  wall %.2f s; line time %.2f s; a bare reader of the emulator %.2f s\n", paced.wall,
                lineTime, raw);
    std::printf("  overhead over the bare reader %.2f s (%.2f s a block)\n", paced.wall - raw,
                (paced.wall - raw) / kBlocks);
    std::printf("  cpu: process %.3f s, modem thread %.3f s (%.2f%% of wall)\n", paced.processCpu,
                paced.threadCpu, 100.0 * paced.threadCpu / paced.wall);

    const Figures fast = download(0);
    std::printf("5 blocks unpaced: %s\n", fast.ok ? "ok" : "FAILED");
    std::printf("  wall %.2f s (%.2f s a block), cpu a block: process %.4f s, modem thread %.4f s\n",
                fast.wall, fast.wall / kBlocks, fast.processCpu / kBlocks, fast.threadCpu / kBlocks);
    return paced.ok && fast.ok ? 0 : 1;
}
