// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

namespace zarvo {

// Days since 1899-12-30 with the time of day as fraction, so reception times add up as the
// modem's day/hour/minute counters do. NaN stands for a time that is not known.
using TDateTime = double;

// Result code beside those of the exchange: the modem refused a memory command or a block did not
// arrive whole; nothing was passed on.
inline constexpr quint8 kResultTransferFailed = 7;

// Memory status report: one byte per reply field.
struct tMemoryStatus {
    quint8 Field1 = 0;
    quint8 UsedPercent = 0;
    quint8 CountA = 0;
    quint8 Field4 = 0;
    quint8 CountB = 0;
    quint8 Field6 = 0;
    bool Flag7 = false;
    bool Flag8 = false;
};

// One directory entry. Block, PosHi and PosLo give where the message's header lies in the memory.
struct tMessageReport {
    quint8 Field1 = 0;
    quint8 MsgType = 0;
    quint8 Size = 0;
    quint8 State = 0;
    bool Downloaded = false;
    bool Listened = false;
    quint8 Field5 = 0;
    quint8 Day = 0;
    quint8 Hour = 0;
    quint8 Minute = 0;
    QString Id;
    quint8 Block = 0;
    quint8 PosHi = 0;
    quint8 PosLo = 0;
    quint8 Field13 = 0;
    TDateTime Received = 0;
};

// The modem's eight self-mode options.
struct tModemOptions {
    bool DialupRetr = false;
    bool FaxRecv = false;
    bool LocalMode = false;
    bool CallMonitor = false;
    QString DRPassword;
    quint8 RingSetup = 0;
    bool VoiceRecv = false;
    QString FaxId;

    bool operator==(const tModemOptions&) const = default;
};

} // namespace zarvo
