// SPDX-License-Identifier: GPL-3.0-or-later
// The fax viewer window on the demo three-page fax: paging, the 200 x 100 mode, the saved height
// factor, commands arriving while a page decodes, the opener behind ShowFax, and printing into a
// PDF file read back with poppler-utils.

#include "EmulatorFixture.h" // TempProgramDir, readDemoFile
#include "ScriptedMessages.h"
#include "fax/FaxDocument.h"
#include "modem/Zarvo.h"
#include "viewer/FRHaupt.h"
#include "viewer/FaxViewerFactory.h"
#include "viewer/PageImage.h"
#include "viewer/UFROpt.h"
#include "viewer/ViewerDialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStandardPaths>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace zarvo {
namespace {

FaxBytes DemoFax()
{
    const std::vector<FaxBytes> pages = {test::readDemoFile("fax3-1.g3"), test::readDemoFile("fax3-2.g3"),
                                         test::readDemoFile("fax3-3.g3")};
    return JoinFaxPages(pages);
}

class FaxViewTest : public ::testing::Test {
  protected:
    void TearDown() override { ResetDialogs(); }
    test::TempProgramDir home{1, QStringLiteral("/dev/null")};
};

TEST_F(FaxViewTest, PagingStaysWithinTheFax)
{
    TFaxView view;
    view.Next_Page->trigger(); // empty viewer
    view.Prev_page->trigger();
    EXPECT_EQ(view.Doc.CurrentPage, 0);

    view.show();
    view.DecodeFax(DemoFax());
    EXPECT_EQ(view.Doc.PageCount, 3);
    EXPECT_EQ(view.PanelText(1), "Seite 1/3");
    EXPECT_EQ(view.PanelText(0), "Dargestellt");
    EXPECT_EQ(view.ImageSize(), view.PictureSize()); // saved zoom 1, height factor 1
    view.Prev_page->trigger();
    EXPECT_EQ(view.Doc.CurrentPage, 0);
    view.Next_Page->trigger();
    view.Next_Page->trigger();
    view.Next_Page->trigger();
    EXPECT_EQ(view.Doc.CurrentPage, 2);
    EXPECT_EQ(view.PanelText(1), "Seite 3/3");
    view.Prev_page->trigger();
    EXPECT_EQ(view.PanelText(1), "Seite 2/3");
}

TEST_F(FaxViewTest, HeightToggleRestoresExactlyAndCopiesPictureAtItsOwnSize)
{
    TFaxView view;
    view.show();
    view.DecodeFax(DemoFax());
    view.Zoom_out->trigger();
    const QSize before = view.ImageSize();
    view.Fax200100->trigger();
    EXPECT_TRUE(view.Fax200100->isChecked());
    EXPECT_EQ(view.Doc.HeightFactor, 2);
    EXPECT_EQ(view.ImageSize(), QSize(before.width(), before.height() * 2));
    view.Fax200100->trigger();
    EXPECT_FALSE(view.Fax200100->isChecked());
    EXPECT_EQ(view.ImageSize(), before);

    view.CopyClip->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), view.PictureSize());

    view.BreiteaufFenster->trigger();
    EXPECT_EQ(view.ImageSize().width(), view.ScrollBox1->viewport()->width());
}

TEST_F(FaxViewTest, SavedHeightFactorTwoStartsCheckedAndDrawsTwiceAsHigh)
{
    QFile ini(home.path() + "/FAX.INI");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Faxfenster]\r\nHoehemul=2\r\nWidth=700\r\nHeight=500\r\n");
    ini.close();
    TFaxView view;
    view.show();
    EXPECT_TRUE(view.Fax200100->isChecked());
    EXPECT_EQ(view.size(), QSize(700, 500));
    view.DecodeFax(DemoFax());
    EXPECT_EQ(view.ImageSize().height(), 2 * view.PictureSize().height());
}

TEST_F(FaxViewTest, CommandsDuringDecodingAreHeldOff)
{
    TFaxView view;
    view.show();
    view.DecodeFax(DemoFax());
    int fired = 0;
    Dialogs().openFile = [&](QWidget*) {
        ADD_FAILURE() << "open while decoding";
        return QString();
    };
    // Arrives while the next page decodes: paging, opening and printing must wait for it.
    QTimer::singleShot(0, &view, [&] {
        ++fired;
        view.Next_Page->trigger();
        view.Prev_page->trigger();
        view.Open_file->trigger();
        view.Drucken->trigger();
        view.zoom_in->trigger();
    });
    view.Next_Page->trigger();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(view.Doc.CurrentPage, 1);
    EXPECT_EQ(view.PanelText(1), "Seite 2/3");
    EXPECT_EQ(view.ImageSize(), view.PictureSize()); // the page's own size wins over the zoom
}

TEST_F(FaxViewTest, ShowFaxOpensANewViewerOnTheFax)
{
    TZarvo zarvo;
    InstallFaxViewer(zarvo);
    const FaxBytes fax = DemoFax();
    QByteArray message("F\x03");
    message.append(reinterpret_cast<const char*>(fax.data()), static_cast<qsizetype>(fax.size()));
    EXPECT_EQ(zarvo.ShowFax(message), 0);
    EXPECT_EQ(zarvo.ShowFax(message), 0);
    const auto views = zarvo.findChildren<QObject*>(QStringLiteral("FaxViewers"));
    ASSERT_EQ(views.size(), 1);
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* v = qobject_cast<TFaxView*>(w); v && v->isVisible() && v->Doc.PageCount == 3)
            ++shown;
    EXPECT_EQ(shown, 2);
    TFaxView* empty = OpenFaxViewer(zarvo);
    EXPECT_EQ(empty->Doc.PageCount, 0);
    zarvo.OpenFaxViewer(); // the main window's command
    int windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        windows += qobject_cast<TFaxView*>(w) && w->isVisible();
    EXPECT_EQ(windows, 4);
    empty->Close_Window->trigger();
    EXPECT_FALSE(empty->isVisible());
}

// --- Printing into a PDF file ---

bool HavePoppler()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty();
}

QString RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

void PrintToPdf(TFaxView& view, const QString& file)
{
    QPrinter& printer = view.XPrint1.Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(5, 7, 5, 7), QPageLayout::Millimeter);
    printer.setResolution(600);
}

TEST_F(FaxViewTest, PrintsChosenPagesAndEndsOnTheLastOne)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils missing";
    QTemporaryDir out;
    out.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP_PDF"));
    TFaxView view;
    view.show();
    view.DecodeFax(DemoFax());
    PrintToPdf(view, out.filePath("pages.pdf"));
    view.PrintPages(1, 2);
    EXPECT_EQ(view.Doc.CurrentPage, 2);
    EXPECT_EQ(view.PanelText(1), "Seite 3/3");
    const QString info = RunTool("pdfinfo", {out.filePath("pages.pdf")});
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\n"))) << info.toStdString();
    EXPECT_TRUE(info.contains("595 x 842 pts")) << info.toStdString(); // A4
    // The 1-bit page goes into the PDF as it is: one bit per pixel, not a lossy JPEG.
    const QString images = RunTool("pdfimages", {"-list", out.filePath("pages.pdf")});
    EXPECT_TRUE(images.contains(QRegularExpression("image\\s+\\d+\\s+\\d+\\s+\\w+\\s+\\d+\\s+1\\s+")))
        << images.toStdString();
    EXPECT_FALSE(images.contains("jpeg")) << images.toStdString();

    // An empty range starts no job at all: a printer would give out a blank sheet.
    PrintToPdf(view, out.filePath("empty.pdf"));
    view.PrintPages(2, 1);
    EXPECT_EQ(view.Doc.CurrentPage, 2);
    EXPECT_FALSE(QFile::exists(out.filePath("empty.pdf")));
}

int PdfPages(const QString& file)
{
    const QRegularExpressionMatch m =
        QRegularExpression("Pages:\\s+(\\d+)").match(RunTool("pdfinfo", {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The print dialog opens on all pages every time; copies and reverse order reach a PDF file; a job
// that cannot start says so; an empty viewer starts none.
TEST_F(FaxViewTest, PrintJobsFollowTheDialogAndNeverWasteASheet)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils missing";
    QTemporaryDir out;
    test::ScriptedMessages boxes;
    TFaxView empty;
    PrintToPdf(empty, out.filePath("none.pdf"));
    empty.PrintPages(0, 0);
    EXPECT_FALSE(QFile::exists(out.filePath("none.pdf")));

    TFaxView view;
    view.show();
    view.DecodeFax(DemoFax());
    PrintToPdf(view, out.filePath("range.pdf"));
    std::vector<QAbstractPrintDialog::PrintRange> opened;
    Dialogs().runModal = [&](QDialog& d) {
        auto& dialog = static_cast<QPrintDialog&>(d);
        opened.push_back(dialog.printRange());
        if (opened.size() == 1) { // the user asks for page 2 only
            dialog.setPrintRange(QAbstractPrintDialog::PageRange);
            dialog.setFromTo(2, 2);
        }
        return true;
    };
    view.Drucken->trigger();
    EXPECT_EQ(PdfPages(out.filePath("range.pdf")), 1);
    PrintToPdf(view, out.filePath("all.pdf"));
    view.Drucken->trigger();
    EXPECT_EQ(opened, (std::vector{QAbstractPrintDialog::AllPages, QAbstractPrintDialog::AllPages}));
    EXPECT_EQ(PdfPages(out.filePath("all.pdf")), 3);

    PrintToPdf(view, out.filePath("copies.pdf"));
    view.XPrint1.Printer().setCopyCount(2);
    view.XPrint1.Printer().setPageOrder(QPrinter::LastPageFirst);
    view.PrintPages(0, 1);
    EXPECT_EQ(PdfPages(out.filePath("copies.pdf")), 4);
    EXPECT_EQ(view.Doc.CurrentPage, 0) << "the reversed job ends on the first page";
    EXPECT_TRUE(boxes.shown.empty());

    PrintToPdf(view, out.filePath("no such folder/x.pdf"));
    view.PrintPages(0, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Der Druckauftrag konnte nicht gestartet werden."));
}

// A file that is no fax is reported and the fax on show stays; a hovered command's hint leaves the
// page panels alone.
TEST_F(FaxViewTest, ForeignFileAndHintsLeaveTheShownFax)
{
    QTemporaryDir dir;
    const QString text = dir.filePath("notiz.txt");
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("kein Fax");
    file.close();
    test::ScriptedMessages boxes;
    TFaxView view;
    view.show();
    view.DecodeFax(DemoFax());
    const QSize shown = view.ImageSize();
    Dialogs().openFile = [&](QWidget*) { return text; };
    view.Open_file->trigger();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("notiz.txt"));
    EXPECT_EQ(view.PanelText(0), "Dargestellt");
    EXPECT_EQ(view.Doc.PageCount, 3);
    EXPECT_EQ(view.ImageSize(), shown);
    EXPECT_FALSE(view.Doc.Pages[0].empty());

    view.zoom_in->showStatusText(&view);
    EXPECT_EQ(view.PanelText(1), "Seite 1/3");
    EXPECT_EQ(view.PanelText(2), QStringLiteral("Vergrößert das Bild"));
    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(&view, &leave);
    EXPECT_TRUE(view.PanelText(2).isEmpty());
}

TEST_F(FaxViewTest, PrintedPageLandsWhereTheRectangleSays)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils missing";
    QTemporaryDir out;
    TFaxView view;
    view.show();
    view.DecodeFax(DemoFax());
    EnsureFrmFROpt(&view).PrintZoom = 1;
    view.Image->resize(829, 1100); // at 100 % one screen pixel is 0.1 mm
    PrintToPdf(view, out.filePath("page.pdf"));
    view.PrintPages(0, 0);
    const XPrintGeometry& g = view.XPrint1.Geometry();
    ASSERT_GT(g.LeftBorder(), 0);

    // At 254 dots per inch one pixel of the rendering is 0.1 mm of paper.
    RunTool("pdftoppm",
            {"-r", "254", "-gray", "-f", "1", "-l", "1", out.filePath("page.pdf"), out.filePath("r")});
    QImage rendered(out.filePath("r-1.pgm"));
    ASSERT_FALSE(rendered.isNull());
    EXPECT_NEAR(rendered.width(), 2100, 1); // A4 at 0.1 mm a pixel
    EXPECT_NEAR(rendered.height(), 2970, 1);
    const QRect target(g.LeftBorder() + 1, g.TopBorder() + 1, 829, 1100);
    const QImage expected =
        view.Image->picture().scaled(target.size()).convertToFormat(QImage::Format_Grayscale8);
    long long outside = 0, inside = 0, agree = 0;
    for (int y = 0; y < rendered.height(); ++y)
        for (int x = 0; x < rendered.width(); ++x) {
            const bool dark = qGray(rendered.pixel(x, y)) < 128;
            if (!target.contains(x, y)) {
                outside += dark;
                continue;
            }
            ++inside;
            const bool want = qGray(expected.pixel(x - target.x(), y - target.y())) < 128;
            agree += dark == want;
        }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(static_cast<double>(agree) / inside, 0.97);
}

} // namespace
} // namespace zarvo
