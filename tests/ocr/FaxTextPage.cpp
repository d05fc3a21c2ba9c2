// SPDX-License-Identifier: GPL-3.0-or-later
#include "FaxTextPage.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <random>

namespace zarvo::test {

FaxTextPage RenderFaxText(const QStringList& lines, const QString& family, double points, int linesPerInch,
                          double noise, unsigned seed)
{
    constexpr int kDpi = 204, kWidth = 1728;
    constexpr double kInchesDown = 297 / 25.4;
    QImage square(kWidth, static_cast<int>(kInchesDown * kDpi), QImage::Format_Grayscale8);
    square.setDotsPerMeterX(static_cast<int>(std::lround(kDpi / 0.0254)));
    square.setDotsPerMeterY(static_cast<int>(std::lround(kDpi / 0.0254)));
    square.fill(Qt::white);
    const double down = static_cast<double>(linesPerInch) / kDpi;
    FaxTextPage result;
    {
        QPainter painter(&square);
        painter.setRenderHint(QPainter::TextAntialiasing);
        QFont font(family);
        font.setPointSizeF(points);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const QFontMetrics metrics(font, &square);
        int baseline = kDpi + metrics.ascent();
        for (const QString& line : lines) {
            int x = kDpi;
            for (const QString& word : line.split(' ', Qt::SkipEmptyParts)) {
                painter.drawText(x, baseline, word);
                const QRect ink = metrics.tightBoundingRect(word).translated(x, baseline);
                result.words.push_back({word, ink.x(), static_cast<int>(ink.y() * down), ink.width(),
                                        static_cast<int>(std::ceil(ink.height() * down))});
                x += metrics.horizontalAdvance(word + ' ');
            }
            baseline += static_cast<int>(metrics.lineSpacing() * 1.15);
        }
    }
    // Each page line is the mean of the square rows it covers.
    const int pageLines = static_cast<int>(kInchesDown * linesPerInch);
    result.page = PageBitmap(kWidth, pageLines);
    std::mt19937 random(seed);
    std::bernoulli_distribution flip(noise);
    std::vector<int> sum(kWidth);
    for (int y = 0; y < pageLines; ++y) {
        const int from = static_cast<int>(y / down),
                  to = std::max(from + 1, static_cast<int>((y + 1) / down));
        std::fill(sum.begin(), sum.end(), 0);
        for (int row = from; row < to && row < square.height(); ++row) {
            const uchar* grey = square.constScanLine(row);
            for (int x = 0; x < kWidth; ++x)
                sum[x] += grey[x];
        }
        for (int x = 0; x < kWidth; ++x)
            result.page.setBlack(x, y, (sum[x] < 128 * (to - from)) != (noise > 0 && flip(random)));
    }
    return result;
}

} // namespace zarvo::test
