#include "platform/dbus_desktop_notifier.h"

#include "platform/data_dir.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
const QString DefaultAction = QStringLiteral("default");

bool MeansNoService(const QDBusError& error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::Disconnected:
    case QDBusError::NoServer:
    case QDBusError::UnknownObject:
    case QDBusError::UnknownInterface:
        return true;
    default:
        return false;
    }
}

} // namespace

DBusDesktopNotifier::DBusDesktopNotifier(const QDBusConnection& connection, QObject* parent)
    : DesktopNotifier(parent)
    , connection_(connection)
{
    if (!connection_.isConnected())
        return;
    // Before any Notify: a click on a notification that was just sent must not be missed.
    connection_.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                        SLOT(onActionInvoked(uint, QString)));
    connection_.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                        SLOT(onNotificationClosed(uint, uint)));
}

NotifyOutcome DBusDesktopNotifier::notify(const DesktopNotification& notification)
{
    NotifyOutcome outcome;
    if (!connection_.isConnected()) {
        outcome.Result = NotifyResult::NoService;
        outcome.Error = QStringLiteral("no session bus");
        return outcome;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    const QStringList actions{DefaultAction, notification.ActionLabel};
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), ApplicationId());
    call << QStringLiteral("Kinetrax") << uint(0) << ApplicationId() << notification.Summary << notification.Body
         << actions << hints << int(-1);
    const QDBusMessage reply = connection_.call(call, QDBus::Block, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        const QDBusError error(reply);
        outcome.Result = MeansNoService(error) ? NotifyResult::NoService : NotifyResult::Failed;
        outcome.Error = error.message().isEmpty() ? error.name() : error.message();
        return outcome;
    }
    const QList<QVariant> arguments = reply.arguments();
    if (arguments.size() != 1 || arguments.front().metaType().id() != QMetaType::UInt) {
        outcome.Error = QStringLiteral("the notification service answered Notify without an id");
        return outcome;
    }
    outcome.Result = NotifyResult::Sent;
    outcome.Id = arguments.front().toUInt();
    return outcome;
}

void DBusDesktopNotifier::onActionInvoked(uint id, const QString& actionKey)
{
    if (actionKey == DefaultAction)
        emit defaultActionInvoked(id);
}

void DBusDesktopNotifier::onNotificationClosed(uint id, uint /*reason*/)
{
    emit notificationClosed(id);
}
