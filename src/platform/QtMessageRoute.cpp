// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtMessageRoute.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <cstdio>
#include <mutex>

namespace zarvo::QtMessageRoute {

namespace {

constexpr qsizetype kKeep = 200;

std::mutex g_mutex;
QStringList g_collected;
std::function<void(const QString&)> g_sink;
bool g_stderr = false;
QtMessageHandler g_previous = nullptr;

// Hands the collected lines to the sink; runs on the application's thread.
void Flush()
{
    QStringList lines;
    std::function<void(const QString&)> sink;
    {
        std::lock_guard lock(g_mutex);
        if (!g_sink)
            return;
        lines.swap(g_collected);
        sink = g_sink;
    }
    for (const QString& line : lines)
        sink(line);
}

void Handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg) {
        if (g_previous)
            g_previous(type, context, message);
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        std::abort();
    }
    const QString line = QStringLiteral("Qt: ") + message;
    if (g_stderr) {
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
    }
    bool post = false;
    {
        std::lock_guard lock(g_mutex);
        g_collected << line;
        if (g_collected.size() > kKeep)
            g_collected.remove(0, g_collected.size() - kKeep);
        post = static_cast<bool>(g_sink);
    }
    // Never call into the status log from here directly: the message may come from any thread, or
    // from inside a widget's own painting.
    if (post && QCoreApplication::instance())
        QMetaObject::invokeMethod(QCoreApplication::instance(), &Flush, Qt::QueuedConnection);
}

} // namespace

void Install(bool alsoStandardError)
{
    g_stderr = alsoStandardError;
    QtMessageHandler previous = qInstallMessageHandler(Handler);
    if (previous != Handler)
        g_previous = previous;
}

void Uninstall()
{
    qInstallMessageHandler(nullptr);
    std::lock_guard lock(g_mutex);
    g_collected.clear();
    g_sink = {};
    g_previous = nullptr;
}

void SetSink(std::function<void(const QString& line)> sink)
{
    {
        std::lock_guard lock(g_mutex);
        g_sink = std::move(sink);
    }
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
        Flush();
}

QStringList Collected()
{
    std::lock_guard lock(g_mutex);
    return g_collected;
}

} // namespace zarvo::QtMessageRoute
