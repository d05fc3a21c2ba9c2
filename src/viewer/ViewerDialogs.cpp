// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ViewerDialogs.h"

#include <QDialog>
#include <QFileDialog>

namespace zarvo {

namespace {

const QStringList kOpenFilters = {QStringLiteral("Alle (*.UFR *.MMF)"),
                                  QStringLiteral("Faxseite (decodiert) (*.MMF)"),
                                  QStringLiteral("Fax (codiert) (*.UFR)")};
const QStringList kSaveFilters = {
    QStringLiteral("Fax (codiert) (*.UFR)"), QStringLiteral("FaxSeite (decodiert) (*.MMF)"),
    QStringLiteral("FaxSeite (BMP) (*.BMP)"), QStringLiteral("FaxSeite(JPG) (*.JPG)"),
    QStringLiteral("PDF-Dokument (*.pdf)")};

QString OpenFile(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(kOpenFilters);
    dialog.setDefaultSuffix(QStringLiteral("UFR"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString SaveFile(QWidget* parent, int& filterIndex)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(kSaveFilters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    filterIndex = static_cast<int>(kSaveFilters.indexOf(dialog.selectedNameFilter())) + 1;
    return dialog.selectedFiles().constFirst();
}

bool RunModal(QDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted;
}

ViewerDialogs Real()
{
    return ViewerDialogs{OpenFile, SaveFile, RunModal};
}

} // namespace

ViewerDialogs& Dialogs()
{
    static ViewerDialogs dialogs = Real();
    return dialogs;
}

void ResetDialogs()
{
    Dialogs() = Real();
}

} // namespace zarvo
