// SPDX-License-Identifier: GPL-3.0-or-later
// TFaxView: printing and the fax window options.

#include "viewer/FRHaupt.h"

#include "common/MessageSeam.h"

#include "viewer/FaxPrinting.h"
#include "viewer/PageImage.h"
#include "viewer/UFROpt.h"
#include "viewer/ViewerDialogs.h"

#include <QPrintDialog>
#include <QScopedValueRollback>
#include <QScrollArea>

#include <algorithm>
#include <vector>

namespace zarvo {

void TFaxView::DruckenExecute()
{
    if (Working())
        return;
    EnsureFrmFROpt(this);
    // Every print dialog opens on all pages: a range kept from the last job would print again
    // without the dialog showing it.
    XPrint1.RefreshPrinters();
    QPrinter& printer = XPrint1.Printer();
    printer.setPrintRange(QPrinter::AllPages);
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, std::max(1, Doc.PageCount));
    dialog.setFromTo(1, std::max(1, Doc.PageCount));
    if (!Dialogs().runModal(dialog))
        return;
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
    // Nothing to print starts no job: a printer would give out a blank sheet.
    first = std::max(first, 0);
    last = std::min(last, Doc.PageCount - 1);
    if (last < first)
        return;
    QScopedValueRollback<bool> printing(m_printing, true);
    const TfrmFROpt& opt = EnsureFrmFROpt(this);
    if (!XPrint1.BeginDoc()) {
        Messages().error(kAppCaption, QStringLiteral("Der Druckauftrag konnte nicht gestartet werden."));
        return;
    }
    // Copies and reverse order are the print system's work; a PDF file does neither, so they are
    // done here.
    const QPrinter& printer = XPrint1.Printer();
    const bool own = printer.outputFormat() == QPrinter::PdfFormat;
    const std::vector<int> sequence =
        PrintSequence(first, last, own ? printer.copyCount() : 1, printer.collateCopies(),
                      own && printer.pageOrder() == QPrinter::LastPageFirst);
    for (std::size_t n = 0; n < sequence.size(); ++n) {
        if (sequence[n] != Doc.CurrentPage)
            ShowPage(sequence[n]);
        const QRect target =
            PrintRectangle(XPrint1.Geometry(), ImageSize(), opt.PrintZoom, opt.RandX, opt.RandY);
        XPrint1.Canvas().drawImage(QRectF(target), Image->picture());
        if (n + 1 != sequence.size())
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
