#include "platform/single_instance.h"
#include "profiles/user_list.h"
#include "tests/support/builders.h"
#include "tests/support/kinetrax_command.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// kinetrax backup and kinetrax restore through the real binary: the round trip, the lock, the statuses.
class TestBackup : public QObject {
    Q_OBJECT

    QTemporaryDir lockDir_;
    QTemporaryDir parent_;
    QString data_ = parent_.path() + QStringLiteral("/data/");
    QString archive_ = parent_.path() + QStringLiteral("/backup.tar.gz");

    CommandRun run(const QStringList& arguments, const QProcessEnvironment& env = QProcessEnvironment())
    {
        return RunKinetrax(QStringLiteral(KX_KINETRAX_PATH), arguments, data_, lockDir_.path(), QByteArray(), env);
    }

    bool write(const QString& name, const QByteArray& bytes)
    {
        QFile file(data_ + name);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

private slots:
    void init()
    {
        QDir(data_).removeRecursively();
        QFile::remove(archive_);
        QVERIFY(QDir().mkpath(data_));
        QVERIFY(write(QLatin1String(UserListFileName), UserListBytes({MetricClient(QStringLiteral("Anna"))})));
        QVERIFY(write(QStringLiteral("Anna.bin"), QByteArray(32 * 400, '\x11')));
        QVERIFY(write(QStringLiteral("Anna.csv"), "an export"));
    }

    void roundTrip()
    {
        const auto before = DirectorySnapshot(data_);
        CommandRun r = run({QStringLiteral("backup"), archive_});
        QCOMPARE(r.Err, QByteArray());
        QCOMPARE(r.Status, 0);
        QCOMPARE(QString::fromUtf8(r.Out), QStringLiteral("Backed up 2 files (12.9 kB) to %1\n").arg(archive_));

        QVERIFY(QFile::remove(data_ + QStringLiteral("Anna.bin")));
        QVERIFY(write(QStringLiteral("Bob.bin"), "not in the backup"));
        r = run({QStringLiteral("restore"), archive_});
        QCOMPARE(r.Err, QByteArray());
        QCOMPARE(r.Status, 0);
        QCOMPARE(QString::fromUtf8(r.Out), QStringLiteral("Restored 2 files from %1\n").arg(archive_));
        QCOMPARE(DirectorySnapshot(data_), before);
    }

    void restoreIsRefusedWhileKinetraxRuns()
    {
        QVERIFY(run({QStringLiteral("backup"), archive_}).Status == 0);
        QVERIFY(QFile::remove(data_ + QStringLiteral("Anna.bin")));
        const auto before = DirectorySnapshot(data_);
        SingleInstanceGuard program(lockDir_.path());
        QVERIFY(program.tryAcquire());
        const CommandRun r = run({QStringLiteral("restore"), archive_});
        QCOMPARE(r.Status, 3);
        QCOMPARE(r.Out, QByteArray());
        QVERIFY2(r.Err.startsWith("kinetrax: Kinetrax is running"), r.Err.constData());
        QCOMPARE(DirectorySnapshot(data_), before);
    }

    void statuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        const QString missing = parent_.path() + QStringLiteral("/none.tar.gz");
        const QString noFolder = parent_.path() + QStringLiteral("/no/folder/backup.tar.gz");
        QTest::newRow("backup without FILE") << QStringList{"backup"} << 2 << "kinetrax: backup takes one argument, the archive FILE";
        QTest::newRow("restore with two") << QStringList{"restore", "a", "b"} << 2 << "kinetrax: restore takes one argument, the archive FILE";
        QTest::newRow("restore of a missing FILE") << QStringList{"restore", missing} << 1
                                                   << QStringLiteral("kinetrax: restore failed: cannot read %1: No such file or directory\n").arg(missing);
        QTest::newRow("backup where it cannot be written") << QStringList{"backup", noFolder} << 1
                                                           << QStringLiteral("kinetrax: backup failed: cannot write %1").arg(noFolder);
        QTest::newRow("backup over a directory") << QStringList{"backup", parent_.path()} << 1 << "kinetrax: backup failed: cannot write";
        QTest::newRow("restore of a file that is no backup") << QStringList{"restore", data_ + QStringLiteral("Anna.csv")} << 1
                                                             << "not a Kinetrax backup";
    }

    void statuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, err);
        const auto before = DirectorySnapshot(data_);
        const QStringList beside = QDir(parent_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const CommandRun r = run(arguments);
        QCOMPARE(r.Status, status);
        QCOMPARE(r.Out, QByteArray());
        QVERIFY2(r.Err.contains(err.toUtf8()), r.Err.constData());
        QCOMPARE(DirectorySnapshot(data_), before);
        QCOMPARE(QDir(parent_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), beside);
    }

    void aRestoreKilledMidwayLeavesTheOldFilesWithAReadme()
    {
        QVERIFY(run({QStringLiteral("backup"), archive_}).Status == 0);
        QVERIFY(write(QStringLiteral("Anna.bin"), "changed since"));
        const auto before = DirectorySnapshot(data_);
        QProcessEnvironment env;
        // Killed before the third move: both old files are aside, none restored yet.
        env.insert(QStringLiteral("KINETRAX_STOP_AT_WRITE"), QStringLiteral("3"));
        CommandRun r = run({QStringLiteral("restore"), archive_}, env);
        QCOMPARE(r.Status, -1);
        const QString kept = parent_.path() + QStringLiteral("/data.before-restore/");
        auto keptFiles = DirectorySnapshot(kept);
        QVERIFY2(keptFiles.take(QStringLiteral("README.txt")).first.contains(data_.chopped(1).toUtf8()), qPrintable(kept));
        auto dataFiles = before;
        dataFiles.remove(QStringLiteral("Anna.csv"));
        QCOMPARE(keptFiles, dataFiles);

        // The next restore says where those files are and changes nothing until the user has looked.
        r = run({QStringLiteral("restore"), archive_});
        QCOMPARE(r.Status, 1);
        QVERIFY2(r.Err.contains(kept.chopped(1).toUtf8()), r.Err.constData());
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "test_backup.moc"
