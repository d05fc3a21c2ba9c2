// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace zarvo {

// Qt's own messages in a run without a display ("This plugin does not support propagateSizeHints()",
// the XDG_RUNTIME_DIR notice, ...). cron mails every line of standard error, so they stay off it and
// go to the status log instead, as "Qt: <text>" lines; with `alsoStandardError` (the environment
// variable ZARVO_QT_MESSAGES=1) they are written there too. Fatal messages always reach standard
// error and end the program as Qt does.
namespace QtMessageRoute {

void Install(bool alsoStandardError);
// Restores Qt's own handler and forgets what was collected.
void Uninstall();
// From now on each message goes to `sink` (on the thread that owns the application object); those
// that came before go first. An empty sink collects them again.
void SetSink(std::function<void(const QString& line)> sink);
// The messages collected while no sink was set (at most the last 200).
QStringList Collected();

} // namespace QtMessageRoute
} // namespace zarvo
