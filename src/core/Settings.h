// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "modem/ModemTypes.h"

#include <QString>
#include <QtGlobal>

namespace zarvo {

// The program's settings, as kept in ZARVO2.ini. Starts all zero; LoadSettings brings the defaults.
struct TOpts {
    tModemOptions ModemOptions;
    quint8 ComPort = 0; // 1..9 = COM1..COM9, 0 = none chosen
    bool LineKabel = false;
    bool ForcePort = false;
    bool DFUE = false;
    bool TOnline2 = false;
    bool Faxmon = false;
    bool Autonachr = false; // the new-message notice polls the modem
    qint32 AutonTi = 0;     // minutes between two polls (the dialog takes 1..1440)
    qint32 FaxView = 0;     // 0 own viewer, 1 "kodakimg.exe", 2 ExtFax
    QString ExtFax;
    bool UnAbEn = false;
    // False while the settings file holds no [ModemOpt] section: ModemOptions are then only
    // defaults, and the modem's own options are the truth until they have been read.
    bool ModemOptionsHeld = true;

    bool operator==(const TOpts&) const = default;
};

// Reads FileName into Opts: section "ModemOpt" keeps the record's values as defaults, every other
// key has its fixed default. A missing file gives all defaults.
void LoadSettings(TOpts& Opts, const QString& FileName);

// Writes Opts to FileName, keeping the file's other lines; [ModemOpt] only when ModemOptionsHeld. Throws
// IniWriteError at the first key that cannot be written; the keys after it are not written.
void SaveSettings(const TOpts& Opts, const QString& FileName);

} // namespace zarvo
