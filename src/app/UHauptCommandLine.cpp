// SPDX-License-Identifier: GPL-3.0-or-later
// THaupt: the switches that act inside the window, read once at the first activation right after
// the modem was connected. Saving and erasing never reach the window: the batch run does them.
#include "app/UHaupt.h"
#include "viewer/FRHaupt.h"
#include "viewer/FaxViewerFactory.h"

namespace zarvo {

void THaupt::ProcessCommandLine()
{
    if (Request.autorun)
        showMinimized();
    if (Request.log)
        LogToFile = true;
    for (const QString& file : Request.openFiles)
        OpenFaxFile(file);
}

void THaupt::OpenFaxFile(const QString& path)
{
    if (TFaxView* viewer = OpenFaxViewer(*Zarvo1)) {
        viewer->OpenFaxFile(path);
        viewer->raise();
        viewer->activateWindow();
    }
}

} // namespace zarvo
