// SPDX-License-Identifier: GPL-3.0-or-later
// Prints the process CPU time the modem component uses while it waits for the modem: a command
// without reply wait (fixed 500 ms pause) and a query whose reply never comes (full time limit).
#include "ModemEmulator.h"
#include "modem/Zarvo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

template <typename F> void measure(const char* what, F&& f)
{
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    f();
    const double cpu = cpuSeconds() - cpu0;
    std::printf("%-44s wall %7.3f s   cpu %7.4f s   (%.2f%% of wall)\n", what,
                static_cast<double>(wall.elapsed()) / 1000.0, cpu,
                100.0 * cpu * 1000.0 / static_cast<double>(wall.elapsed()));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    zarvo::emu::EmulatorOptions options;
    options.echo = false;
    options.faults.noReply.match = "+MSR=0";
    options.linkPath = home.filePath("modem").toStdString();
    zarvo::emu::ModemEmulator modem(options);
    modem.start();
    qputenv("ZARVO_HOME", home.path().toUtf8());
    QFile ini(home.filePath("ZARVO2.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[Ports]\nCOM1=" + QByteArray::fromStdString(modem.portPath()) + "\n");
    ini.close();

    zarvo::TZarvo z;
    z.MainPort->SetComPort(zarvo::pnCOM1);
    // The emulator thread's own CPU counts too; it idles in poll().
    measure("command without reply wait (500 ms pause)",
            [&] { z.SendCommand("ATE0V1+MSR=0", false, false); });
    z.SetReplyTimeout(10000);
    measure("query never answered (10 s time limit)", [&] { z.SendCommand("ATE0V1+MSR=0", true, true); });
    measure("answered command (AT, reply wait)", [&] { z.SendCommand("AT", true, false); });
    return 0;
}
