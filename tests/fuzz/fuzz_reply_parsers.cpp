// SPDX-License-Identifier: GPL-3.0-or-later
// Modem reply lines of any bytes through every parser that reads them: the memory status, a
// directory entry, the clock and the self-mode option values. A malformed number may only raise
// ConvertError; whatever parses must give values a caller can use (times that can be shown, a fax
// ID taken from between the quotes).

#include "common/Errors.h"
#include "modem/ZarvoFields.h"

#include <QString>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

template <typename Parse> void parsed(Parse parse)
{
    try {
        parse();
    }
    catch (const zarvo::ConvertError& e) {
        check(e.what()[0] != '\0');
    }
}

// StrToInt against the standard library: blanks, one optional sign, then digits only.
void checkNumber(const std::string& text)
{
    std::size_t i = text.find_first_not_of(' ');
    bool negative = false;
    if (i != std::string::npos && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const std::string digits = i == std::string::npos ? std::string() : text.substr(i);
    long long magnitude = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    const long long want = negative ? -magnitude : magnitude;
    const bool valid = !digits.empty() && digits[0] >= '0' && digits[0] <= '9' && ec == std::errc() &&
                       end == digits.data() + digits.size() && want >= INT32_MIN && want <= INT32_MAX;
    bool converted = true;
    int got = 0;
    try {
        got = zarvo::StrToInt(text);
    }
    catch (const zarvo::ConvertError&) {
        converted = false;
    }
    check(converted == valid && (!valid || got == want));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zarvo;
    // A reply line arrives as Latin-1 bytes up to its carriage return.
    const QString line =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QDateTime now(QDate(2024, 3, 5), QTime(7, 8, 9));

    parsed([&] { ParseMemoryStatus(line); });
    parsed([&] {
        tMessageReport report;
        ParseMessageReport(line, report);
        const TDateTime clockBase = ClockBaseFrom(now, tClockReading{});
        const TDateTime received = report.Day + clockBase + SafeEncodeTime(report.Hour, report.Minute, 0, 0);
        check(std::isfinite(received) && !ReceptionTimeText(received).isEmpty());
    });
    parsed([&] {
        const tClockReading clock = ParseClockReading(line);
        const TDateTime base = ClockBaseFrom(now, clock);
        check(std::isfinite(base) && base <= ToTDateTime(now));
        ReceptionTimeText(base);
    });
    parsed([&] { ReplyNumber(line); });
    checkNumber(line.toStdString());

    QString rest = line, field;
    CutField(rest, field);
    check(line.contains(u',') ? field + u',' + rest == line : field.isEmpty() && rest == line);

    OptionBool(line);
    const QString faxId = FaxIdFromReply(line);
    check(!faxId.contains(u'"') && line.contains(faxId));
    tModemOptions options;
    options.FaxId = faxId;
    options.DRPassword = line;
    OptionsProblem(options);
    return 0;
}
