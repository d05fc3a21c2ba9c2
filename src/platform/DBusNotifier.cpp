// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop notification service through QtDBus, with the tray's balloon where it is missing.
#include "platform/DBusNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace zarvo {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The key of the action "Anzeigen"; "default" is what a click on the notice itself sends. The
// default action's label is not shown by most services, and where one lists it, an empty label
// keeps it from showing "Anzeigen" twice.
const QString kShowAction = QStringLiteral("anzeigen");
const QString kDefaultAction = QStringLiteral("default");

} // namespace

DBusNotifier::DBusNotifier(const QDBusConnection& bus, QObject* parent) : NoticeSender(parent), m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(OnActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(OnClosed(uint, uint)));
}

void DBusNotifier::Send(const Notice& notice)
{
    if (!m_bus.isConnected()) {
        UseFallback(notice);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("zarvo"));
    hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
    call << QStringLiteral("Zarvo") << m_shownId << IconName << notice.Summary << notice.Body
         << QStringList{kShowAction, QStringLiteral("Anzeigen"), kDefaultAction, QString()} << hints
         << qint32(-1);
    // Services are often started on demand: call, and fall back on an error reply rather than
    // asking first whether the name is taken.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, notice] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError())
            UseFallback(notice);
        else
            m_shownId = reply.value();
    });
}

void DBusNotifier::OnActionInvoked(uint id, const QString& action)
{
    if (id == 0 || id != m_shownId)
        return;
    if (action == kShowAction || action == kDefaultAction)
        emit ShowRequested();
}

void DBusNotifier::Withdraw()
{
    if (m_shownId == 0 || !m_bus.isConnected())
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
    call << m_shownId;
    m_shownId = 0;
    // Nothing waits for the answer: a notice the service already closed is no error to show.
    m_bus.call(call, QDBus::NoBlock);
}

void DBusNotifier::OnClosed(uint id, uint /*reason*/)
{
    if (id == m_shownId)
        m_shownId = 0;
}

void DBusNotifier::UseFallback(const Notice& notice)
{
    m_shownId = 0;
    if (Fallback)
        Fallback(notice);
}

} // namespace zarvo
