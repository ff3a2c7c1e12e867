#include "platform/dbus_desktop_notifier.h"
#include "tests/support/fake_notification_server.h"
#include "tests/support/private_session_bus.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QtTest>

class TestDBusDesktopNotifier : public QObject {
    Q_OBJECT

private slots:
    // What the service receives, and the answers the notifier passes on: only the default action is a click.
    void notifyAndAnswers()
    {
        PrivateSessionBus bus;
        QVERIFY2(!bus.address().isEmpty(), qPrintable(bus.error()));
        FakeNotificationServer server(bus.address());
        QVERIFY(server.isRunning());
        const QString name = QStringLiteral("notifier-client");
        {
            DBusDesktopNotifier notifier(QDBusConnection::connectToBus(bus.address(), name));
            QSignalSpy clicked(&notifier, &DesktopNotifier::defaultActionInvoked);
            QSignalSpy closed(&notifier, &DesktopNotifier::notificationClosed);

            const NotifyOutcome first = notifier.notify({QStringLiteral("Alex: connect"), QStringLiteral("Body"),
                                                         QStringLiteral("Open Kinetrax")});
            QCOMPARE(first.Result, NotifyResult::Sent);
            const NotifyOutcome second = notifier.notify({QStringLiteral("Bo"), QString(), QStringLiteral("Open")});
            QCOMPARE(second.Result, NotifyResult::Sent);
            QVERIFY(first.Id != second.Id);

            const QList<RecordedNotification> calls = server.calls();
            QCOMPARE(calls.size(), 2);
            const RecordedNotification& n = calls.front();
            QCOMPARE(n.Id, first.Id);
            QCOMPARE(n.AppName, QStringLiteral("Kinetrax"));
            QCOMPARE(n.ReplacesId, 0u);
            QCOMPARE(n.AppIcon, QStringLiteral("io.github.kinetrax.Kinetrax"));
            QCOMPARE(n.Summary, QStringLiteral("Alex: connect"));
            QCOMPARE(n.Body, QStringLiteral("Body"));
            QCOMPARE(n.Actions, (QStringList{QStringLiteral("default"), QStringLiteral("Open Kinetrax")}));
            QCOMPARE(n.Hints.value(QStringLiteral("desktop-entry")).toString(),
                     QStringLiteral("io.github.kinetrax.Kinetrax"));
            QCOMPARE(n.ExpireTimeout, -1);

            // An action key of some other kind is no click; the close of the other one comes through as is.
            server.invokeAction(first.Id, QStringLiteral("snooze"));
            server.invokeAction(second.Id);
            QVERIFY(clicked.wait(5000));
            QCOMPARE(clicked.takeFirst().at(0).toUInt(), second.Id);
            server.close(first.Id);
            QVERIFY(closed.wait(5000));
            QCOMPARE(closed.takeFirst().at(0).toUInt(), first.Id);
            QCOMPARE(clicked.size(), 0);
        }
        QDBusConnection::disconnectFromBus(name);
    }

    void noService_data()
    {
        QTest::addColumn<bool>("withBus");
        QTest::newRow("no session bus") << false;
        QTest::newRow("nothing on the bus shows notifications") << true;
    }

    void noService()
    {
        QFETCH(bool, withBus);
        PrivateSessionBus bus;
        QVERIFY2(!bus.address().isEmpty(), qPrintable(bus.error()));
        const QString name = QStringLiteral("notifier-client-") + QString::fromLatin1(QTest::currentDataTag());
        {
            DBusDesktopNotifier notifier(withBus ? QDBusConnection::connectToBus(bus.address(), name)
                                                 : QDBusConnection(name));
            const NotifyOutcome outcome = notifier.notify({QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("A")});
            QCOMPARE(outcome.Result, NotifyResult::NoService);
            QCOMPARE(outcome.Id, 0u);
            QVERIFY(!outcome.Error.isEmpty());
        }
        QDBusConnection::disconnectFromBus(name);
    }
};

QTEST_GUILESS_MAIN(TestDBusDesktopNotifier)
#include "test_dbus_desktop_notifier.moc"
