// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "modem/ModemTypes.h"

#include <QSet>
#include <QString>

#include <vector>

namespace zarvo {

// The messages a notice has already named, kept in a small file in the settings folder so that a
// restart of the program does not announce them again. One key per line; a file that cannot be
// read counts as empty, one that cannot be written is tried again at the next change. Keys are
// written quoted; unquoted lines of older files are still read.
class AnnouncedMessages {
  public:
    explicit AnnouncedMessages(QString fileName = {});

    // What tells two directory entries apart: type, reception counters, identification and where
    // the message lies in the memory. An erased memory refilled later gives new keys.
    static QString KeyOf(const tMessageReport& report);

    bool Contains(const tMessageReport& report) const;
    // Adds the entries and writes the file when something changed.
    void Add(const std::vector<tMessageReport>& reports);
    // Forgets every key not among `present` (the whole directory), so the file stays as small as
    // the modem's memory.
    void Retain(const std::vector<tMessageReport>& present);
    int Size() const { return static_cast<int>(m_keys.size()); }

  private:
    void Load();
    void Save() const;

    QString m_fileName;
    QSet<QString> m_keys;
};

// The file's place: beside the settings.
QString AnnouncedMessagesFile();

} // namespace zarvo
