// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/archive/ModemInput.h"

#include "modem/ZarvoFields.h"

namespace zarvo::archive {

ArchivedMessageInput inputFromModem(const tMessageReport& report, const QByteArray& messageData)
{
    ArchivedMessageInput in;
    in.kind = messageData.isEmpty() ? MessageKind::Unknown : kindFromLetter(messageData.at(0));
    in.caller = report.Id;
    in.amount = report.Size;
    in.downloaded = messageData;
    QDate date;
    QTime time;
    if (FromTDateTime(report.Received, date, time)) {
        const QDateTime local(date, time);
        in.received = local.toOffsetFromUtc(local.offsetFromUtc());
    }
    return in;
}

} // namespace zarvo::archive
