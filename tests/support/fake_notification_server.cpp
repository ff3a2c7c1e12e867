#include "tests/support/fake_notification_server.h"

#include <QAtomicInt>
#include <QDBusMessage>
#include <QMutexLocker>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");

QString UniqueConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("fake-notifications-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

QList<RecordedNotification> FakeNotificationsObject::calls() const
{
    QMutexLocker lock(&mutex_);
    return calls_;
}

uint FakeNotificationsObject::Notify(const QString& appName, uint replacesId, const QString& appIcon,
                                     const QString& summary, const QString& body, const QStringList& actions,
                                     const QVariantMap& hints, int expireTimeout)
{
    QMutexLocker lock(&mutex_);
    RecordedNotification n{nextId_++, appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout};
    calls_.append(n);
    return n.Id;
}

QStringList FakeNotificationsObject::GetCapabilities()
{
    return {QStringLiteral("actions"), QStringLiteral("body")};
}

void FakeNotificationsObject::CloseNotification(uint) {}

FakeNotificationServer::FakeNotificationServer(const QString& busAddress)
    : connectionName_(UniqueConnectionName())
    , connection_(QDBusConnection::connectToBus(busAddress, connectionName_))
{
    thread_.start();
    object_.moveToThread(&thread_);
    if (!connection_.isConnected())
        return;
    running_ = connection_.registerObject(Path, &object_, QDBusConnection::ExportAllSlots)
        && connection_.registerService(Service);
}

FakeNotificationServer::~FakeNotificationServer()
{
    if (connection_.isConnected()) {
        connection_.unregisterService(Service);
        connection_.unregisterObject(Path);
    }
    connection_ = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(connectionName_);
    thread_.quit();
    thread_.wait();
}

void FakeNotificationServer::invokeAction(uint id, const QString& actionKey)
{
    QDBusMessage signal = QDBusMessage::createSignal(Path, Service, QStringLiteral("ActionInvoked"));
    signal << id << actionKey;
    connection_.send(signal);
}

void FakeNotificationServer::close(uint id)
{
    QDBusMessage signal = QDBusMessage::createSignal(Path, Service, QStringLiteral("NotificationClosed"));
    signal << id << uint(2);
    connection_.send(signal);
}
