// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace zarvo {

// "Version " + the version as four numbers (missing parts are 0) + " Build 240103".
QString AboutVersionLine(const QString& version);

// The about box "Info": one page "Allgemein" with the program icon and the version line, and an
// "OK" button (the default) that closes it.
class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* Version = nullptr;
};

} // namespace zarvo
