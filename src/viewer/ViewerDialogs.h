// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QDialog;
class QPrintDialog;
class QWidget;

namespace zarvo {

// The modal dialogs of the fax viewer, replaceable so tests can answer them without a user.
struct ViewerDialogs {
    // The open dialog; an empty name means Cancel.
    std::function<QString(QWidget* parent)> openFile;
    // The save dialog; an empty name means Cancel. filterIndex receives the chosen filter, 1-based.
    std::function<QString(QWidget* parent, int& filterIndex)> saveFile;
    // Runs a modal dialog; true when it was accepted.
    std::function<bool(QDialog& dialog)> runModal;
};

// The dialogs in use: the real ones until a test replaces a member.
ViewerDialogs& Dialogs();
// Puts the real dialogs back.
void ResetDialogs();

} // namespace zarvo
