// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TaskIcon.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace zarvo {

TTaskIcon::TTaskIcon(QObject* parent) : QObject(parent), m_icon(new QSystemTrayIcon(this))
{
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            emit OnClick();
            break;
        case QSystemTrayIcon::DoubleClick:
            emit OnDblClick();
            break;
        case QSystemTrayIcon::Context:
            emit OnRightClick(QCursor::pos());
            break;
        default:
            break;
        }
    });
    connect(m_icon, &QSystemTrayIcon::messageClicked, this, &TTaskIcon::OnMessageClick);
}

TTaskIcon::~TTaskIcon()
{
    m_icon->hide();
}

bool TTaskIcon::Available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TTaskIcon::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    m_icon->setVisible(enabled);
}

void TTaskIcon::SetIcon(const QIcon& icon)
{
    m_iconImage = icon;
    m_icon->setIcon(icon);
}

void TTaskIcon::SetHint(const QString& hint)
{
    m_hint = hint;
    m_icon->setToolTip(hint);
}

void TTaskIcon::ShowMessage(const QString& title, const QString& text)
{
    if (!Available())
        return;
    if (!m_icon->isVisible())
        m_icon->show();
    m_icon->showMessage(title, text, m_iconImage);
}

void TTaskIcon::SetPopupMenu(QMenu* menu)
{
    m_icon->setContextMenu(menu);
}

} // namespace zarvo
