// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/XPrintGeometry.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QString>

#include <memory>

namespace zarvo {

enum class TXPrinterOrientation { xpoPortrait, xpoLandscape };

// The print component: draws on the printer in logical units (mils, 1/10 or 1/100 mm) with
// margins, through XPrintGeometry's mapping applied to a QPainter. Besides the platform's printer
// queues it counts Qt's PDF output as a device once a file name is chosen, so a machine without
// any printer can still print into a file.
class TXPrint {
  public:
    TXPrint();
    ~TXPrint();
    TXPrint(const TXPrint&) = delete;
    TXPrint& operator=(const TXPrint&) = delete;

    // The number of printer queues of the system (0 when asking fails).
    static quint16 CountPrinters();
    // Asks the system for its queues again (at the print dialog and every job start), so a window
    // made before the first queue existed can print; without a printer chosen, the default one
    // (or the first) becomes it.
    void RefreshPrinters();

    QPrinter& Printer() { return m_printer; }
    const XPrintGeometry& Geometry() const { return m_geo; }

    TScaling Scaling() const { return m_geo.Scaling; }
    void SetScaling(TScaling scaling); // ignored during a job
    void SetMargins(int32_t left, int32_t top, int32_t right, int32_t bottom);

    bool Printing() const { return m_printing; }
    bool Aborted() const;
    int Copies() const;
    void SetCopies(int copies);
    QString Title() const;
    void SetTitle(const QString& title);
    TXPrinterOrientation Orientation() const;
    void SetOrientation(TXPrinterOrientation orientation);

    // False when the job has no device or the device refuses it; nothing is printed then.
    bool BeginDoc();
    void NewPage();
    void EndDoc();

    // Where to draw: the printer during a job, otherwise a canvas connected to no device.
    QPainter& Canvas();
    QFont Font() const;
    void SetFont(const QFont& font);
    void SetFontSize(int32_t size);
    int32_t LastFontSize() const { return m_lastFontSize; }
    int32_t CanvasFontSize() const { return m_canvasFontSize; }

    int32_t PageWidth() const { return m_geo.PageWidth; }
    int32_t PageHeight() const { return m_geo.PageHeight; }
    int32_t LeftBorder() const { return m_geo.LeftBorder(); }
    int32_t RightBorder() const { return m_geo.RightBorder(); }
    int32_t TopBorder() const { return m_geo.TopBorder(); }
    int32_t BottomBorder() const { return m_geo.BottomBorder(); }

  private:
    bool HasDevice() const;
    void ReadDeviceCaps();
    void ApplyMapping();
    void ApplyFont();

    QPrinter m_printer{QPrinter::HighResolution};
    XPrintGeometry m_geo;
    quint16 m_printerCount = 0;
    bool m_printing = false;
    bool m_jobDevice = false; // the job that runs has a device to draw on
    QPainter m_painter;
    QImage m_ownSurface{1, 1, QImage::Format_RGB32};
    QPainter m_ownCanvas;
    QFont m_font;
    std::unique_ptr<QFont> m_savedFont;
    int32_t m_canvasFontSize = 0;
    int32_t m_lastFontSize = 0;
};

} // namespace zarvo
