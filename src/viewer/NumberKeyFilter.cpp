// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/NumberKeyFilter.h"

#include <QKeyEvent>

namespace zarvo {

bool NumberKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (key->key() == Qt::Key_Backspace || text.isEmpty() || !text.at(0).isPrint())
        return false;
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false; // shortcuts such as copy and paste
    const bool allowed =
        text.size() == 1 && ((text.at(0) >= u'0' && text.at(0) <= u'9') || text == m_separator);
    return !allowed;
}

} // namespace zarvo
