// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace zarvo {

// The main window's image list, by index: 0 voice message (also "Abspielen"), 1 fax, 2 line-cable
// play, 3 line-cable stop, 4 flag (also "AC_Nachrge", "AC_NeuNR"), 5 close, 6 erase, 7 reload and
// self mode, 8 about and help, 9 save. Images are SVGs of our own, compiled in.
inline constexpr int kImageCount = 10;
QIcon ImageList1(int index);

// The program's own icon (window, tray, about box).
QIcon ApplicationIcon();
// The same with a mark: unheard messages wait.
QIcon MarkedApplicationIcon();

} // namespace zarvo
