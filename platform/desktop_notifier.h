#pragma once

#include <QObject>
#include <QString>

// A desktop notification. Its default action (a click on the notification) is meant to start Kinetrax.
struct DesktopNotification {
    QString Summary;
    QString Body;
    QString ActionLabel; // shown where the desktop names the default action
};

enum class NotifyResult {
    Sent,
    NoService, // no session bus, or nothing on it shows notifications: not an error for the caller
    Failed,    // the service answered with an error or not in time
};

struct NotifyOutcome {
    NotifyResult Result = NotifyResult::Failed;
    uint Id = 0; // the service's id of a sent notification, 0 otherwise
    QString Error;
};

// The one way the program shows a desktop notification. notify blocks until the service took it (or
// refused it); the answers come later, each at most once per notification, on the notifier's thread:
// defaultActionInvoked when the user clicked it, notificationClosed once it is gone for any reason.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual NotifyOutcome notify(const DesktopNotification& notification) = 0;

signals:
    void defaultActionInvoked(uint id);
    void notificationClosed(uint id);
};
