// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace zarvo {

namespace {

// Texts may separate lines with a lone carriage return; a message box wants line feeds.
QString Lines(const QString& text)
{
    QString out = text;
    return out.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
}

} // namespace

bool WidgetMessages::question(const QString& caption, const QString& text)
{
    return QMessageBox::question(QApplication::activeWindow(), caption, Lines(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void WidgetMessages::information(const QString& caption, const QString& text)
{
    QMessageBox::information(QApplication::activeWindow(), caption, Lines(text));
}

void WidgetMessages::warning(const QString& caption, const QString& text)
{
    QMessageBox::warning(QApplication::activeWindow(), caption, Lines(text));
}

void WidgetMessages::error(const QString& caption, const QString& text)
{
    QMessageBox::critical(QApplication::activeWindow(), caption, Lines(text));
}

} // namespace zarvo
