// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/BatchSave.h"
#include "core/NewMessageCommand.h"
#include "core/archive/ArchiveTypes.h"

#include <QString>

#include <vector>

namespace zarvo {

namespace archive {
class Archive;
}

// The archive as a batch run's sink: each downloaded message is stored once; the same bytes again
// (a second run, a renumbered memory) count as saved without writing anything.
class ArchiveSink : public MessageSink {
  public:
    explicit ArchiveSink(archive::Archive& archive);
    QString Place() const override;
    QString Store(int number, const MessageRow& row, const tMessageReport* entry, const QByteArray& data,
                  bool& alreadyThere) override;

    // The messages this sink stored for the first time, in order: the command and the text
    // recognition run for these only.
    const std::vector<archive::ArchivedMessage>& NewlyStored() const { return m_new; }

  private:
    archive::Archive& m_archive;
    std::vector<archive::ArchivedMessage> m_new;
};

// A message as the archive has just stored it, from what went in and what came back.
archive::ArchivedMessage StoredMessage(const archive::ArchivedMessageInput& input,
                                       const archive::AddResult& result);

// What a message tells the command for new messages.
NewMessageInfo NewMessageInfoFor(const archive::ArchivedMessage& message);

} // namespace zarvo
