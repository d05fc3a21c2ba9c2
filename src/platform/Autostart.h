// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Start with the desktop session: an XDG autostart entry named ZARVO2 that runs the program with
// "/AUTORUN", which hides it in the tray.
namespace zarvo {

// $XDG_CONFIG_HOME/autostart/ZARVO2.desktop ($HOME/.config when the variable is unset or relative).
QString AutostartEntryPath();

// The entry's Exec value: the program path + " /AUTORUN", the path quoted and escaped only where
// the desktop-entry format requires it.
QString AutostartExecLine(const QString& programPath);

// Writes or deletes the entry for the running program. Failures stay silent, as refused access to
// the system's start-up list always did.
void AutostartOn();
void AutostartOff();

} // namespace zarvo
