// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModemClock.h"

#include <ctime>

namespace zarvo::emu {

namespace {

constexpr std::int64_t kDay = 86400;

std::int64_t toSeconds(const ClockValue& v)
{
    return v.day * kDay + v.hour * 3600 + v.minute * 60 + v.second;
}

} // namespace

ModemClock::ModemClock(std::optional<ClockValue> start, bool unset, bool running)
    : m_set(!unset), m_running(running), m_setAt(std::chrono::steady_clock::now())
{
    if (m_set)
        m_base = toSeconds(start ? *start : hostNow());
}

std::int64_t ModemClock::elapsedSeconds() const
{
    if (!m_running)
        return 0;
    auto dt = std::chrono::steady_clock::now() - m_setAt;
    return std::chrono::duration_cast<std::chrono::seconds>(dt).count();
}

ClockValue ModemClock::value() const
{
    if (!m_set)
        return {};
    std::int64_t s = m_base + elapsedSeconds();
    return ClockValue{static_cast<int>(s / kDay), static_cast<int>(s % kDay / 3600),
                      static_cast<int>(s % 3600 / 60), static_cast<int>(s % 60)};
}

void ModemClock::set(const ClockValue& v)
{
    m_set = true;
    m_base = toSeconds(v);
    m_setAt = std::chrono::steady_clock::now();
}

void ModemClock::advance(int seconds)
{
    if (m_set)
        m_base += seconds;
}

std::string ModemClock::queryText() const
{
    if (!m_set)
        return "255,255,255,255";
    ClockValue v = value();
    return std::to_string(v.day) + "," + std::to_string(v.hour) + "," + std::to_string(v.minute) + "," +
           std::to_string(v.second);
}

bool ModemClock::valid(const ClockValue& v)
{
    return v.day >= 0 && v.day <= 254 && v.hour >= 0 && v.hour <= 23 && v.minute >= 0 && v.minute <= 59 &&
           v.second >= 0 && v.second <= 59;
}

ClockValue ModemClock::hostNow()
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return ClockValue{tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

} // namespace zarvo::emu
