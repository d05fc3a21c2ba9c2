// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Settings.h"

#include <QString>
#include <QtGlobal>

// The sequences of the options dialog that need no window: making a settings record current, the
// port test's texts and the checks on what the user types.
namespace zarvo {

class TZarvo;

// "Am Com<port> befindet sich kein USR Modem".
QString NoModemText(quint8 port);

// The port test's message for TestPort's result: 0 okay, 1 no valid port, 2 no modem, 3 not a
// US Robotics Message modem; other results have none (empty).
QString PortTestText(quint8 result);

// What ApplyOptions achieved.
enum class ApplyResult {
    Applied,    // connected, the options are in the modem and stored there
    NoModem,    // the new port has no modem: NoModemText was shown, `current` stays
    NotWritten, // the modem refused or could not be asked: the status bar says so
};

// Makes `wanted` current. Works on a copy with LocalMode cleared and the fax ID reduced to
// ModemTextOnly and kModemTextMax characters. When the copy's port differs from current.ComPort it
// is forced (ForcePort set) or tested; on a failed test NoModemText is shown through the message seam
// and `current` stays. Otherwise the self-mode options are written to the modem and `current` becomes
// the copy. While the copy holds no options of its own (ModemOptionsHeld false), the modem's options
// are read first and only the fields that differ from `shown` (what the user saw; by default the
// copy's own) are taken from the copy, so nothing the user left alone is changed in the modem.
ApplyResult ApplyOptions(TZarvo& zarvo, TOpts& current, const TOpts& wanted,
                         const tModemOptions* shown = nullptr);

// The status text after the start-up's port test failed with `result` (TestPort's) on `port`.
QString PortFailureText(quint8 port, quint8 result);

// The password the modem accepts: empty, or decimal digits only (no sign, no blanks).
bool PasswordAcceptable(const QString& text);

// What the modem command can carry in a quoted text: Latin-1 characters other than the double quote
// and control characters. Returns `text` with every other character removed.
QString ModemTextOnly(const QString& text);

// The longest fax ID and password the modem takes; it answers "ERROR" to longer ones.
inline constexpr int kModemTextMax = 20;

// The spin edit's range for the ring count; values outside are clamped into it.
inline constexpr int kRingSetupMin = 1;
inline constexpr int kRingSetupMax = 6;

} // namespace zarvo
