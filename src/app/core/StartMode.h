#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// How the program starts: with a display, or headless for a batch run.
namespace zarvo {

// True when a window system can be reached: DISPLAY or WAYLAND_DISPLAY is set, or a Qt platform
// was chosen explicitly with QT_QPA_PLATFORM. `variable` reads one environment variable (qgetenv by default).
bool HasDisplay(const std::function<QByteArray(const char*)>& variable = {});

// True when the arguments ask for work that ends the run by itself (usage text, saving the
// messages, erasing the memory): such a run needs no display.
bool IsBatchRun(const QStringList& arguments);

// The German message for a start without a display and without batch switches.
QString NoDisplayMessage();

} // namespace zarvo
