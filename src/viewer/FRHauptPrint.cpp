// TFaxView: printing and the fax window options.

#include "viewer/FRHaupt.h"

#include "viewer/FaxPrinting.h"
#include "viewer/PageImage.h"
#include "viewer/UFROpt.h"
#include "viewer/ViewerDialogs.h"

#include <QPrintDialog>
#include <QScopedValueRollback>
#include <QScrollArea>

#include <algorithm>

namespace zarvo {

void TFaxView::DruckenExecute()
{
    if (Working())
        return;
    EnsureFrmFROpt(this);
    QPrintDialog dialog(&XPrint1.Printer(), this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    // An empty viewer still offers a valid range; "all pages" then prints an empty job.
    dialog.setMinMax(1, std::max(1, Doc.PageCount));
    dialog.setFromTo(0, 0);
    if (!Dialogs().runModal(dialog))
        return;
    const QPrinter& printer = XPrint1.Printer();
    int first = 0;
    int last = Doc.PageCount - 1;
    if (printer.printRange() == QPrinter::PageRange) {
        first = printer.fromPage() - 1;
        last = printer.toPage() - 1;
    }
    PrintPages(first, last);
}

void TFaxView::PrintPages(int first, int last)
{
    if (Working())
        return;
    QScopedValueRollback<bool> printing(m_printing, true);
    const TfrmFROpt& opt = EnsureFrmFROpt(this);
    XPrint1.BeginDoc();
    if (last < first) {
        XPrint1.EndDoc();
        return;
    }
    for (int i = first; i <= last; ++i) {
        if (i != Doc.CurrentPage)
            ShowPage(i);
        const QRect target =
            PrintRectangle(XPrint1.Geometry(), ImageSize(), opt.PrintZoom, opt.RandX, opt.RandY);
        XPrint1.Canvas().drawImage(QRectF(target), Image->picture());
        if (i != last)
            XPrint1.NewPage();
    }
    XPrint1.EndDoc();
}

void TFaxView::OptionenExecute()
{
    if (Working())
        return;
    TfrmFROpt& opt = EnsureFrmFROpt(this);
    opt.CurWidth = width();
    opt.CurHeight = height();
    opt.CurHoehemul = Doc.HeightFactor;
    const int pictureWidth = PictureSize().width();
    opt.CurZoom = pictureWidth >= 1 ? static_cast<double>(ScrollBox1->viewport()->width()) / pictureWidth
                                    : opt.FensterZoom;
    Dialogs().runModal(opt);
}

} // namespace zarvo
