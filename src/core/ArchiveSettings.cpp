// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ArchiveSettings.h"

#include "common/IniProfile.h"
#include "common/ProgramPaths.h"
#include "core/archive/ArchiveTimeSpan.h"

namespace zarvo {

namespace {
const QString kArchiv = QStringLiteral("Archiv");
}

QString ArchiveSettings::Folder() const
{
    return archive::archivePlaceFor(folder).folder;
}

QString ArchiveSettings::Index() const
{
    return archive::archivePlaceFor(folder).index;
}

ArchiveSettings LoadArchiveSettings(const QString& fileName)
{
    const IniProfile ini(fileName);
    ArchiveSettings s;
    s.folder = ini.readString(kArchiv, QStringLiteral("Ordner"), QString());
    s.command = ini.readString(kArchiv, QStringLiteral("Befehl"), QString());
    s.recognition = ini.readBool(kArchiv, QStringLiteral("Texterkennung"), true);
    s.languages = ini.readString(kArchiv, QStringLiteral("Sprachen"), s.languages);
    s.atOnce = ini.readBool(kArchiv, QStringLiteral("Sofort"), false);
    return s;
}

void SaveArchiveSettings(const ArchiveSettings& s, const QString& fileName)
{
    IniProfile ini(fileName);
    ini.writeString(kArchiv, QStringLiteral("Ordner"), s.folder);
    ini.writeString(kArchiv, QStringLiteral("Befehl"), s.command);
    ini.writeBool(kArchiv, QStringLiteral("Texterkennung"), s.recognition);
    ini.writeString(kArchiv, QStringLiteral("Sprachen"), s.languages);
    ini.writeBool(kArchiv, QStringLiteral("Sofort"), s.atOnce);
}

} // namespace zarvo
