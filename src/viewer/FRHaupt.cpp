// SPDX-License-Identifier: GPL-3.0-or-later
// TFaxView: the window, its actions, zoom and paging, and the page display.

#include "viewer/FRHaupt.h"

#include "common/MessageSeam.h"
#include "fax/PageDecoder.h"
#include "viewer/PageImage.h"
#include "viewer/UFROpt.h"
#include "viewer/ViewGeometry.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

#include <vector>

// The tool bar's images live in the viewer library's resources; a static library must load them.
static void InitViewerResources()
{
    Q_INIT_RESOURCE(viewer);
}

namespace zarvo {

namespace {

struct ActionDef {
    QAction* TFaxView::*member;
    const char* name;
    const char* caption;
    const char* hint;
    const char* category;
    const char* icon; // resource name under :/viewer/, or nullptr
    QKeySequence key;
    void (TFaxView::*handler)();
};

// Built on first use: key sequences need the running application.
const std::vector<ActionDef>& Actions()
{
    static const std::vector<ActionDef> actions = {
        {&TFaxView::Open_file, "Open_file", "Datei &öffnen...", "Öffnet ein Fax", "Datei", "open",
         QKeySequence::Open, &TFaxView::Open_fileExecute},
        {&TFaxView::Save_file, "Save_file", "Datei &speichern...",
         "Speichert die Datei (Achtung BMP kann nicht geladen werden !)", "Datei", "save", QKeySequence::Save,
         &TFaxView::Save_fileExecute},
        {&TFaxView::CopyClip, "CopyClip", "Kopiert in die &Zwischenablage",
         "Kopiert das Bild in die Zwischenablage", "Datei", "copy", QKeySequence::Copy,
         &TFaxView::CopyClipExecute},
        {&TFaxView::Drucken, "Drucken", "D&rucken...", "Druckt die aktuelle Fax-Seite", "Datei", "print",
         QKeySequence::Print, &TFaxView::DruckenExecute},
        {&TFaxView::Optionen,
         "Optionen",
         "&Optionen...",
         "",
         "Datei",
         nullptr,
         {},
         &TFaxView::OptionenExecute},
        {&TFaxView::Close_Window, "Close_Window", "&Schließen", "&Schließt das Fenster", "Datei", "close",
         QKeySequence(Qt::CTRL | Qt::Key_W), &TFaxView::Close_WindowExecute},
        {&TFaxView::Zoom_out, "Zoom_out", "Ver&kleinern", "Verkleinert die Darstellung", "Darstellung",
         "zoom-out", QKeySequence(Qt::CTRL | Qt::Key_F2), &TFaxView::Zoom_outExecute},
        {&TFaxView::zoom_in, "zoom_in", "Ver&größern", "Vergrößert das Bild", "Darstellung", "zoom-in",
         QKeySequence(Qt::CTRL | Qt::Key_F3), &TFaxView::zoom_inExecute},
        {&TFaxView::InFenster,
         "InFenster",
         "&Angepaßt",
         "&Paßt die Größe auf das Fenster an",
         "Darstellung",
         nullptr,
         {},
         &TFaxView::InFensterExecute},
        {&TFaxView::No_zoom,
         "No_zoom",
         "&1 zu 1",
         "Deaktiviert den Zoom",
         "Darstellung",
         nullptr,
         {},
         &TFaxView::No_zoomExecute},
        {&TFaxView::BreiteaufFenster, "BreiteaufFenster", "&Breite auf Fenster",
         "Vergrößert das Fax auf Fensterbreite", "Darstellung", nullptr, QKeySequence(Qt::CTRL | Qt::Key_F4),
         &TFaxView::BreiteaufFensterExecute},
        {&TFaxView::Fax200100,
         "Fax200100",
         "&Fax in 200x100dpi",
         "",
         "Darstellung",
         nullptr,
         {},
         &TFaxView::Fax200100Execute},
        {&TFaxView::Next_Page, "Next_Page", "&Nächste Seite", "Wechselt zur nächsten Seite", "Darstellung",
         "next", QKeySequence(Qt::Key_PageDown), &TFaxView::Next_PageExecute},
        {&TFaxView::Prev_page, "Prev_page", "&Vorherige Seite", "Zeigt die vorhergehende Seite",
         "Darstellung", "prev", QKeySequence(Qt::Key_PageUp), &TFaxView::Prev_pageExecute},
    };
    return actions;
}

// A hint's accelerator marks mean nothing in a tool tip.
QString PlainHint(const char* hint)
{
    return QString::fromUtf8(hint).remove(QChar('&'));
}

} // namespace

TFaxView::TFaxView(QWidget* parent) : QMainWindow(parent)
{
    InitViewerResources();
    setObjectName(QStringLiteral("FaxView"));
    setWindowTitle(QStringLiteral("Anzeige von Faxen"));
    resize(576, 400);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    Image = new PageImage;
    Image->resize(0, 0);
    ScrollBox1->setWidget(Image);
    setCentralWidget(ScrollBox1);

    G3Table = new QPlainTextEdit(this);
    G3Table->setObjectName(QStringLiteral("G3Table"));
    const std::string_view table = zarvo::G3Table();
    G3Table->setPlainText(QString::fromLatin1(table.data(), static_cast<qsizetype>(table.size())));
    G3Table->hide();

    const int widths[3] = {125, 100, 50};
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        m_panels[i]->setMinimumWidth(widths[i]);
        statusBar()->addWidget(m_panels[i], i == 2 ? 1 : 0);
    }

    CreateActions();
    CreateMenusAndToolBar();

    // FormCreate
    LoadCodeTable();
    Doc.HeightFactor = 1;
    EnsureFrmFROpt(this);

    XPrint1.SetScaling(TScaling::pscMetric10);
    XPrint1.SetMargins(0, 0, 0, 0);
    XPrint1.SetCopies(1);
    XPrint1.SetOrientation(TXPrinterOrientation::xpoPortrait);
}

TFaxView::~TFaxView() = default;

void TFaxView::CreateActions()
{
    for (const ActionDef& def : Actions()) {
        auto* action = new QAction(QString::fromUtf8(def.caption), this);
        action->setObjectName(QString::fromLatin1(def.name));
        action->setProperty("category", QString::fromLatin1(def.category));
        if (*def.hint) {
            action->setToolTip(PlainHint(def.hint));
            action->setStatusTip(PlainHint(def.hint));
        }
        if (def.icon)
            action->setIcon(QIcon(QStringLiteral(":/viewer/%1.svg").arg(QString::fromLatin1(def.icon))));
        if (!def.key.isEmpty())
            action->setShortcut(def.key);
        connect(action, &QAction::triggered, this, def.handler);
        this->*def.member = action;
    }
    Fax200100->setCheckable(true);
}

void TFaxView::CreateMenusAndToolBar()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Datei"));
    file->addActions({Open_file, Save_file, CopyClip});
    file->addSeparator();
    file->addActions({Drucken, Optionen});
    file->addSeparator();
    file->addAction(Close_Window);
    QMenu* view = menuBar()->addMenu(QStringLiteral("&Ansicht"));
    view->addActions({Zoom_out, zoom_in});
    view->addSeparator();
    view->addActions({InFenster, No_zoom, BreiteaufFenster, Fax200100});
    view->addSeparator();
    view->addActions({Next_Page, Prev_page});

    QToolBar* bar = addToolBar(QStringLiteral("Werkzeuge"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setIconSize(QSize(22, 22));
    bar->addActions({Open_file, Save_file, CopyClip, Drucken});
    bar->addSeparator();
    bar->addActions({zoom_in, Zoom_out});
    bar->addSeparator();
    bar->addActions({Prev_page, Next_Page});
    bar->addSeparator();
    bar->addAction(Close_Window);
}

void TFaxView::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    // FormShow: a new viewer starts with the saved window size and height factor.
    const TfrmFROpt& opt = EnsureFrmFROpt(this);
    resize(opt.FensterWidth, opt.FensterHeight);
    if (const QScreen* where = screen())
        move(where->availableGeometry().center() - rect().center());
    Doc.HeightFactor = opt.Hoehemul;
    Fax200100->setChecked(Doc.HeightFactor == 2);
}

bool TFaxView::event(QEvent* event)
{
    // The status bar would hide every panel behind a hovered command's hint; the page panels stay
    // and the hint goes to the free third panel.
    if (event->type() == QEvent::StatusTip) {
        m_panels[2]->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TFaxView::LoadCodeTable()
{
    const std::string text = G3Table->toPlainText().toStdString();
    const CodeTableLoad load = LoadCodeTableText(m_table, text);
    if (!load.ok()) {
        if (load.emptyColumn)
            Messages().information(kAppCaption, QString::fromStdString(load.line));
        Messages().error(kAppCaption, QString::fromStdString(load.message));
    }
    m_decoder = std::make_unique<PageDecoder>(m_table);
}

QString TFaxView::PanelText(int panel) const
{
    return m_panels[panel]->text();
}

void TFaxView::SetPanelText(int panel, const QString& text)
{
    m_panels[panel]->setText(text);
}

void TFaxView::ShowPageNumber()
{
    m_panels[1]->setText(QStringLiteral("Seite %1/%2").arg(Doc.CurrentPage + 1).arg(Doc.PageCount));
}

void TFaxView::ShowPage(int Index)
{
    if (m_decoding)
        return; // a page is on its way: the command that started it shows its own page
    QScopedValueRollback<bool> decoding(m_decoding, true);
    Doc.CurrentPage = Index;
    ShowPageNumber();
    Image->hide();
    Image->move(0, 0);

    static const FaxBytes kEmpty;
    const bool valid = Index >= 0 && static_cast<size_t>(Index) < Doc.Pages.size();
    const FaxBytes& page = valid ? Doc.Pages[static_cast<size_t>(Index)] : kEmpty;
    PageDecodeHooks hooks;
    hooks.status = [this](const std::string& text) { m_panels[0]->setText(QString::fromStdString(text)); };
    // The window stays responsive while a long page decodes.
    hooks.afterLine = [] { QCoreApplication::processEvents(); };
    const double zoom = EnsureFrmFROpt(this).FensterZoom;
    DecodedPage decoded = m_decoder->decode(page, zoom, Doc.HeightFactor, hooks);

    Doc.Image = std::move(decoded.bitmap);
    Image->setPicture(PagePictureImage(Doc.Image));
    SetImageSize(QSize(decoded.displayWidth, decoded.displayHeight));
    Image->show();
}

void TFaxView::DecodeFax(FaxBytes fax)
{
    if (Working())
        return;
    Doc.FaxData = std::move(fax);
    Doc.SplitPages();
    ShowPage(0);
}

QSize TFaxView::ImageSize() const
{
    return Image->size();
}

QSize TFaxView::PictureSize() const
{
    return Image->picture().size();
}

QSize TFaxView::ClientSize() const
{
    return ScrollBox1->viewport()->size();
}

void TFaxView::SetImageSize(QSize size)
{
    Image->resize(CapImageSize(size));
}

void TFaxView::Zoom_outExecute()
{
    SetImageSize(ZoomOut(ImageSize()));
}
void TFaxView::zoom_inExecute()
{
    SetImageSize(ZoomIn(ImageSize()));
}

void TFaxView::InFensterExecute()
{
    SetImageSize(FitPage(PictureSize(), ClientSize(), Doc.HeightFactor, ImageSize()));
}

void TFaxView::BreiteaufFensterExecute()
{
    SetImageSize(FitWidth(PictureSize(), ClientSize().width(), Doc.HeightFactor, ImageSize()));
}

void TFaxView::No_zoomExecute()
{
    SetImageSize(RealSize(PictureSize(), logicalDpiX(), Doc.HeightFactor));
}

void TFaxView::Fax200100Execute()
{
    // The action has flipped its check mark before it calls this.
    const bool on = Fax200100->isChecked();
    Doc.HeightFactor = on ? 2 : 1;
    SetImageSize(ToggleHeight(ImageSize(), on));
}

void TFaxView::Next_PageExecute()
{
    if (Working() || Doc.CurrentPage >= Doc.PageCount - 1)
        return;
    ShowPage(Doc.CurrentPage + 1);
    ShowPageNumber();
}

void TFaxView::Prev_pageExecute()
{
    if (Working() || Doc.CurrentPage <= 0)
        return;
    ShowPage(Doc.CurrentPage - 1);
    ShowPageNumber();
}

void TFaxView::Close_WindowExecute()
{
    close();
}

} // namespace zarvo
