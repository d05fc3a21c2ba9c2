// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RunRequest.h"

#include <QFileInfo>

namespace zarvo {

RunRequest RunRequest::Parse(const QStringList& arguments)
{
    RunRequest request;
    request.switches = ParseCommandLine(arguments);
    for (const CommandSwitch& s : request.switches) {
        switch (s.kind) {
        case CommandSwitch::Kind::Usage:
            request.usage = true;
            break;
        case CommandSwitch::Kind::SaveAll:
            request.saveFolders << s.path;
            break;
        case CommandSwitch::Kind::Delete:
            request.erase = true;
            break;
        case CommandSwitch::Kind::Autorun:
            request.autorun = true;
            break;
        case CommandSwitch::Kind::Log:
            request.log = true;
            break;
        case CommandSwitch::Kind::Pdf:
            request.pdf = true;
            break;
        case CommandSwitch::Kind::Archive:
            request.archive = true;
            break;
        case CommandSwitch::Kind::OpenFile:
            request.openFiles << s.path;
            break;
        }
    }
    return request;
}

QString SaveFolderProblem(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return QString::fromUtf8("Verzeichnis muß existieren!");
    return QString();
}

} // namespace zarvo
