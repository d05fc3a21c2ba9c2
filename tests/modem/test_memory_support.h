// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the memory, download and options tests: a modem component found on COM1 of the
// emulator fixture, with recording targets and a fixed computer clock.
#include "EmulatorFixture.h"
#include "Recording.h"
#include "modem/Zarvo.h"

#include <QLocale>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <random>

namespace zarvo::test {

using Lines = std::vector<std::string>;

// The computer's clock in these tests: 5 March 2024, 07:08:09.
inline const QDateTime kNow(QDate(2024, 3, 5), QTime(7, 8, 9));

// A quiet modem (echo off, as detection leaves it) whose clock stands at the reading it would
// have if set at kNow with the day of the month.
inline emu::EmulatorOptions QuietModem(std::vector<emu::StoredMessage> messages = {})
{
    emu::EmulatorOptions o;
    o.echo = false;
    o.clockRunning = false;
    o.clockStart = emu::ClockValue{5, 7, 8, 9};
    o.messages = std::move(messages);
    return o;
}

struct Component {
    Component()
    {
        z.ReportMemo = &log;
        z.StatusPanel = &status;
        z.MainPort->SetComPort(pnCOM1);
        z.ProbePort->SetComPort(pnCOM1);
        z.ModemFound = true;
        z.NowSource = [] { return kNow; };
    }
    // Status texts without the progress figures.
    QStringList texts() const { return status.history.filter(QRegularExpression(QStringLiteral("[^%]$"))); }
    RecordingReport log;
    RecordingStatus status;
    TZarvo z;
};

inline std::vector<std::uint8_t> Noise(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<std::uint8_t>(gen());
    return v;
}

inline QByteArray Bytes(const std::vector<std::uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

// Reception times in the tests read as on a German desktop.
class GermanLocale : public ::testing::Test {
  protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void TearDown() override { QLocale::setDefault(m_saved); }

  private:
    QLocale m_saved;
};

} // namespace zarvo::test
