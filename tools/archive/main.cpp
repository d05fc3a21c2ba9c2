// SPDX-License-Identifier: GPL-3.0-or-later
// zarvo-archive: lists, searches, imports, exports and checks the message archive.
#include "ArchiveTool.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    // The converters of the modem component are QObjects and file paths come from Qt.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return zarvo::archive::RunArchiveTool(app.arguments().mid(1), out, err);
}
