// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace zarvo {

// The program speaks German whatever the session's language: dates and numbers follow the system's
// German variant (Germany when the session is not German), and Qt's own texts (the buttons of
// message boxes and file dialogs) load their German translation when it is installed
// (Debian: qt6-translations-l10n). Call once after the application object exists.
void UseGermanLocale();

} // namespace zarvo
