// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/PageImage.h"

#include "fax/PageBitmap.h"

#include <QPaintEvent>
#include <QPainter>

#include <cstring>

namespace zarvo {

PageImage::PageImage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Image2"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageImage::setPicture(const QImage& picture)
{
    m_picture = picture;
    m_display = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
    update();
}

void PageImage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    if (m_display.isNull() || width() == 0 || height() == 0) {
        painter.fillRect(exposed, Qt::white);
        return;
    }
    const double sx = static_cast<double>(m_display.width()) / width();
    const double sy = static_cast<double>(m_display.height()) / height();
    // Shrinking a line drawing pixel by pixel loses thin strokes; enlarging keeps the pixels sharp.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, sx > 1.0 || sy > 1.0);
    const QRectF source(exposed.x() * sx, exposed.y() * sy, exposed.width() * sx, exposed.height() * sy);
    painter.drawImage(QRectF(exposed), m_display, source);
}

QImage PagePictureImage(const PageBitmap& page)
{
    if (page.width <= 0 || page.height <= 0)
        return QImage();
    QImage image(page.width, page.height, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const int stride = page.stride();
    for (int y = 0; y < page.height; ++y) {
        const uint8_t* from = page.bits.data() + static_cast<size_t>(y) * stride;
        uchar* to = image.scanLine(y);
        // The page marks black with 1; index 0 of the colour table is black.
        for (int i = 0; i < stride; ++i)
            to[i] = static_cast<uchar>(~from[i]);
    }
    return image;
}

} // namespace zarvo
