// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace zarvo {

// Section [Archiv] of ZARVO2.ini: where the archive lives and what follows a newly stored message.
struct ArchiveSettings {
    QString folder;                                // Ordner=; empty: the default folder
    QString command;                               // Befehl=: run for each new message; empty: none
    bool recognition = true;                       // Texterkennung=: fax text into search and PDF
    QString languages = QStringLiteral("deu+eng"); // Sprachen=: the recognition's languages
    bool atOnce = false;                           // Sofort=: archive new messages as the list shows them

    // The folder in use: the setting, else $XDG_DATA_HOME/zarvo/Archiv (with ZARVO_HOME: its Archiv).
    QString Folder() const;
    // Its index in the cache folder (one of its own for a folder other than the default).
    QString Index() const;
    bool operator==(const ArchiveSettings&) const = default;
};

ArchiveSettings LoadArchiveSettings(const QString& fileName);
// Keeps the file's other lines; throws IniWriteError when a key cannot be written.
void SaveArchiveSettings(const ArchiveSettings& settings, const QString& fileName);

} // namespace zarvo
