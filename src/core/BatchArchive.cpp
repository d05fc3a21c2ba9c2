// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/BatchArchive.h"

#include "core/archive/Archive.h"
#include "core/archive/ModemInput.h"

#include <QFileInfo>

namespace zarvo {

ArchiveSink::ArchiveSink(archive::Archive& archive) : m_archive(archive) {}

QString ArchiveSink::Place() const
{
    return m_archive.folder().endsWith(u'/') ? m_archive.folder() : m_archive.folder() + u'/';
}

QString ArchiveSink::Store(int number, const MessageRow& row, const tMessageReport* entry,
                           const QByteArray& data, bool& alreadyThere)
{
    archive::ArchivedMessageInput input;
    if (entry) {
        input = archive::inputFromModem(*entry, data);
    }
    else {
        // No entry read: what the list showed; the archive takes the time of archiving.
        input.kind = archive::kindFromLetter(data.at(0));
        input.caller = row[1];
        input.downloaded = data;
    }
    const archive::AddResult result = m_archive.add(input);
    if (result.failed())
        return QStringLiteral("Nachricht %1 konnte nicht archiviert werden: %2")
            .arg(number)
            .arg(result.reason);
    alreadyThere = result.alreadyThere();
    if (result.newlyStored()) {
        m_new.push_back(StoredMessage(input, result));
    }
    return QString();
}

archive::ArchivedMessage StoredMessage(const archive::ArchivedMessageInput& input,
                                       const archive::AddResult& result)
{
    archive::ArchivedMessage stored;
    stored.id = result.id;
    stored.kind = input.kind;
    stored.caller = input.caller;
    stored.received = input.received;
    stored.amount = input.amount;
    stored.files = result.files;
    return stored;
}

NewMessageInfo NewMessageInfoFor(const archive::ArchivedMessage& message)
{
    NewMessageInfo info;
    info.id = message.id;
    info.caller = message.caller;
    info.received = message.received;
    info.kind = message.kind;
    if (message.kind == archive::MessageKind::Voice)
        info.seconds = message.amount;
    else if (message.kind == archive::MessageKind::Fax)
        info.pages = message.amount;
    for (const QString& file : message.files) {
        const QString suffix = QFileInfo(file).suffix().toLower();
        if (suffix == QStringLiteral("pdf"))
            info.pdf = file;
        else if (suffix == QStringLiteral("wav") || suffix == QStringLiteral("tif") ||
                 suffix == QStringLiteral("dat"))
            info.file = file;
    }
    return info;
}

} // namespace zarvo
