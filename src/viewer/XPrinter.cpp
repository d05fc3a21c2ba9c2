// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/XPrinter.h"

#include <QPageLayout>
#include <QPrinterInfo>

namespace zarvo {

quint16 TXPrint::CountPrinters()
{
    try {
        return static_cast<quint16>(QPrinterInfo::availablePrinters().size());
    }
    catch (...) {
        return 0;
    }
}

TXPrint::TXPrint()
{
    RefreshPrinters();
    m_geo.SetResolution(300, 300);
    m_geo.UnitsPerInch = 1;
    m_font = QFont(QStringLiteral("DejaVu Sans"), 10);
    m_canvasFontSize = m_font.pointSize();
}

TXPrint::~TXPrint()
{
    if (m_painter.isActive())
        m_painter.end();
    if (m_ownCanvas.isActive())
        m_ownCanvas.end();
}

void TXPrint::RefreshPrinters()
{
    m_printerCount = CountPrinters();
    // A queue set up after the window was made becomes the printer, unless one was chosen or the
    // job goes into a PDF file (naming a printer would end that).
    if (m_printerCount == 0 || m_printing || m_printer.outputFormat() != QPrinter::NativeFormat ||
        !m_printer.printerName().isEmpty())
        return;
    const QPrinterInfo def = QPrinterInfo::defaultPrinter();
    const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
    if (!def.isNull())
        m_printer.setPrinterName(def.printerName());
    else if (!all.isEmpty())
        m_printer.setPrinterName(all.front().printerName());
}

bool TXPrint::HasDevice() const
{
    if (m_printer.outputFormat() == QPrinter::PdfFormat)
        return !m_printer.outputFileName().isEmpty();
    return m_printerCount > 0;
}

void TXPrint::SetScaling(TScaling scaling)
{
    if (!m_printing)
        m_geo.SetScaling(scaling);
}

void TXPrint::SetMargins(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    m_geo.MarginLeft = left;
    m_geo.MarginTop = top;
    m_geo.MarginRight = right;
    m_geo.MarginBottom = bottom;
}

bool TXPrint::Aborted() const
{
    return HasDevice() && m_printer.printerState() == QPrinter::Aborted;
}
int TXPrint::Copies() const
{
    return HasDevice() ? m_printer.copyCount() : 1;
}
void TXPrint::SetCopies(int copies)
{
    m_printer.setCopyCount(copies);
}
QString TXPrint::Title() const
{
    return m_printer.docName();
}
void TXPrint::SetTitle(const QString& title)
{
    m_printer.setDocName(title);
}

TXPrinterOrientation TXPrint::Orientation() const
{
    return m_printer.pageLayout().orientation() == QPageLayout::Landscape ? TXPrinterOrientation::xpoLandscape
                                                                          : TXPrinterOrientation::xpoPortrait;
}

void TXPrint::SetOrientation(TXPrinterOrientation orientation)
{
    m_printer.setPageOrientation(orientation == TXPrinterOrientation::xpoLandscape ? QPageLayout::Landscape
                                                                                   : QPageLayout::Portrait);
}

void TXPrint::ReadDeviceCaps()
{
    m_geo.SetResolution(m_printer.resolution(), m_printer.resolution());
    const QRectF paper = m_printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = m_printer.pageRect(QPrinter::DevicePixel);
    m_geo.PhysicalWidth = qRound(paper.width());
    m_geo.PhysicalHeight = qRound(paper.height());
    m_geo.HorzRes = qRound(page.width());
    m_geo.VertRes = qRound(page.height());
    m_geo.PhysicalOffsetX = qRound(page.x() - paper.x());
    m_geo.PhysicalOffsetY = qRound(page.y() - paper.y());
}

void TXPrint::ApplyMapping()
{
    const XPrintGeometry::Mapping m = m_geo.SetupMapping();
    if (m.isDot) {
        m_painter.resetTransform();
        return;
    }
    // The painter's origin is the printable area's corner, as the device origin of the mapping is.
    const double s = m.scale();
    m_painter.setWorldTransform(QTransform(s, 0, 0, s, m.originX, m.originY));
}

void TXPrint::ApplyFont()
{
    // Font sizes under the mapping are logical units per point of the device's resolution.
    QFont f = m_font;
    const int32_t pixels = static_cast<int32_t>(static_cast<int64_t>(m_canvasFontSize) * m_geo.DpiY / 72);
    if (m_printing && m_geo.Scaling != TScaling::pscDot)
        f.setPixelSize(std::max(1, pixels));
    else
        f.setPointSize(std::max(1, m_canvasFontSize));
    Canvas().setFont(f);
}

bool TXPrint::BeginDoc()
{
    // The queues are asked at every job: one set up while the window was open prints as well.
    RefreshPrinters();
    m_jobDevice = HasDevice();
    if (!m_jobDevice)
        return false;
    ReadDeviceCaps();
    if (!m_painter.begin(&m_printer)) {
        m_jobDevice = false;
        return false;
    }
    m_printing = true;
    ApplyMapping();
    m_savedFont = std::make_unique<QFont>(m_font);
    SetFontSize(m_font.pointSize());
    return true;
}

void TXPrint::NewPage()
{
    m_printerCount = CountPrinters();
    if (!m_printing || !HasDevice())
        return;
    m_printer.newPage();
    ApplyMapping();
    SetFontSize(m_lastFontSize);
}

void TXPrint::EndDoc()
{
    if (m_jobDevice) {
        if (m_painter.isActive())
            m_painter.end();
        if (m_savedFont) {
            m_font = *m_savedFont;
            m_savedFont.reset();
        }
        m_canvasFontSize = m_font.pointSize();
    }
    m_jobDevice = false;
    m_printing = false;
}

QPainter& TXPrint::Canvas()
{
    if (m_printing && m_painter.isActive())
        return m_painter;
    if (!m_ownCanvas.isActive())
        m_ownCanvas.begin(&m_ownSurface);
    return m_ownCanvas;
}

QFont TXPrint::Font() const
{
    return m_font;
}

void TXPrint::SetFont(const QFont& font)
{
    m_font = font;
    m_canvasFontSize = font.pointSize();
}

void TXPrint::SetFontSize(int32_t size)
{
    if (!HasDevice())
        return;
    m_lastFontSize = size;
    m_canvasFontSize = m_geo.FontSizeFor(size, m_printing, m_geo.DpiY);
    if (m_printing)
        ApplyFont();
}

} // namespace zarvo
