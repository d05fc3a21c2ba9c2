// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// How the program starts: answering --help or --version at once, with a display, or headless for a
// batch run. Decided before the application object exists, from the arguments and the environment.
namespace zarvo {

// True when a window system can be reached: DISPLAY or WAYLAND_DISPLAY is set, or a Qt platform
// was chosen explicitly with QT_QPA_PLATFORM. `variable` reads one environment variable (qgetenv by default).
bool HasDisplay(const std::function<QByteArray(const char*)>& variable = {});

// True when the arguments ask for work that ends the run by itself (usage text, saving the
// messages, erasing the memory): such a run needs no display.
bool IsBatchRun(const QStringList& arguments);

// The German message for a start without a display and without batch switches.
QString NoDisplayMessage();

// --- Answered before anything else ---
enum class EarlyAnswer { None, Usage, Version };
// The first argument (program name excluded) that asks for the usage text (every argument the command
// line reads as the usage switch: "/?", "-h", "--help", ...) or the version ("--version", "-v").
EarlyAnswer EarlyAnswerFor(const QStringList& arguments);
// "zarvo " and the program's version.
QString VersionLine();

// --- Display or headless ---
// What the start-up needs to know of the machine; each member has a real default.
// The platform layer gives the real probes (DisplayProbe.h); without them nothing answers.
struct StartEnvironment {
    std::function<QByteArray(const char*)> variable;             // one environment variable (qgetenv)
    std::function<bool(const QByteArray& display)> xReachable;   // an X server answers at this DISPLAY
    std::function<bool(const QString& socket)> waylandReachable; // a Wayland compositor listens here
};

enum class StartKind {
    Desktop,            // windows on a reachable display
    Batch,              // saving or erasing: no window and no display, on a QCoreApplication
    Headless,           // offscreen: no window, no box waits, messages on standard error
    NoDisplay,          // no display at all and nothing to do without one: exit 2
    DisplayUnreachable, // a window system was asked for (or set) but does not answer: exit 2
    UnknownSwitch,      // headless with an argument the command line does not know: usage, exit 2
};

struct StartDecision {
    StartKind kind = StartKind::Desktop;
    bool platformGiven = false; // the platform came from QT_QPA_PLATFORM or -platform
    QString platform;           // that platform as given
    QString unknownArgument;    // UnknownSwitch: the first one
};

// Batch: saving or erasing switches, with or without a display.
// Headless: the offscreen or minimal platform asked for.
// A platform asked for explicitly (QT_QPA_PLATFORM, "-platform NAME") is used when it answers and is
// otherwise an error; without one, display variables that lead nowhere make a batch run headless.
// `arguments` without the program name.
StartDecision DecideStart(const QStringList& arguments, const StartEnvironment& environment = {});

// The arguments the command line does not know ("-platform NAME" is Qt's and is passed over).
QStringList UnknownArguments(const QStringList& arguments);

// The German message for StartKind::DisplayUnreachable.
QString DisplayUnreachableMessage(const StartDecision& decision,
                                  const std::function<QByteArray(const char*)>& variable = {});

// The German message of a run without a display that finds no port chosen in `settingsFile`: how to
// choose one (the program with a display, or the file by hand).
QString NoPortMessage(const QString& settingsFile);

} // namespace zarvo
