// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the new-message notice and of the tray's tip.
#include "core/NoticeSender.h"

#include "core/MessageList.h"

#include <QStringList>

namespace zarvo {

Notice NoticeFor(const std::vector<tMessageReport>& fresh)
{
    Notice notice;
    const int count = static_cast<int>(fresh.size());
    notice.Summary =
        count == 1 ? QStringLiteral("Neue Nachricht") : QStringLiteral("%1 neue Nachrichten").arg(count);
    QStringList lines;
    for (const tMessageReport& report : fresh) {
        const MessageRow row = MessageRowFor(report);
        QStringList parts;
        for (const QString& part : {row[0], row[1].trimmed(), row[5]})
            if (!part.isEmpty())
                parts << part;
        lines << parts.join(QStringLiteral(", "));
    }
    notice.Body = lines.join(u'\n');
    return notice;
}

QString TrayHintFor(int unheard)
{
    if (unheard <= 0)
        return QStringLiteral("Zarvo");
    if (unheard == 1)
        return QStringLiteral("Zarvo - 1 neue Nachricht");
    return QStringLiteral("Zarvo - %1 neue Nachrichten").arg(unheard);
}

} // namespace zarvo
