#pragma once

#include <QDBusConnection>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

struct RecordedNotification {
    uint Id = 0;
    QString AppName;
    uint ReplacesId = 0;
    QString AppIcon;
    QString Summary;
    QString Body;
    QStringList Actions;
    QVariantMap Hints;
    int ExpireTimeout = 0;
};

// The object a FakeNotificationServer exports; its slots are the service's methods.
class FakeNotificationsObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<RecordedNotification> calls() const;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expireTimeout);
    QStringList GetCapabilities();
    void CloseNotification(uint id);

private:
    mutable QMutex mutex_;
    QList<RecordedNotification> calls_;
    uint nextId_ = 1;
};

// org.freedesktop.Notifications on a bus, answering on a thread of its own (so that a test may block on a
// child process or call it from the same process), recording every Notify call. The test makes the
// user's moves: a click on a notification or its closing.
class FakeNotificationServer {
public:
    explicit FakeNotificationServer(const QString& busAddress);
    ~FakeNotificationServer();
    FakeNotificationServer(const FakeNotificationServer&) = delete;
    FakeNotificationServer& operator=(const FakeNotificationServer&) = delete;

    // True once the service name is owned on the bus.
    bool isRunning() const { return running_; }
    QList<RecordedNotification> calls() const { return object_.calls(); }

    // The user chose an action of notification id; "default" is a click on the notification itself.
    void invokeAction(uint id, const QString& actionKey = QStringLiteral("default"));
    void close(uint id);

private:
    QString connectionName_;
    QDBusConnection connection_;
    QThread thread_;
    FakeNotificationsObject object_;
    bool running_ = false;
};
