#pragma once

#include "app/core/Settings.h"

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

// Makes `wanted` current. Works on a copy with LocalMode cleared and the fax ID reduced to
// ModemTextOnly. When the copy's port differs from
// current.ComPort it is forced (ForcePort set) or tested; on success, or with the port unchanged,
// the self-mode options are written to the modem and `current` becomes the copy. On a failed test
// NoModemText is shown through the message seam and `current` stays. Returns success.
bool ApplyOptions(TZarvo& zarvo, TOpts& current, const TOpts& wanted);

// The password the modem accepts: empty, or a text that converts to an integer.
bool PasswordAcceptable(const QString& text);

// What the modem command can carry in a quoted text: Latin-1 characters other than the double quote
// and control characters. Returns `text` with every other character removed.
QString ModemTextOnly(const QString& text);

// The spin edit's range for the ring count; values outside are clamped into it.
inline constexpr int kRingSetupMin = 1;
inline constexpr int kRingSetupMax = 6;

} // namespace zarvo
