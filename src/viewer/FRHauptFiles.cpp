// SPDX-License-Identifier: GPL-3.0-or-later
// TFaxView: opening and saving fax files, and the clipboard.

#include "viewer/FRHaupt.h"

#include "common/MessageSeam.h"
#include "fax/FaxFileError.h"
#include "viewer/PageImage.h"
#include "viewer/ViewerDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QStatusBar>

#include <optional>

namespace zarvo {

namespace {

// The hourglass for as long as a picture is written, also when writing fails.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

std::string LocalName(const QString& fileName)
{
    return QFile::encodeName(fileName).toStdString();
}

} // namespace

void TFaxView::Open_fileExecute()
{
    if (Working())
        return;
    const QString fileName = Dialogs().openFile(this);
    if (!fileName.isEmpty())
        OpenFaxFile(fileName);
}

bool TFaxView::OpenFaxFile(const QString& fileName)
{
    try {
        // Any other kind is no fax: the fax on show stays.
        if (!Doc.OpenFile(LocalName(fileName))) {
            Messages().error(kAppCaption, QStringLiteral("Die Datei ") + fileName +
                                              QStringLiteral(" ist keine Faxdatei (*.ufr, *.mmf)."));
            return false;
        }
    }
    catch (const std::exception& e) {
        ShowException(e);
        return false;
    }
    SetPanelText(0, QStringLiteral("Datei gelesen"));
    ShowPage(0);
    return true;
}

void TFaxView::Save_fileExecute()
{
    if (Working())
        return;
    int filter = 1;
    const QString chosen = Dialogs().saveFile(this, filter);
    if (chosen.isEmpty())
        return;
    const std::string fileName = ApplySaveFilter(LocalName(chosen), filter);
    try {
        const FaxFileKind kind = FaxFileKindOf(fileName);
        std::optional<WaitCursor> hourglass;
        if (kind == FaxFileKind::Bmp || kind == FaxFileKind::Jpg || kind == FaxFileKind::Pdf)
            hourglass.emplace(); // a PDF decodes every page first
        Doc.SaveFile(fileName);
    }
    catch (const std::exception& e) {
        ShowException(e);
    }
}

void TFaxView::CopyClipExecute()
{
    if (Working())
        return;
    // The picture at its own size, not as zoomed on the screen.
    QApplication::clipboard()->setImage(Image->picture());
}

} // namespace zarvo
