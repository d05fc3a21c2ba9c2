// SPDX-License-Identifier: GPL-3.0-or-later
// zarvo: the desktop program for the message modem.
#include "app/About.h"
#include "app/BatchWait.h"
#include "app/UHaupt.h"
#include "app/UHauptImages.h"
#include "app/UOptionen.h"
#include "app/UWave.h"
#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"
#include "core/BatchRun.h"
#include "core/CommandLine.h"
#include "core/RunRequest.h"
#include "core/StartMode.h"
#include "modem/Zarvo.h"
#include "platform/DisplayProbe.h"
#include "platform/GermanLocale.h"
#include "platform/InstanceChannel.h"
#include "platform/QtMessageRoute.h"
#include "platform/SignalBridge.h"
#include "viewer/FaxViewerFactory.h"
#include "viewer/MessageBoxes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QSessionManager>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

void PrintLines(std::FILE* stream, const QStringList& lines)
{
    for (const QString& line : lines)
        std::fprintf(stream, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stream);
}

// Saving and erasing: the core's batch run on a QCoreApplication. No window, no display, no
// session bus; a desktop program beside it holds the modem off while the run works.
int RunBatch(int argc, char** argv, const zarvo::RunRequest& request)
{
    // Qt's own notices go into the status log, not onto standard error.
    zarvo::QtMessageRoute::Install(qEnvironmentVariable("ZARVO_QT_MESSAGES") == QStringLiteral("1"));
    zarvo::ProgramPaths::settleRuntimeDir();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ZARVO"));
    zarvo::UseGermanLocale();

    zarvo::SignalBridge signals_;
    zarvo::UserInstance instance(zarvo::ProgramPaths::userFolders().runtime);
    QObject::connect(&signals_, &zarvo::SignalBridge::Received, &instance, [&instance] { instance.Abort(); });
    if (instance.StartBatch() == zarvo::UserInstance::Outcome::Refused) {
        zarvo::Messages().error(zarvo::kAppCaption, instance.Message());
        return 1;
    }

    int status = 0;
    {
        zarvo::TZarvo modem;
        zarvo::BatchRun run(modem, request, zarvo::ProgramPaths::programFile(QStringLiteral("ZARVO2.ini")));
        zarvo::QtMessageRoute::SetSink([&run](const QString& line) { run.AddLogLine(line); });
        // A stop signal ends the exchange in progress; should that hang, the run ends without it.
        QTimer forceEnd;
        forceEnd.setSingleShot(true);
        QObject::connect(&forceEnd, &QTimer::timeout, [] {
            PrintLines(stderr,
                       {QString::fromUtf8("zarvo: Das Beenden dauerte zu lange; Zarvo endet, ohne auf "
                                          "das Modem zu warten.")});
            zarvo::ProgramPaths::removeWorkFolders();
            ::_exit(1);
        });
        QObject::disconnect(&signals_, nullptr, &instance, nullptr);
        QObject::connect(&signals_, &zarvo::SignalBridge::Received, [&run, &forceEnd] {
            run.Stop();
            if (!forceEnd.isActive())
                forceEnd.start(20000);
        });
        status = run.Run();
        zarvo::QtMessageRoute::SetSink({});
    }
    zarvo::ProgramPaths::removeWorkFolders();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
        // A name that is not in the system's encoding cannot come back from Qt's text: refuse it
        // by name instead of calling the folder missing.
        if (i > 0 && arguments.back().toLocal8Bit() != QByteArray(argv[i])) {
            PrintLines(stderr, {QString::fromUtf8("zarvo: Das Argument „%1“ ist kein gültiger Text in der "
                                                  "Zeichenkodierung des Systems (UTF-8); Zarvo kann einen "
                                                  "solchen Ordnernamen nicht verwenden. Bitte benennen Sie "
                                                  "den Ordner um.")
                                    .arg(arguments.back())});
            return 2;
        }
    }
    const QStringList switches = arguments.mid(1);

    // Answered before anything else: no settings read or written, no modem, no display needed.
    switch (zarvo::EarlyAnswerFor(switches)) {
    case zarvo::EarlyAnswer::Usage:
        PrintLines(stdout, zarvo::UsageLines(zarvo::ProgramPaths::logFileName()));
        return 0;
    case zarvo::EarlyAnswer::Version:
        PrintLines(stdout, {zarvo::VersionLine()});
        return 0;
    case zarvo::EarlyAnswer::None:
        break;
    }

    const zarvo::RunRequest request = zarvo::RunRequest::Parse(switches);
    const zarvo::StartDecision start = zarvo::DecideStart(switches, zarvo::SystemStartEnvironment());
    switch (start.kind) {
    case zarvo::StartKind::Batch:
        return RunBatch(argc, argv, request);
    case zarvo::StartKind::NoDisplay:
        PrintLines(stderr, {zarvo::NoDisplayMessage()});
        return 2;
    case zarvo::StartKind::DisplayUnreachable:
        PrintLines(stderr, {zarvo::DisplayUnreachableMessage(start)});
        return 2;
    case zarvo::StartKind::UnknownSwitch:
        PrintLines(stderr, {QString::fromUtf8("zarvo: Unbekannte Option „%1“.").arg(start.unknownArgument)});
        PrintLines(stderr, zarvo::UsageLines(zarvo::ProgramPaths::logFileName()));
        return 2;
    case zarvo::StartKind::Headless:
        // A batch run from cron or a terminal: no window is ever seen and no box waits for input, and
        // Qt's own notices stay off standard error.
        if (!start.platformGiven)
            qputenv("QT_QPA_PLATFORM", "offscreen");
        zarvo::QtMessageRoute::Install(qEnvironmentVariable("ZARVO_QT_MESSAGES") == QStringLiteral("1"));
        break;
    case zarvo::StartKind::Desktop:
        break;
    }
    // Qt, the lock and the work files look here.
    zarvo::ProgramPaths::settleRuntimeDir();
    const bool headless = start.kind == zarvo::StartKind::Headless;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZARVO"));
    QApplication::setDesktopFileName(QStringLiteral("zarvo"));
    QApplication::setWindowIcon(zarvo::ApplicationIcon());
    // The main window's close ends the program, even while fax viewers are still open.
    QApplication::setQuitOnLastWindowClosed(false);
    zarvo::UseGermanLocale();

    zarvo::WidgetMessages boxes;
    if (!headless)
        zarvo::SetMessages(&boxes);

    // Signals that come while this run waits for the others end that wait.
    zarvo::SignalBridge signals_;
    zarvo::UserInstance instance(zarvo::ProgramPaths::userFolders().runtime);
    QObject::connect(&signals_, &zarvo::SignalBridge::Received, &instance, [&instance] { instance.Abort(); });

    // One program per user; a batch run beside it has the modem held off while it works. A batch run
    // that owns the modem is waited for, in a small window a desktop user sees.
    bool notWaiting = false;
    std::unique_ptr<zarvo::TBatchWait> waitWindow;
    if (!headless)
        instance.BatchWait = [&](bool waiting) {
            if (!waitWindow) {
                waitWindow = std::make_unique<zarvo::TBatchWait>();
                QObject::connect(waitWindow.get(), &zarvo::TBatchWait::Cancelled, &instance, [&] {
                    notWaiting = true;
                    instance.Abort();
                });
            }
            waitWindow->setVisible(waiting);
        };
    // A start with fax files hands them over and leaves the running program's window where it is.
    const zarvo::UserInstance::Outcome outcome =
        instance.StartDesktop(!request.autorun && request.openFiles.isEmpty());
    waitWindow.reset();
    if (outcome == zarvo::UserInstance::Outcome::ShownOther)
        return instance.HandOver(request.openFiles) ? 0 : 1;
    if (outcome == zarvo::UserInstance::Outcome::Refused && notWaiting) {
        zarvo::SetMessages(nullptr);
        return 0;
    }
    if (outcome == zarvo::UserInstance::Outcome::Refused) {
        zarvo::Messages().error(zarvo::kAppCaption, instance.Message());
        zarvo::SetMessages(nullptr);
        return 1;
    }

    int status = 0;
    {
        zarvo::THaupt Haupt;
        Haupt.Request = request;
        Haupt.Headless = headless;
        auto* Optionen = new zarvo::TOptionen(*Haupt.Zarvo1, Haupt.Opts, &Haupt);
        auto* Wave = new zarvo::TWave(&Haupt);
        auto* AboutBox = new zarvo::TAboutBox(&Haupt);
        Haupt.SetWindows(Optionen, Wave, AboutBox);
        zarvo::InstallFaxViewer(*Haupt.Zarvo1);
        Haupt.SetInstanceServer(instance.Server());
        if (headless)
            zarvo::QtMessageRoute::SetSink(
                [&Haupt](const QString& line) { Haupt.Modemstatus->appendPlainText(line); });
        QObject::connect(&Haupt, &zarvo::THaupt::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

        // The end from outside runs the close box's sequence; if that takes too long, the program
        // ends without it rather than hang a logout.
        QObject::disconnect(&signals_, nullptr, &instance, nullptr);
        QObject::connect(&signals_, &zarvo::SignalBridge::Received, &Haupt,
                         [&Haupt] { Haupt.RequestShutdown(); });
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &Haupt,
                         [&Haupt](QSessionManager&) { Haupt.RequestShutdown(); });
        Haupt.ForceEnd = [] {
            PrintLines(stderr,
                       {QString::fromUtf8("zarvo: Das Beenden dauerte zu lange; Zarvo endet, ohne auf "
                                          "das Modem zu warten.")});
            zarvo::ProgramPaths::removeWorkFolders();
            ::_exit(1);
        };

        Haupt.show();
        status = app.exec();
        status = status != 0 ? status : Haupt.ExitStatus;
        zarvo::QtMessageRoute::SetSink({});
    }
    zarvo::SetMessages(nullptr);
    zarvo::ProgramPaths::removeWorkFolders();
    return status;
}
