// SPDX-License-Identifier: GPL-3.0-or-later
// zarvo-convert: converts saved voice messages and faxes offline, on the program's own code paths.
#include "ConvertTool.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    // The modem component is a QObject and its file paths come from Qt.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return zarvo::convert::RunConvertTool(app.arguments().mid(1), out, err);
}
