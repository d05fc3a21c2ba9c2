// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UHauptImages.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QString>

#include <algorithm>

// The resource file lives in a static library: its registration has to be pulled in by name.
static void InitAppResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(app);
        return true;
    }();
    (void)done;
}

namespace zarvo {

QIcon ImageList1(int index)
{
    static const char* const names[kImageCount] = {"voice", "fax",   "line-play", "line-stop", "flag",
                                                   "close", "erase", "reload",    "info",      "save"};
    InitAppResources();
    if (index < 0 || index >= kImageCount)
        return {};
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(names[index])));
}

QIcon ApplicationIcon()
{
    InitAppResources();
    return QIcon(QStringLiteral(":/icons/zarvo.svg"));
}

QIcon MarkedApplicationIcon()
{
    QIcon marked;
    const QIcon base = ApplicationIcon();
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = base.pixmap(size, size);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal d = size * 0.5;
        painter.setPen(QPen(Qt::white, std::max(1.0, size / 16.0)));
        painter.setBrush(QColor(0xd0, 0x20, 0x20));
        painter.drawEllipse(QRectF(size - d - 0.5, 0.5, d, d));
        painter.end();
        marked.addPixmap(pixmap);
    }
    return marked;
}

} // namespace zarvo
