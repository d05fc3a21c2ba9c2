// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MessageList.h"
#include "modem/ModemTypes.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace zarvo {

class AnnouncedMessages;

// Two directory entries name the same message: type, caller, reception time, size and place in the
// memory agree (the flags "Abgehört" and "Eingelesen" may differ).
bool SameMessage(const tMessageReport& a, const tMessageReport& b);

// The modem's messages as the program last saw them, in one place: the list the window shows (its
// rows and the entry count it was built for), the directory as last read by the list or the poll,
// the number of messages not listened to, and which of them a notice already named. The window's
// list fills from it, the poll updates it, the tray and the notice read it; Changed tells them.
class Inbox : public QObject {
    Q_OBJECT
  public:
    // `announcedFile` keeps the announced set across restarts; empty keeps it in memory only.
    explicit Inbox(const QString& announcedFile = {}, QObject* parent = nullptr);
    ~Inbox() override;

    // From now on the announced set lives in `file` (loaded now). What the list already showed
    // counts as announced there as well.
    void UseAnnouncedFile(const QString& file);

    // --- The list as the window shows it ---
    // The window read the memory status and the directory. A whole directory also becomes the
    // directory the poll knows, and its unheard entries count as announced: the list showed them.
    void SetList(const MessageListData& list);
    // The list must be read again at the next check (the memory was erased, a batch run saved).
    void Invalidate();
    // Entries the shown list was built for; -1 before a list or when its status query failed.
    int MessageCount() const { return m_messageCount; }
    int UsedPercent() const { return m_usedPercent; }
    const std::vector<MessageRow>& Rows() const { return m_rows; }

    // --- The directory as last read (list or poll) ---
    bool Known() const { return m_known; }
    const std::vector<tMessageReport>& Directory() const { return m_directory; }
    // The poll read the directory: `directory` is all of it now. Entries from `firstRead` (1-based)
    // on were read this time; `whole` when every entry was. Returns the entries to announce
    // (unheard and not yet announced), which count as announced from now on.
    std::vector<tMessageReport> Update(std::vector<tMessageReport> directory, int firstRead, bool whole);
    // Entry `index` (1-based) was read again and names the same message: its flags are taken over.
    void Refresh(int index, const tMessageReport& entry);
    // Message `index` (1-based) was downloaded, which marks it read in the modem.
    void NoteHeard(int index);
    // Entries not yet listened to, as far as the last list or poll knows.
    int Unheard() const;

  signals:
    // The rows, the directory or the unheard count changed.
    void Changed();

  private:
    void ShownAreAnnounced();

    std::vector<MessageRow> m_rows;
    int m_messageCount = -1;
    int m_usedPercent = 0;
    bool m_known = false; // m_directory holds the whole directory as last seen
    std::vector<tMessageReport> m_directory;
    std::unique_ptr<AnnouncedMessages> m_announced;
};

} // namespace zarvo
