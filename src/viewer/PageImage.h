// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

namespace zarvo {

// The viewer's image control: shows the page picture stretched to the control's own size, so a
// zoom is nothing but a new size. Paints only the exposed part, so even a very large control
// costs no more than the window it is seen through.
class PageImage : public QWidget {
    Q_OBJECT
  public:
    explicit PageImage(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage m_picture; // the page as decoded, 1 bit per pixel
    QImage m_display; // the same in 32 bits, scaled smoothly when shown smaller
};

// The page bitmap as a 1-bit picture whose colour table is exactly {black, white}: so it is copied
// losslessly into PDF output and the clipboard.
QImage PagePictureImage(const struct PageBitmap& page);

} // namespace zarvo
