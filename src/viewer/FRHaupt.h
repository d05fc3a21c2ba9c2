// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/CodeTable.h"
#include "fax/FaxDocument.h"
#include "viewer/XPrinter.h"

#include <QMainWindow>
#include <QSize>

#include <memory>

class QAction;
class QLabel;
class QPlainTextEdit;
class QScrollArea;

namespace zarvo {

class PageDecoder;
class PageImage;

// "Anzeige von Faxen": shows one fax a page at a time, with zoom, fit, paging, clipboard, the
// 200 x 100 dpi mode, file open/save and printing. Closing only hides it.
class TFaxView : public QMainWindow {
    Q_OBJECT
  public:
    explicit TFaxView(QWidget* parent = nullptr);
    ~TFaxView() override;

    // The fax, its pages, the page on show (FaxData, Pages, PageCount, CurrentPage, HeightFactor)
    // and the decoded page bitmap.
    FaxDocument Doc;

    PageImage* Image = nullptr; // the image control, Image2
    QScrollArea* ScrollBox1 = nullptr;
    QPlainTextEdit* G3Table = nullptr; // hidden: the code table text the viewer decodes with
    TXPrint XPrint1;

    QAction* Open_file = nullptr;
    QAction* Save_file = nullptr;
    QAction* CopyClip = nullptr;
    QAction* Drucken = nullptr;
    QAction* Optionen = nullptr;
    QAction* Close_Window = nullptr;
    QAction* Zoom_out = nullptr;
    QAction* zoom_in = nullptr;
    QAction* InFenster = nullptr;
    QAction* No_zoom = nullptr;
    QAction* BreiteaufFenster = nullptr;
    QAction* Fax200100 = nullptr;
    QAction* Next_Page = nullptr;
    QAction* Prev_page = nullptr;

    // Decoding and display
    void LoadCodeTable();
    void ShowPage(int Index);
    void ShowPageNumber();
    // FaxData := fax, SplitPages, then page 0.
    void DecodeFax(FaxBytes fax);

    QSize ImageSize() const;
    QSize PictureSize() const;
    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);
    // A page is being decoded or printed: commands that change or read the document wait for it.
    bool Working() const { return m_decoding || m_printing; }

    // Prints pages first..last (0-based) with the print component as it is set up; no dialog.
    void PrintPages(int first, int last);

  public slots:
    void Open_fileExecute();
    // Shows the fax file `fileName` (.ufr, .mmf); false (with the error shown) when it is none.
    bool OpenFaxFile(const QString& fileName);
    void Save_fileExecute();
    void CopyClipExecute();
    void DruckenExecute();
    void OptionenExecute();
    void Close_WindowExecute();
    void Zoom_outExecute();
    void zoom_inExecute();
    void InFensterExecute();
    void No_zoomExecute();
    void BreiteaufFensterExecute();
    void Fax200100Execute();
    void Next_PageExecute();
    void Prev_pageExecute();

  protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void CreateActions();
    void CreateMenusAndToolBar();
    void SetImageSize(QSize size);
    QSize ClientSize() const;

    CodeTable m_table;
    std::unique_ptr<PageDecoder> m_decoder;
    QLabel* m_panels[3] = {};
    bool m_decoding = false;
    bool m_printing = false;
};

} // namespace zarvo
