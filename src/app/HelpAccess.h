// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// The one help access of the program's windows: German HTML pages (help/hauptfen.htm,
// help/optdlg.htm, help/sprfen.htm) opened in the desktop's browser.
namespace zarvo {

// Looks for the help pages once per process; true when they were found.
bool LoadHtmlHelp();

// Opens `topic` ("hauptfen.htm", "optdlg.htm#modme", ...) in the browser, or shows
// "HTML Hilfe nicht integriert (bei Microsoft herunterladbar)" when help is not available.
// `window` is the asking window (unused by the browser; kept so callers read as before). When no
// browser can be started, a message names the page's file.
void ShowHelpTopic(QWidget* window, const QString& topic);

// Forgets the load, so the next LoadHtmlHelp looks again (the main window's close).
void FreeHtmlHelp();

// The file URL of a topic (with its anchor as fragment); empty when help is not available.
QUrl HelpTopicUrl(const QString& topic);

// How a topic URL is opened; QDesktopServices::openUrl by default. Tests install a recorder;
// an empty function restores the default.
using HelpUrlOpener = std::function<bool(const QUrl&)>;
void SetHelpUrlOpener(HelpUrlOpener opener);

// Where a data file is looked for; ProgramPaths::findData by default. Tests install their own
// (an empty function restores the default) and call FreeHtmlHelp so the next load looks again.
using HelpDataLocator = std::function<QString(const QString&)>;
void SetHelpDataLocator(HelpDataLocator locator);

// How many times the pages were looked for since start (a repeated load does not look again).
int HelpLoadCount();

} // namespace zarvo
