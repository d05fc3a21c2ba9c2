// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/archive/ArchiveTypes.h"
#include "modem/ModemTypes.h"

#include <QByteArray>

namespace zarvo::archive {

// The archive's input for a message just downloaded from the modem: the kind from the message data
// string's type letter, caller and length from its directory entry, the reception time from the
// modem clock as local time with its offset (invalid for a restarted clock: the archive then takes
// the time of archiving).
ArchivedMessageInput inputFromModem(const tMessageReport& report, const QByteArray& messageData);

} // namespace zarvo::archive
