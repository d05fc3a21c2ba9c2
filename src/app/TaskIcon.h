// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>

class QMenu;
class QSystemTrayIcon;

namespace zarvo {

// The tray component: an icon in the desktop's notification area with a tip text and a pop-up menu.
// Enabled shows the icon, disabled removes it. Where the desktop has no notification area the
// icon is never shown (Available() is false) and the program simply minimises.
class TTaskIcon : public QObject {
    Q_OBJECT
  public:
    explicit TTaskIcon(QObject* parent = nullptr);
    ~TTaskIcon() override;

    static bool Available();

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    QIcon Icon() const { return m_iconImage; }
    void SetIcon(const QIcon& icon);
    QString Hint() const { return m_hint; }
    void SetHint(const QString& hint);
    int TaskIconID = 0;

    // The menu the notification area shows on a right click (it places it at the pointer itself).
    void SetPopupMenu(QMenu* menu);

    // A balloon beside the icon, shown for a while; the icon is shown for it if it was not.
    void ShowMessage(const QString& title, const QString& text);

  signals:
    void OnClick();
    void OnDblClick();
    void OnRightClick(const QPoint& screenPos);
    // The user clicked the balloon of ShowMessage.
    void OnMessageClick();

  private:
    QSystemTrayIcon* m_icon;
    QIcon m_iconImage;
    QString m_hint;
    bool m_enabled = false;
};

} // namespace zarvo
