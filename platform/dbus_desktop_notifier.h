#pragma once

#include "platform/desktop_notifier.h"

#include <QDBusConnection>

// DesktopNotifier through the freedesktop Notifications service (org.freedesktop.Notifications) on a
// D-Bus connection, normally the session bus. Each notification carries the standard "default" action
// and the hint "desktop-entry" naming the installed desktop entry, so the desktop shows it as Kinetrax's.
class DBusDesktopNotifier : public DesktopNotifier {
    Q_OBJECT
public:
    // connection not connected (no session bus): every notify answers NoService at once.
    explicit DBusDesktopNotifier(const QDBusConnection& connection, QObject* parent = nullptr);

    // Waits at most timeoutMs for the service's answer; a missing service is NoService, not Failed.
    NotifyOutcome notify(const DesktopNotification& notification) override;

    void setTimeout(int timeoutMs) { timeoutMs_ = timeoutMs; }

private slots:
    void onActionInvoked(uint id, const QString& actionKey);
    void onNotificationClosed(uint id, uint reason);

private:
    QDBusConnection connection_;
    int timeoutMs_ = 5000;
};
