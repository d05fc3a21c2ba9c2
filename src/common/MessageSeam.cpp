// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/MessageSeam.h"

#include <cstdio>

namespace zarvo {

namespace {

void Print(const QString& caption, const QString& text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
    // "zarvo: " as every other line the program writes there; another caption (such as "Warnung")
    // follows it.
    QString prefix = QStringLiteral("zarvo: ");
    if (!caption.isEmpty() && caption.compare(kAppCaption, Qt::CaseInsensitive) != 0)
        prefix += caption + QStringLiteral(": ");
    const QByteArray line = (prefix + out).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
    std::fflush(stderr);
}

StderrMessages& Fallback()
{
    static StderrMessages instance;
    return instance;
}

MessageSeam* g_current = nullptr;

} // namespace

bool StderrMessages::question(const QString& caption, const QString& text)
{
    Print(caption, text);
    return false;
}

void StderrMessages::information(const QString& caption, const QString& text)
{
    Print(caption, text);
}
void StderrMessages::warning(const QString& caption, const QString& text)
{
    Print(caption, text);
}
void StderrMessages::error(const QString& caption, const QString& text)
{
    Print(caption, text);
}

MessageSeam& Messages()
{
    return g_current ? *g_current : Fallback();
}

MessageSeam* SetMessages(MessageSeam* seam)
{
    MessageSeam* previous = g_current;
    g_current = seam;
    return previous;
}

void ShowException(const std::exception& e)
{
    Messages().error(kAppCaption, QString::fromUtf8(e.what()));
}

} // namespace zarvo
