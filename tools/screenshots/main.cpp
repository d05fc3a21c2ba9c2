// SPDX-License-Identifier: GPL-3.0-or-later
// zarvo-screenshots OUTDIR DATADIR [AREA...]: saves a PNG of every registered window.

#include "Shots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QWidget>

#include <cstdio>

namespace zarvo::shots {

std::vector<Entry>& Registry()
{
    static std::vector<Entry> entries;
    return entries;
}

void Context::save(QWidget* window, const QString& name)
{
    if (!window->isVisible())
        window->show();
    window->raise();
    window->activateWindow();
    // Give the window system time to map, lay out and paint.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 400)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const QString file = QDir(m_outDir).filePath(name + QStringLiteral(".png"));
    if (window->grab().save(file)) {
        ++m_saved;
        std::printf("%s\n", qPrintable(file));
    }
    else {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    }
}

} // namespace zarvo::shots

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: zarvo-screenshots OUTDIR DATADIR [AREA...]\n");
        return 2;
    }
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    zarvo::shots::Context context(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    QStringList areas;
    for (int i = 3; i < argc; ++i)
        areas << QString::fromLocal8Bit(argv[i]);
    for (const auto& entry : zarvo::shots::Registry())
        if (areas.isEmpty() || areas.contains(entry.area))
            entry.run(context);
    return context.saved() > 0 ? 0 : 1;
}
