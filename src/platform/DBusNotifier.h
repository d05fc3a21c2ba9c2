// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/NoticeSender.h"

#include <QDBusConnection>
#include <QString>

#include <functional>

namespace zarvo {

// Sends notices to the desktop's notification service (org.freedesktop.Notifications on the
// session bus). The call is made without waiting; when no service answers, the notice goes to
// Fallback (the tray's balloon) instead. A new notice replaces the one still shown.
class DBusNotifier : public NoticeSender {
    Q_OBJECT
  public:
    explicit DBusNotifier(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                          QObject* parent = nullptr);

    // The icon the service shows: a theme name or a file path.
    QString IconName = QStringLiteral("zarvo");
    // Where a notice goes when the service does not answer.
    std::function<void(const Notice&)> Fallback;

    void Send(const Notice& notice) override;
    // Closes the notice shown now (CloseNotification with the id Notify returned).
    void Withdraw() override;

  private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

  private:
    void UseFallback(const Notice& notice);

    QDBusConnection m_bus;
    uint m_shownId = 0; // the notice the service shows now, 0 for none
};

} // namespace zarvo
