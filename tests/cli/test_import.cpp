#include "platform/single_instance.h"
#include "profiles/pending_work.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/merge.h"
#include "tests/support/builders.h"
#include "tests/support/kinetrax_command.h"
#include "tests/support/temp_data_dir.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

// kinetrax import through the real binary: the merged file and the counts, and every refusal leaving
// the data directory exactly as it was.
class TestImport : public QObject {
    Q_OBJECT

    QTemporaryDir lockDir_;
    QTemporaryDir files_;

    const QByteArray kmHeader = "Date,Steps,Target Step,Distance(km),Calories(kcal),Walking Time(min)\r\n";
    const QByteArray mileHeader = "Date,Steps,Target Step,Distance(mile),Calories(kcal),Walking Time(min)\r\n";
    const TBINFile first = Day(20100701, 5000, 8000, 350, 2100, 50, 11, 12);
    const TBINFile second = Day(20100702, 6000, 8000, 420, 2500, 60);

    CommandRun run(const QStringList& arguments, const QString& dataDir, const QByteArray& input = QByteArray())
    {
        return RunKinetrax(QStringLiteral(KX_KINETRAX_PATH), arguments, dataDir, lockDir_.path(), input);
    }

    QString csvFile(const QByteArray& bytes)
    {
        static int n = 0;
        const QString path = files_.filePath(QStringLiteral("import%1.csv").arg(++n));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // Anna (metric) with two days, Bob (imperial) without an activity file.
    void prepare(const TempDataDir& dir)
    {
        QVERIFY(dir.write(QLatin1String(UserListFileName),
                          UserListBytes({MetricClient(QStringLiteral("Anna")),
                                         Client(QStringLiteral("Bob"), 2, 40, 510, 180, 30, 9000, 0, 1)})));
        QVERIFY(dir.write(QStringLiteral("Anna.bin"), DayRecordsToBytes({first, second})));
    }

private slots:
    void mergesAndCounts()
    {
        TempDataDir dir;
        prepare(dir);
        // The first day as exported, the second with other figures, and a new day.
        const QByteArray csv = kmHeader + "20100701,5000,8000,3.50,210.0,50,\r\n20100702,7000,8000,4.20,250.0,60,\r\n"
                                          "20100703,9000,8000,6.30,330.5,90,\r\n";
        const QString path = csvFile(csv);
        CommandRun r = run({"import", "--user", "Anna", path}, dir.path());
        QCOMPARE(r.Err, QByteArray());
        QCOMPARE(r.Status, 0);
        QCOMPARE(r.Out, QByteArray("Anna: 1 day added, 1 identical, 1 differing kept\n"));
        const TBINFile third = Day(20100703, 9000, 8000, 630, 3305, 90);
        QCOMPARE(dir.read(QStringLiteral("Anna.bin")), DayRecordsToBytes({first, second, third}));

        // Again, from standard input, replacing: only the differing day changes.
        r = run({"import", "--replace", "--user", "Anna", "-"}, dir.path(), csv);
        QCOMPARE(r.Status, 0);
        QCOMPARE(r.Out, QByteArray("Anna: 0 days added, 2 identical, 1 differing replaced\n"));
        TBINFile replaced = second;
        replaced.Steps = 7000;
        QCOMPARE(dir.read(QStringLiteral("Anna.bin")), DayRecordsToBytes({first, replaced, third}));

        // Nothing new: the file is not rewritten.
        const auto before = DirectorySnapshot(dir.path());
        r = run({"import", "--user", "Anna", path}, dir.path());
        QCOMPARE(r.Out, QByteArray("Anna: 0 days added, 3 identical, 0 differing kept\n"));
        QCOMPARE(DirectorySnapshot(dir.path()), before);
    }

    void unitsAreConverted()
    {
        TempDataDir dir;
        prepare(dir);
        // SEND of an imperial user (10.00 and 0.01 miles) into the metric Anna.
        const QByteArray miles = mileHeader + "20100703,9000,8000,10.00,330.5,90,\r\n20100704,1,0,0.01,0.0,0,\r\n";
        CommandRun r = run({"import", "--user", "Anna", csvFile(miles)}, dir.path());
        QCOMPARE(r.Status, 0);
        QCOMPARE(r.Out, QByteArray("Anna: 2 days added, 0 identical, 0 differing kept\n"));
        QCOMPARE(dir.read(QStringLiteral("Anna.bin")),
                 DayRecordsToBytes({first, second, Day(20100703, 9000, 8000, ConvertDistance(1000, true), 3305, 90),
                                    Day(20100704, 1, 0, ConvertDistance(1, true))}));
        QCOMPARE(ConvertDistance(1000, true), 1609u);

        // Kilometres into the imperial Bob, who has no activity file yet: it is created.
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("Bob.bin"))));
        r = run({"import", "--user", "Bob", csvFile(kmHeader + "20100703,9000,8000,16.09,330.5,90,\r\n")}, dir.path());
        QCOMPARE(r.Status, 0);
        QCOMPARE(dir.read(QStringLiteral("Bob.bin")), DayRecordsToBytes({Day(20100703, 9000, 8000, 1000, 3305, 90)}));

        // A header-only file still gives a user without history an empty one.
        TempDataDir fresh;
        QVERIFY(fresh.write(QLatin1String(UserListFileName), UserListBytes({MetricClient(QStringLiteral("Kim"))})));
        r = run({"import", "--user", "Kim", csvFile(kmHeader)}, fresh.path());
        QCOMPARE(r.Status, 0);
        QCOMPARE(r.Out, QByteArray("Kim: 0 days added, 0 identical, 0 differing kept\n"));
        QVERIFY(QFileInfo(fresh.filePath(QStringLiteral("Kim.bin"))).isFile());
        QCOMPARE(fresh.read(QStringLiteral("Kim.bin")), QByteArray());
    }

    void refusalsChangeNothing_data()
    {
        QTest::addColumn<QStringList>("arguments"); // %CSV% stands for the CSV file
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("damage"); // what is done to the data directory first
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err"); // %CSV% stands for the CSV file's path

        const QByteArray good = kmHeader + "20100703,9000,8000,6.30,330.5,90,\r\n";
        QTest::newRow("unknown user") << QStringList{"import", "--user", "Eve", "%CSV%"} << good << "" << 1
                                      << "kinetrax: no user \"Eve\" in ";
        QTest::newRow("no user list") << QStringList{"import", "--user", "Anna", "%CSV%"} << good << "no list" << 1
                                      << "kinetrax: no user \"Anna\": there is no user list";
        QTest::newRow("missing file") << QStringList{"import", "--user", "Anna", "%CSV%.none"} << good << "" << 1
                                      << "kinetrax: %CSV%.none: No such file or directory\n";
        QTest::newRow("a directory as file") << QStringList{"import", "--user", "Anna", "/"} << good << "" << 1
                                             << "kinetrax: /: not a regular file\n";
        QTest::newRow("malformed line") << QStringList{"import", "--user", "Anna", "%CSV%"}
                                        << good + "20100704,1,0,0,0\r\n" << "" << 1
                                        << "kinetrax: %CSV%:3: 5 values where 6 are expected";
        QTest::newRow("not a date") << QStringList{"import", "--user", "Anna", "%CSV%"}
                                    << kmHeader + "20261340,1,0,0,0,0,\r\n" << "" << 1
                                    << "kinetrax: %CSV%:2: date \"20261340\" is not a calendar date written YYYYMMDD\n";
        QTest::newRow("negative") << QStringList{"import", "--user", "Anna", "%CSV%"}
                                  << kmHeader + "20100704,-1,0,0,0,0,\r\n" << "" << 1 << "kinetrax: %CSV%:2: steps \"-1\"";
        QTest::newRow("UTF-16") << QStringList{"import", "--user", "Anna", "%CSV%"} << QByteArray("\xFF\xFE" "D\0a\0", 6)
                                << "" << 1 << "kinetrax: %CSV%:1: the file is UTF-16 text";
        QTest::newRow("NUL byte") << QStringList{"import", "--user", "Anna", "%CSV%"}
                                  << good + QByteArray("20100704,1,0,0,0\0,0,\r\n", 22) << "" << 1
                                  << "kinetrax: %CSV%:3: a NUL byte\n";
        QTest::newRow("over 256 MiB") << QStringList{"import", "--user", "Anna", "%CSV%"} << good << "huge file" << 1
                                      << "kinetrax: %CSV%: larger than 256 MiB";
        QTest::newRow("unreadable history") << QStringList{"import", "--user", "Anna", "%CSV%"} << good
                                            << "history a directory" << 1 << "kinetrax: cannot read the history of Anna";
        QTest::newRow("unfinished change of the program")
            << QStringList{"import", "--user", "Anna", "%CSV%"} << good << "pending" << 1
            << "kinetrax: an earlier change of Kinetrax is unfinished";
        QTest::newRow("program running") << QStringList{"import", "--user", "Anna", "%CSV%"} << good << "locked" << 3
                                         << "kinetrax: Kinetrax is running";
        QTest::newRow("no --user") << QStringList{"import", "%CSV%"} << good << "" << 2
                                   << "kinetrax: import needs --user NAME";
        QTest::newRow("no FILE") << QStringList{"import", "--user", "Anna"} << good << "" << 2
                                 << "kinetrax: import takes one FILE";
        QTest::newRow("two FILEs") << QStringList{"import", "--user", "Anna", "%CSV%", "%CSV%"} << good << "" << 2
                                   << "kinetrax: import takes one FILE";
    }

    void refusalsChangeNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, csv);
        QFETCH(QString, damage);
        QFETCH(int, status);
        QFETCH(QString, err);
        TempDataDir dir;
        prepare(dir);
        const QString path = csvFile(csv);
        if (damage == QLatin1String("no list"))
            QVERIFY(QFile::remove(dir.filePath(QLatin1String(UserListFileName))));
        if (damage == QLatin1String("huge file")) {
            QFile file(path);
            QVERIFY(file.resize(qint64(257) * 1024 * 1024)); // sparse
        }
        if (damage == QLatin1String("history a directory")) {
            QVERIFY(QFile::remove(dir.filePath(QStringLiteral("Anna.bin"))));
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Anna.bin")));
        }
        if (damage == QLatin1String("pending")) {
            PendingWork work;
            work.Deletions << QStringLiteral("Carl");
            QVERIFY(SavePendingWork(dir.filePath(QLatin1String(PendingWorkFileName)), work));
        }
        SingleInstanceGuard program(lockDir_.path());
        if (damage == QLatin1String("locked"))
            QVERIFY(program.tryAcquire());
        for (QString& a : arguments)
            a.replace(QLatin1String("%CSV%"), path);
        err.replace(QLatin1String("%CSV%"), path);

        const auto before = DirectorySnapshot(dir.path());
        const CommandRun r = run(arguments, dir.path());
        QCOMPARE(r.Status, status);
        QCOMPARE(r.Out, QByteArray());
        QVERIFY2(r.Err.startsWith(err.toUtf8()), r.Err.constData());
        QVERIFY2(r.Err.endsWith('\n') && r.Err.count('\n') == 1, r.Err.constData());
        QCOMPARE(DirectorySnapshot(dir.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "test_import.moc"
