// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StartMode.h"

#include "core/CommandLine.h"
#include "core/RunRequest.h"

#include <QtGlobal>

namespace zarvo {

namespace {

std::function<QByteArray(const char*)> Reader(const std::function<QByteArray(const char*)>& variable)
{
    return variable ? variable : [](const char* name) { return qgetenv(name); };
}

// Where a Wayland client looks for its compositor.
QString WaylandSocket(const std::function<QByteArray(const char*)>& read)
{
    QString name = QString::fromLocal8Bit(read("WAYLAND_DISPLAY"));
    if (name.isEmpty())
        name = QStringLiteral("wayland-0");
    if (name.startsWith(u'/'))
        return name;
    const QString runtime = QString::fromLocal8Bit(read("XDG_RUNTIME_DIR"));
    return runtime.isEmpty() ? QString() : runtime + u'/' + name;
}

// The platform named by "-platform NAME" among the arguments, else empty.
QString PlatformArgument(const QStringList& arguments)
{
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == QStringLiteral("-platform"))
            return arguments[i + 1];
    return {};
}

bool IsHeadlessPlatform(const QString& name)
{
    return name == QStringLiteral("offscreen") || name == QStringLiteral("minimal");
}

} // namespace

bool HasDisplay(const std::function<QByteArray(const char*)>& variable)
{
    const auto read = Reader(variable);
    return !read("DISPLAY").isEmpty() || !read("WAYLAND_DISPLAY").isEmpty() ||
           !read("QT_QPA_PLATFORM").isEmpty();
}

bool IsBatchRun(const QStringList& arguments)
{
    return IsBatchRun(ParseCommandLine(arguments.mid(1)));
}

QString NoDisplayMessage()
{
    return QString::fromUtf8("zarvo: Keine grafische Oberfläche gefunden (weder DISPLAY noch WAYLAND_DISPLAY "
                             "ist gesetzt).\nOhne Anzeige arbeitet Zarvo nur im Stapelbetrieb, zum Beispiel "
                             "mit /STP:<Pfad> oder /DELETE.");
}

EarlyAnswer EarlyAnswerFor(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == QStringLiteral("--version") || argument == QStringLiteral("-v"))
            return EarlyAnswer::Version;
        const std::vector<CommandSwitch> one = ParseCommandLine({argument});
        if (!one.empty() && one.front().kind == CommandSwitch::Kind::Usage)
            return EarlyAnswer::Usage;
    }
    return EarlyAnswer::None;
}

QString VersionLine()
{
    return QStringLiteral("zarvo " ZARVO_VERSION);
}

QStringList UnknownArguments(const QStringList& arguments)
{
    QStringList unknown;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("-platform")) {
            ++i;
            continue;
        }
        if (ParseCommandLine({arguments[i]}).empty())
            unknown << arguments[i];
    }
    return unknown;
}

StartDecision DecideStart(const QStringList& arguments, const StartEnvironment& environment)
{
    const auto read = Reader(environment.variable);
    // Without a probe (a test's environment) nothing answers.
    const auto xReachable =
        environment.xReachable ? environment.xReachable : [](const QByteArray&) { return false; };
    const auto waylandReachable =
        environment.waylandReachable ? environment.waylandReachable : [](const QString&) { return false; };
    const bool batch = IsBatchRun(ParseCommandLine(arguments));

    StartDecision decision;
    // Saving and erasing need no display, whatever the environment says: a timer inherits the
    // session's QT_QPA_PLATFORM without its display.
    if (RunRequest::Parse(arguments).IsBatch()) {
        decision.kind = StartKind::Batch;
        const QStringList unknown = UnknownArguments(arguments);
        if (!unknown.isEmpty()) {
            decision.kind = StartKind::UnknownSwitch;
            decision.unknownArgument = unknown.front();
        }
        return decision;
    }
    decision.platform = PlatformArgument(arguments);
    if (decision.platform.isEmpty())
        decision.platform = QString::fromLocal8Bit(read("QT_QPA_PLATFORM"));
    decision.platformGiven = !decision.platform.isEmpty();

    if (decision.platformGiven) {
        // Qt tries a list "a;b" in order; "name:options" carries options for the plugin.
        decision.kind = StartKind::DisplayUnreachable;
        for (const QString& entry : decision.platform.split(u';', Qt::SkipEmptyParts)) {
            const QString name = entry.section(u':', 0, 0).trimmed();
            if (IsHeadlessPlatform(name)) {
                decision.kind = StartKind::Headless;
                break;
            }
            if (name == QStringLiteral("xcb")) {
                if (xReachable(read("DISPLAY"))) {
                    decision.kind = StartKind::Desktop;
                    break;
                }
                continue;
            }
            if (name.startsWith(QStringLiteral("wayland"))) {
                if (waylandReachable(WaylandSocket(read))) {
                    decision.kind = StartKind::Desktop;
                    break;
                }
                continue;
            }
            // Frame buffers, EGL and the like: Qt knows best whether they work.
            decision.kind = StartKind::Desktop;
            break;
        }
    }
    else {
        const QByteArray x = read("DISPLAY");
        const QByteArray wayland = read("WAYLAND_DISPLAY");
        if (x.isEmpty() && wayland.isEmpty())
            decision.kind = batch ? StartKind::Headless : StartKind::NoDisplay;
        else if ((!x.isEmpty() && xReachable(x)) ||
                 (!wayland.isEmpty() && waylandReachable(WaylandSocket(read))))
            decision.kind = StartKind::Desktop;
        else
            decision.kind = batch ? StartKind::Headless : StartKind::DisplayUnreachable;
    }

    // Without a display a switch Zarvo does not know is a typo in a cron line: say how it is spelt.
    if (decision.kind == StartKind::Headless || decision.kind == StartKind::NoDisplay) {
        const QStringList unknown = UnknownArguments(arguments);
        if (!unknown.isEmpty()) {
            decision.kind = StartKind::UnknownSwitch;
            decision.unknownArgument = unknown.front();
        }
    }
    return decision;
}

QString DisplayUnreachableMessage(const StartDecision& decision,
                                  const std::function<QByteArray(const char*)>& variable)
{
    const auto read = Reader(variable);
    auto shown = [](const QByteArray& value) {
        return value.isEmpty() ? QString::fromUtf8("(nicht gesetzt)") : QString::fromLocal8Bit(value);
    };
    const QString asked =
        decision.platformGiven
            ? QString::fromUtf8("Die grafische Oberfläche „%1“ ist nicht erreichbar").arg(decision.platform)
            : QString::fromUtf8("Die grafische Oberfläche ist nicht erreichbar");
    return QStringLiteral("zarvo: ") + asked +
           QStringLiteral(" (DISPLAY=%1, WAYLAND_DISPLAY=%2).\n")
               .arg(shown(read("DISPLAY")), shown(read("WAYLAND_DISPLAY"))) +
           QString::fromUtf8("Ohne Anzeige arbeitet Zarvo im Stapelbetrieb, zum Beispiel mit /STP:<Pfad> "
                             "oder /DELETE; ein Lauf ganz ohne Fenster: QT_QPA_PLATFORM=offscreen.");
}

QString NoPortMessage(const QString& settingsFile)
{
    return QString::fromUtf8("Es ist kein Anschluss für das Modem gewählt, und ohne Anzeige kann Zarvo nicht "
                             "danach fragen.\rWählen Sie ihn einmal in Zarvo mit grafischer Oberfläche "
                             "(Datei > Optionen, Seite „Modem“) oder tragen Sie ihn in %1 ein, zum "
                             "Beispiel:\r[Modem]\rComPort=1\r[Ports]\rCOM1=/dev/ttyUSB0\r"
                             "Es wurde nichts gesichert und nichts gelöscht.")
        .arg(settingsFile);
}

} // namespace zarvo
