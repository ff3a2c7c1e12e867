#include "cli/check_sync.h"
#include "cli/sync_reminder.h"
#include "platform/dbus_desktop_notifier.h"
#include "platform/single_instance.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/date_key.h"
#include "store/download_log.h"
#include "tests/support/builders.h"
#include "tests/support/fake_notification_server.h"
#include "tests/support/kinetrax_command.h"
#include "tests/support/private_session_bus.h"
#include "tests/support/temp_data_dir.h"

#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

QDate D(int y, int m, int d)
{
    return QDate(y, m, d);
}

// Records from first to last, one a day, as downloads leave them.
DayRecordList DaysThrough(const QDate& first, const QDate& last)
{
    DayRecordList records;
    for (QDate d = first; d <= last; d = d.addDays(1))
        records.push_back(Day(DateKey(d), 4000));
    return records;
}

void AddUser(const TempDataDir& dir, ClientList& clients, const QString& name, const DayRecordList& records,
             const QList<QDateTime>& downloads)
{
    clients.push_back(MetricClient(name));
    QVERIFY(dir.write(name + QStringLiteral(".bin"), DayRecordsToBytes(records)));
    for (const QDateTime& when : downloads)
        QVERIFY(AppendDownloadLog(DownloadLogPath(dir.path(), name), DownloadLogEntry{when, MemoryImage{}}));
}

QDateTime At(const QDate& date, int hour, int minute)
{
    return QDateTime(date, QTime(hour, minute), Qt::OffsetFromUTC, 3600);
}

} // namespace

class TestCheckSync : public QObject {
    Q_OBJECT

private:
    // Alex last downloaded Thursday 4 Dec 2025, Bo yesterday (Tuesday 9 Dec), Cy on Friday 28 Nov, and
    // Dee never; today is Wednesday 10 Dec.
    void writeFourUsers(const TempDataDir& dir)
    {
        ClientList clients;
        AddUser(dir, clients, QStringLiteral("Alex"), DaysThrough(D(2025, 10, 1), D(2025, 12, 4)),
                {At(D(2025, 12, 4), 9, 42)});
        AddUser(dir, clients, QStringLiteral("Bo"), DaysThrough(D(2025, 11, 20), D(2025, 12, 9)),
                {At(D(2025, 12, 9), 23, 59)});
        AddUser(dir, clients, QStringLiteral("Cy"), DaysThrough(D(2025, 11, 1), D(2025, 11, 28)),
                {At(D(2025, 11, 28), 8, 0)});
        AddUser(dir, clients, QStringLiteral("Dee"), {}, {});
        QVERIFY(dir.write(QLatin1String(UserListFileName), UserListBytes(clients)));
    }

    QProcessEnvironment childEnvironment(const QString& busAddress, const QString& dataDir, const QDate& today)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        env.insert(QStringLiteral("KINETRAX_DATA_DIR"), dataDir);
        env.insert(QLatin1String(TodayEnvironmentVariable), today.toString(Qt::ISODate));
        env.insert(QStringLiteral("HOME"), home_.path());
        env.insert(QStringLiteral("XDG_STATE_HOME"), home_.path() + QStringLiteral("/state"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_.path());
        env.remove(QStringLiteral("DISPLAY"));
        return env;
    }

    QString stateFile() const
    {
        return home_.path() + QStringLiteral("/state/kinetrax/") + QLatin1String(ReminderStateFileName);
    }

    QTemporaryDir home_;
    QTemporaryDir runtimeDir_;

private slots:
    void reminderText_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("lastDownload");
        QTest::addColumn<QDate>("lostFrom");
        QTest::addColumn<QDate>("lostTo");
        QTest::addColumn<bool>("due");
        QTest::addColumn<QString>("summary");

        const QDate none;
        const QString notDue;
        // Downloaded Thursday 4 Dec: Friday 5 Dec is saved by a download up to Friday 12 Dec.
        QTest::newRow("three days left") << D(2025, 12, 9) << D(2025, 12, 4) << none << none << false << notDue;
        QTest::newRow("two days left") << D(2025, 12, 10) << D(2025, 12, 4) << none << none << true
                                       << "Alex: connect the pedometer by Friday, or Friday 5 Dec is lost";
        QTest::newRow("one day left") << D(2025, 12, 11) << D(2025, 12, 4) << none << none << true
                                      << "Alex: connect the pedometer by tomorrow, or Friday 5 Dec is lost";
        QTest::newRow("last day") << D(2025, 12, 12) << D(2025, 12, 4) << none << none << true
                                  << "Alex: connect the pedometer today, or Friday 5 Dec is lost";
        QTest::newRow("one day lost")
            << D(2025, 12, 13) << D(2025, 12, 4) << D(2025, 12, 5) << D(2025, 12, 5) << true
            << "Alex: Friday 5 Dec was lost; connect the pedometer today, or Saturday 6 Dec is lost too";
        QTest::newRow("days lost across a month")
            << D(2025, 12, 9) << D(2025, 11, 28) << D(2025, 11, 29) << D(2025, 12, 1) << true
            << QStringLiteral("Alex: 3 days were lost (29 Nov\u20131 Dec); connect the pedometer today, or "
                              "Tuesday 2 Dec is lost too");
        QTest::newRow("deadline in the new year")
            << D(2025, 12, 30) << D(2025, 12, 24) << none << none << true
            << "Alex: connect the pedometer by Thursday, or Thursday 25 Dec is lost";
        QTest::newRow("day at risk in the old year")
            << D(2026, 1, 2) << D(2025, 12, 26) << none << none << true
            << "Alex: connect the pedometer by tomorrow, or Saturday 27 Dec 2025 is lost";
        QTest::newRow("days lost over the year end")
            << D(2026, 1, 9) << D(2025, 12, 29) << D(2025, 12, 30) << D(2026, 1, 1) << true
            << QStringLiteral("Alex: 3 days were lost (30 Dec 2025\u20131 Jan); connect the pedometer today, or "
                              "Friday 2 Jan is lost too");
        QTest::newRow("never downloaded") << D(2025, 12, 10) << none << none << none << false << notDue;
    }

    void reminderText()
    {
        QFETCH(QDate, today);
        QFETCH(QDate, lastDownload);
        QFETCH(QDate, lostFrom);
        QFETCH(QDate, lostTo);
        QFETCH(bool, due);
        QFETCH(QString, summary);

        SyncReminderFacts facts;
        facts.UserName = QStringLiteral("Alex");
        facts.Today = today;
        facts.LastDownload = lastDownload;
        if (lastDownload.isValid()) {
            // The pedometer's oldest day is today - 7: once days are lost, it is the next at risk.
            facts.FirstAtRisk = std::max(lastDownload.addDays(1), today.addDays(-7));
            facts.ConnectBy = facts.FirstAtRisk.addDays(7);
        }
        facts.LostFrom = lostFrom;
        facts.LostTo = lostTo;
        QCOMPARE(SyncReminderDue(facts), due);
        if (!due)
            return;
        const DesktopNotification n = SyncReminderNotification(facts);
        QCOMPARE(n.Summary, summary);
        QVERIFY2(n.Body.contains(QStringLiteral("eight days")), qPrintable(n.Body));
        QVERIFY2(n.Body.contains(QStringLiteral("Last download: ")), qPrintable(n.Body));
    }

    // An older loss that a later download ended is history the program shows; it is no reason to remind.
    void lossBeforeTheLastDownloadIsNoReminder()
    {
        const QDate today = D(2025, 12, 10);
        const DayRecordList records = DaysThrough(D(2025, 11, 1), D(2025, 11, 10));
        const std::vector<DownloadLogEntry> log{{At(D(2025, 11, 10), 9, 0), {}}, {At(D(2025, 12, 9), 9, 0), {}}};
        const SyncOutlook outlook = ComputeSyncOutlook(records, log, today);
        QVERIFY(outlook.LostDays > 0);
        const SyncReminderFacts facts = SyncReminderFactsOf(QStringLiteral("Alex"), outlook, today);
        QVERIFY(!facts.LostFrom.isValid());
        QVERIFY(!SyncReminderDue(facts));
    }

    // The real program on a bus of the test's own: the due users once a day each, never the others, and
    // nothing written into the data directory.
    void remindsDueUsersOncePerDay()
    {
        PrivateSessionBus bus;
        QVERIFY2(!bus.address().isEmpty(), qPrintable(bus.error()));
        FakeNotificationServer server(bus.address());
        QVERIFY(server.isRunning());
        TempDataDir dir;
        writeFourUsers(dir);
        const auto before = DirectorySnapshot(dir.path());

        auto run = [&](const QDate& today, int expectedNew) {
            const int known = server.calls().size();
            QProcess child;
            child.setProcessEnvironment(childEnvironment(bus.address(), dir.path(), today));
            child.start(QStringLiteral(KX_KINETRAX_PATH), {QStringLiteral("--check-sync")});
            QVERIFY(child.waitForStarted());
            QTRY_COMPARE_WITH_TIMEOUT(server.calls().size(), known + expectedNew, 10000);
            // While it waits for a click, the program itself can start.
            SingleInstanceGuard program(runtimeDir_.path());
            QVERIFY(program.tryAcquire());
            // The program waits for a click until its notifications are gone.
            for (int i = known; i < server.calls().size(); ++i)
                server.close(server.calls().at(i).Id);
            QVERIFY(child.waitForFinished(10000));
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 0);
            QCOMPARE(child.readAllStandardOutput(), QByteArray());
        };

        run(D(2025, 12, 10), 2);
        QList<RecordedNotification> calls = server.calls();
        QCOMPARE(calls.at(0).Summary, QStringLiteral("Alex: connect the pedometer by Friday, or Friday 5 Dec is lost"));
        QCOMPARE(calls.at(0).Body, QStringLiteral("The pedometer keeps eight days. Last download: Thursday 4 Dec."));
        QCOMPARE(calls.at(1).Summary, QStringLiteral("Cy: 4 days were lost (29 Nov\u20132 Dec); connect the pedometer "
                                                     "today, or Wednesday 3 Dec is lost too"));
        for (const RecordedNotification& n : calls) {
            QCOMPARE(n.AppName, QStringLiteral("Kinetrax"));
            QCOMPARE(n.Actions.value(0), QStringLiteral("default"));
            QCOMPARE(n.Hints.value(QStringLiteral("desktop-entry")).toString(),
                     QStringLiteral("io.github.kinetrax.Kinetrax"));
        }

        run(D(2025, 12, 10), 0);
        run(D(2025, 12, 11), 2);
        calls = server.calls();
        QCOMPARE(calls.at(2).Summary,
                 QStringLiteral("Alex: connect the pedometer by tomorrow, or Friday 5 Dec is lost"));
        QVERIFY(calls.at(3).Summary.startsWith(QStringLiteral("Cy: 5 days were lost")));

        QCOMPARE(DirectorySnapshot(dir.path()), before);
    }

    void quietWithoutBusOrService_data()
    {
        QTest::addColumn<bool>("withBus");
        QTest::newRow("no session bus") << false;
        QTest::newRow("no notification service") << true;
    }

    // Status 0 and nothing on stdout, and no reminder counted as given: the next run with a service gives it.
    void quietWithoutBusOrService()
    {
        QFETCH(bool, withBus);
        PrivateSessionBus bus;
        QVERIFY2(!bus.address().isEmpty(), qPrintable(bus.error()));
        TempDataDir dir;
        writeFourUsers(dir);
        QFile::remove(stateFile());
        const QString address = withBus ? bus.address() : QStringLiteral("unix:path=") + dir.path() + QStringLiteral("none");

        QProcess child;
        child.setProcessEnvironment(childEnvironment(address, dir.path(), D(2025, 12, 10)));
        QElapsedTimer clock;
        clock.start();
        child.start(QStringLiteral(KX_KINETRAX_PATH), {QStringLiteral("--check-sync")});
        QVERIFY(child.waitForFinished(10000));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardOutput(), QByteArray());
        QVERIFY(!QFileInfo::exists(stateFile()));
    }

    void answerToTheNotification_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("starts");
        QTest::addColumn<bool>("waitsToTheEnd");
        QTest::newRow("clicked") << "click" << 1 << false;
        QTest::newRow("closed") << "close" << 0 << false;
        QTest::newRow("another program's notification clicked") << "click other" << 0 << true;
        QTest::newRow("no answer") << "" << 0 << true;
    }

    // A click starts Kinetrax once; the wait ends with the notification, or at its bound.
    void answerToTheNotification()
    {
        QFETCH(QString, answer);
        QFETCH(int, starts);
        QFETCH(bool, waitsToTheEnd);
        PrivateSessionBus bus;
        QVERIFY2(!bus.address().isEmpty(), qPrintable(bus.error()));
        FakeNotificationServer server(bus.address());
        QVERIFY(server.isRunning());
        TempDataDir dir;
        writeFourUsers(dir);
        QTemporaryDir state;

        const QString name = QStringLiteral("check-sync-client-") + QString::fromLatin1(QTest::currentDataTag());
        {
            DBusDesktopNotifier notifier(QDBusConnection::connectToBus(bus.address(), name));
            const QDate today = D(2025, 12, 11);
            const QList<uint> ids
                = SendReminders({dir.path(), state.path(), today}, DueReminders(dir.path(), today), notifier);
            QCOMPARE(ids.size(), 2);
            QTimer::singleShot(50, [&] {
                if (answer == QLatin1String("click"))
                    server.invokeAction(ids.at(1));
                if (answer == QLatin1String("click other"))
                    server.invokeAction(ids.at(1) + 100);
                if (answer == QLatin1String("close")) {
                    for (uint id : ids)
                        server.close(id);
                }
            });
            int started = 0;
            QElapsedTimer clock;
            clock.start();
            WaitForReminderAnswers(notifier, ids, 1500, [&] { ++started; });
            QCOMPARE(started, starts);
            QCOMPARE(clock.elapsed() >= 1500, waitsToTheEnd);
        }
        QDBusConnection::disconnectFromBus(name);
    }
};

QTEST_GUILESS_MAIN(TestCheckSync)
#include "test_check_sync.moc"
