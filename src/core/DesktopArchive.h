// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ArchiveSettings.h"
#include "modem/ModemTypes.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace zarvo {

class RecognitionQueue;

namespace archive {
class Archive;
}
class NewMessageCommand;

// What the list knows of a message without downloading it: its directory entry's type, caller,
// reception time and size. Two entries with the same key cannot be told apart before a download.
struct EntryKey {
    int type = 0;
    QString caller;
    TDateTime received = 0;
    int size = 0;
    bool operator==(const EntryKey&) const = default;
};
EntryKey KeyOf(const tMessageReport& entry);

// The erase's question for so many messages the archive does not hold yet; empty for none.
QString EraseArchiveQuestion(int notArchived);

// The desktop program's side of the archive: stores what the program downloads, remembers per
// session which directory entries it stored, tells which rows of the list are archived, and runs
// the user's command for each message it stored first. Opens the archive on first use.
class DesktopArchive {
  public:
    explicit DesktopArchive(ArchiveSettings settings);
    ~DesktopArchive();
    DesktopArchive(const DesktopArchive&) = delete;
    DesktopArchive& operator=(const DesktopArchive&) = delete;

    const ArchiveSettings& settings() const { return m_settings; }
    // Another folder reopens the archive (and forgets the session's entries), another command
    // makes a new runner; equal settings change nothing.
    void setSettings(const ArchiveSettings& settings);

    // Where texts go: lines of the status log and the status line (German).
    std::function<void(const QString&)> log;
    std::function<void(const QString&)> status;

    struct Outcome {
        bool ok = false; // stored now or held already
        bool newlyStored = false;
        QString text; // German, for the status line and the log
    };
    // Stores message `number` as downloaded; `entry` is its directory entry when the list read one.
    Outcome store(int number, const tMessageReport* entry, const QByteArray& data);

    // The entries of a list (row n is entries[n - 1]) the archive is not known to hold: neither
    // stored in this session nor found there by kind, caller, reception time and size. An entry
    // whose key the list shows more often than it is known archived counts as not archived.
    std::vector<int> notArchived(const std::vector<tMessageReport>& entries);

  private:
    archive::Archive* open(QString* problem);
    int knownArchived(const EntryKey& key);
    void say(const QString& text);

    ArchiveSettings m_settings;
    std::unique_ptr<archive::Archive> m_archive;
    std::vector<EntryKey> m_session; // one element per stored entry, also repeated keys
    std::unique_ptr<NewMessageCommand> m_command;
    // Reads new faxes in a worker thread of idle priority; made at the first new fax.
    std::unique_ptr<RecognitionQueue> m_recognition;
    bool m_recognitionOffSaid = false;
    void recognise(const QString& id);
};

} // namespace zarvo
