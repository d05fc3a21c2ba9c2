// zarvo: the desktop program for the message modem.
#include "app/About.h"
#include "app/UHaupt.h"
#include "app/UHauptImages.h"
#include "app/UOptionen.h"
#include "app/UWave.h"
#include "app/core/GermanLocale.h"
#include "app/core/StartMode.h"
#include "common/MessageSeam.h"
#include "viewer/FaxViewerFactory.h"
#include "viewer/MessageBoxes.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    const bool display = zarvo::HasDisplay();
    if (!display) {
        if (!zarvo::IsBatchRun(arguments)) {
            std::fprintf(stderr, "%s\n", zarvo::NoDisplayMessage().toLocal8Bit().constData());
            return 2;
        }
        // A batch run from cron or a terminal: no window is ever seen and no box waits for input.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZARVO"));
    QApplication::setDesktopFileName(QStringLiteral("zarvo"));
    QApplication::setWindowIcon(zarvo::ApplicationIcon());
    // The main window's close ends the program, even while fax viewers are still open.
    QApplication::setQuitOnLastWindowClosed(false);
    zarvo::UseGermanLocale();

    zarvo::WidgetMessages boxes;
    if (display)
        zarvo::SetMessages(&boxes);

    zarvo::THaupt Haupt;
    Haupt.Arguments = arguments;
    Haupt.Headless = !display;
    auto* Optionen = new zarvo::TOptionen(*Haupt.Zarvo1, Haupt.Opts, &Haupt);
    auto* Wave = new zarvo::TWave(&Haupt);
    auto* AboutBox = new zarvo::TAboutBox(&Haupt);
    Haupt.SetWindows(Optionen, Wave, AboutBox);
    zarvo::InstallFaxViewer(*Haupt.Zarvo1);
    QObject::connect(&Haupt, &zarvo::THaupt::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    Haupt.show();
    const int status = app.exec();
    zarvo::SetMessages(nullptr);
    return status != 0 ? status : Haupt.ExitStatus;
}
