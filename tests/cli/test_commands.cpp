#include "profiles/user_list.h"
#include "tests/support/builders.h"
#include "tests/support/kinetrax_command.h"
#include "tests/support/temp_data_dir.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

// The command line around the commands: which command runs, usage errors, help, and kinetrax users.
class TestCommands : public QObject {
    Q_OBJECT

    QTemporaryDir lockDir_;

    CommandRun run(const QStringList& arguments, const QString& dataDir)
    {
        return RunKinetrax(QStringLiteral(KX_KINETRAX_PATH), arguments, dataDir, lockDir_.path());
    }

private slots:
    void usage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("mistyped command") << QStringList{"exprot"} << 2 << ""
                                          << "kinetrax: unknown command 'exprot' (kinetrax --help lists the commands)\n";
        QTest::newRow("unknown option of a command") << QStringList{"users", "--bogus"} << 2 << ""
                                                     << "kinetrax: users: Unknown option 'bogus'.";
        QTest::newRow("argument a command does not take") << QStringList{"users", "Anna"} << 2 << ""
                                                          << "kinetrax: users takes no arguments\n";
        QTest::newRow("unknown option beside --check-sync") << QStringList{"--check-sync", "--bogus"} << 2 << "" << "kinetrax: Unknown option 'bogus'.";
        QTest::newRow("help lists the commands") << QStringList{"--help"} << 0 << "\nCommands (kinetrax <command> --help"
                                                 << "";
        QTest::newRow("help of a command") << QStringList{"users", "--help"} << 0 << "Usage: kinetrax users [options]\n"
                                           << "";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "Kinetrax 1.0" << "";
    }

    void usage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        TempDataDir dir;
        const auto before = DirectorySnapshot(dir.path());
        const CommandRun r = run(arguments, dir.path());
        QCOMPARE(r.Status, status);
        if (out.isEmpty())
            QCOMPARE(r.Out, QByteArray());
        else
            QVERIFY2(r.Out.contains(out.toUtf8()), r.Out.constData());
        if (err.isEmpty())
            QCOMPARE(r.Err, QByteArray());
        else
            QVERIFY2(r.Err.startsWith(err.toUtf8()), r.Err.constData());
        QCOMPARE(DirectorySnapshot(dir.path()), before);
    }

    void usersListsTheProfiles()
    {
        TempDataDir dir;
        ClientList clients = {Client(QStringLiteral("Anna"), 1, 30, 170, 60, 65, 8000, 1, 1),
                              Client(QStringLiteral("Zoë Ångström 李"), 2, 40, 510, 180, 30, 9000, 0, 1),
                              Client(QStringLiteral("Kim"), 0, 0, 0, 65, 70, 10000, 1, 1)};
        QVERIFY(dir.write(QLatin1String(UserListFileName), UserListBytes(clients)));
        const CommandRun r = run({QStringLiteral("users")}, dir.path());
        QCOMPARE(r.Status, 0);
        QCOMPARE(QString::fromUtf8(r.Out),
                 QStringLiteral("Anna\tfemale\tmetric\nZoë Ångström 李\tmale\timperial\nKim\tunknown\tmetric\n"));
        QCOMPARE(r.Err, QByteArray());
    }

    void usersOfAListThatIsMissingUnreadableOrDamaged()
    {
        // No data directory at all: nothing listed, and nothing created.
        QTemporaryDir parent;
        const QString missing = parent.filePath(QStringLiteral("none")) + QLatin1Char('/');
        CommandRun r = run({QStringLiteral("users")}, missing);
        QCOMPARE(r.Status, 0);
        QCOMPARE(r.Out, QByteArray());
        QVERIFY(!QDir(missing).exists());

        TempDataDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QLatin1String(UserListFileName)));
        r = run({QStringLiteral("users")}, dir.path());
        QCOMPARE(r.Status, 1);
        QCOMPARE(r.Out, QByteArray());
        QVERIFY2(r.Err.startsWith("kinetrax: ") && r.Err.contains(UserListFileName), r.Err.constData());

        TempDataDir damaged;
        QVERIFY(damaged.write(QLatin1String(UserListFileName),
                              "SoftName:Kinetrax\r\n[Client]\r\n3\r\nAnna,1,30,170,60,65,8000,1,1\r\n"));
        r = run({QStringLiteral("users")}, damaged.path());
        QCOMPARE(r.Status, 0);
        QCOMPARE(r.Out, QByteArray("Anna\tfemale\tmetric\n"));
        QVERIFY2(r.Err.contains("is damaged"), r.Err.constData());
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "test_commands.moc"
