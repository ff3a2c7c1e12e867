#include "catalog/catalog_file.h"
#include "export/csv_export.h"
#include "export/json_export.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "tests/support/builders.h"
#include "tests/support/kinetrax_command.h"
#include "tests/support/temp_data_dir.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Zoe = QStringLiteral("Zoë Ångström 李");

// Out of date order on purpose, with a day that is no calendar day and one without a target after a
// day with one.
const DayRecordList AnnaDays = {Day(20100723, 2000, 0, 150, 75, 20, 100, 2),
                                Day(20100722, 12345, 10000, 876, 4567, 95, 3000, 25),
                                Day(20100230, 5, 0, 5, 7),
                                Day(20100801, 42, 0, 1, 1, 1)};
const DayRecordList ZoeDays = {Day(20240101, 1, 9000, 100, 10, 1)};

DayRecordList Loaded(DayRecordList records)
{
    FillMissingTargets(records);
    return records;
}

} // namespace

// kinetrax export through the real binary, on a data directory that must come out of it unchanged.
class TestExport : public QObject {
    Q_OBJECT

    QTemporaryDir lockDir_;

    CommandRun run(const QStringList& arguments, const QString& dataDir,
                   const QProcessEnvironment& environment = QProcessEnvironment())
    {
        return RunKinetrax(QStringLiteral(KX_KINETRAX_PATH), arguments, dataDir, lockDir_.path(), QByteArray(),
                           environment);
    }

    static void fill(const TempDataDir& dir)
    {
        QVERIFY(dir.write(QLatin1String(UserListFileName),
                          UserListBytes({MetricClient("Anna"), Client(Zoe, 2, 40, 510, 180, 30, 9000, 0, 1)})));
        QVERIFY(dir.write("Anna.bin", DayRecordsToBytes(AnnaDays)));
        QVERIFY(dir.write(Zoe + ".bin", DayRecordsToBytes(ZoeDays)));
    }

    // What SEND writes for the records as loaded (missing targets filled), through its own function.
    static QByteArray sendBytes(DayRecordList records, bool metric)
    {
        QTemporaryDir out;
        const QString path = out.filePath("send.csv");
        if (!ExportCsv(path, records, DefaultCatalog(), metric))
            return QByteArray();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void exportsAsSendDoes()
    {
        TempDataDir dir;
        fill(dir);
        const auto before = DirectorySnapshot(dir.path());

        const CommandRun csv = run({"export"}, dir.path());
        QCOMPARE(csv.Err, QByteArray());
        QCOMPARE(csv.Status, 0);
        QCOMPARE(csv.Out, sendBytes(Loaded(AnnaDays), true));
        QVERIFY(csv.Out.endsWith("20100722,12345,10000,8.76,456.7,95,\r\n20100723,2000,0,1.50,7.5,20,\r\n"
                                  "20100801,42,10000,0.01,0.1,1,\r\n"));

        const CommandRun zoe = run({"export", "--user", Zoe}, dir.path());
        QCOMPARE(zoe.Status, 0);
        QCOMPARE(zoe.Out, sendBytes(Loaded(ZoeDays), false));
        QVERIFY(zoe.Out.startsWith("Date,Steps,Target Step,Distance(mile),"));

        const CommandRun json = run({"export", "--format", "json", "--from", "2010-07-22", "--to", "2010-07-23"},
                                    dir.path());
        QCOMPARE(json.Status, 0);
        QCOMPARE(json.Out, JsonExportBytes({Day(20100722, 12345, 10000, 876, 4567, 95, 3000, 25),
                                            Day(20100723, 2000, 0, 150, 75, 20, 100, 2)},
                                           true));

        const CommandRun range = run({"export", "--from", "2010-02-28", "--to", "2010-07-22"}, dir.path());
        QCOMPARE(range.Status, 0);
        QCOMPARE(range.Out, sendBytes({Loaded(AnnaDays)[2], AnnaDays[1]}, true));
        QVERIFY(range.Out.contains("\r\n20100230,5,10000,0.05,0.7,0,\r\n"));

        const CommandRun empty = run({"export", "--format", "json", "--from", "2030-01-01"}, dir.path());
        QCOMPARE(empty.Status, 0);
        QCOMPARE(empty.Out, QByteArray("[]\n"));

        // Nothing written, and no Step.ini created from the defaults.
        QCOMPARE(DirectorySnapshot(dir.path()), before);
        QVERIFY(!QFile::exists(dir.filePath(QLatin1String(CatalogFileName))));
    }

    // Qt takes its locale from the environment whether or not the C library has it installed; the C
    // library only when it does. Both must leave the bytes as they are.
    void bytesDoNotDependOnTheLocale()
    {
        TempDataDir dir;
        fill(dir);
        QProcess probe;
        probe.start(QStringLiteral("locale"), {QStringLiteral("-a")});
        probe.waitForFinished();
        const QByteArray installed = probe.readAllStandardOutput().toLower();
        if (!installed.contains("de_de.utf8"))
            qInfo("de_DE.UTF-8 is not installed: only Qt's locale is German in the runs below");
        for (const QString& format : {QStringLiteral("csv"), QStringLiteral("json")}) {
            const CommandRun plain = run({"export", "--format", format}, dir.path());
            QCOMPARE(plain.Status, 0);
            for (const char* variable : {"LC_ALL", "LC_NUMERIC"}) {
                QProcessEnvironment env;
                env.insert(QStringLiteral("LC_ALL"), QString());
                env.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
                env.insert(QString::fromLatin1(variable), QStringLiteral("de_DE.UTF-8"));
                const CommandRun german = run({"export", "--format", format}, dir.path(), env);
                QCOMPARE(german.Status, 0);
                QCOMPARE(german.Out, plain.Out);
            }
        }
    }

    void writesTheOutputFileAtomically()
    {
        TempDataDir dir;
        fill(dir);
        QTemporaryDir out;
        const QString path = out.filePath("Anna.json");
        QVERIFY(QFile(path).open(QIODevice::WriteOnly)); // an old, empty file is replaced
        const auto before = DirectorySnapshot(dir.path());

        const CommandRun written = run({"export", "--format", "json", "--output", path}, dir.path());
        QCOMPARE(written.Status, 0);
        QCOMPARE(written.Out, QByteArray());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), run({"export", "--format", "json"}, dir.path()).Out);
        file.close();

        // A full disk: the write fails, and the old file stays as it was.
        const QByteArray old = run({"export", "--format", "json"}, dir.path()).Out;
        {
            FileSizeLimit full(16);
            const CommandRun failed = run({"export", "--output", path}, dir.path());
            QCOMPARE(failed.Status, 1);
            QVERIFY2(failed.Err.startsWith("kinetrax: cannot write " + path.toUtf8() + ": "), failed.Err.constData());
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Anna.json"});

        const CommandRun missingDir = run({"export", "--output", out.filePath("no/such/dir.csv")}, dir.path());
        QCOMPARE(missingDir.Status, 1);
        QVERIFY2(missingDir.Err.startsWith("kinetrax: cannot write "), missingDir.Err.constData());
        QCOMPARE(DirectorySnapshot(dir.path()), before);
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("setup"); // "", "no list", "no profiles", "unreadable"
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        QTest::newRow("not a date") << QStringList{"export", "--from", "2010-7-22"} << "" << 2
                                    << "kinetrax: export: --from '2010-7-22' is not a date of the form YYYY-MM-DD\n";
        QTest::newRow("not a calendar day") << QStringList{"export", "--to", "2010-02-30"} << "" << 2
                                            << "kinetrax: export: --to '2010-02-30' is not a date";
        QTest::newRow("from after to") << QStringList{"export", "--from", "2010-07-23", "--to", "2010-07-22"} << ""
                                       << 2 << "kinetrax: export: --from 2010-07-23 is after --to 2010-07-22\n";
        QTest::newRow("unknown format") << QStringList{"export", "--format", "xml"} << "" << 2
                                        << "kinetrax: export: unknown format 'xml': csv or json\n";
        QTest::newRow("an argument") << QStringList{"export", "Anna"} << "" << 2 << "kinetrax: export takes no arguments";
        QTest::newRow("empty output name") << QStringList{"export", "--output", ""} << "" << 2
                                           << "kinetrax: export: --output needs a file name\n";
        QTest::newRow("output over a history") << QStringList{"export", "--output", "@/Anna.bin"} << "" << 2
                                               << "kinetrax: export: --output ";
        QTest::newRow("output over the user list") << QStringList{"export", "--output", "@/./Kinetrax.dat"} << ""
                                                   << 2 << "kinetrax: export: --output ";
        QTest::newRow("unknown user") << QStringList{"export", "--user", "Bob"} << "" << 1
                                      << "kinetrax: no user 'Bob'; the users are: Anna, " + Zoe + "\n";
        QTest::newRow("no user list") << QStringList{"export"} << "no list" << 1 << "kinetrax: no profiles: ";
        QTest::newRow("no profiles") << QStringList{"export"} << "no profiles" << 1 << "kinetrax: no profiles in ";
        QTest::newRow("unreadable activity file") << QStringList{"export"} << "unreadable" << 1
                                                  << "kinetrax: Cannot read ";
    }

    void errors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, setup);
        QFETCH(int, status);
        QFETCH(QString, err);
        TempDataDir dir;
        if (setup != "no list")
            fill(dir);
        if (setup == "no profiles")
            QVERIFY(dir.write(QLatin1String(UserListFileName), UserListBytes({})));
        if (setup == "unreadable") {
            QVERIFY(QFile::remove(dir.filePath("Anna.bin")));
            QVERIFY(QDir(dir.path()).mkdir("Anna.bin"));
        }
        // "@" stands for the data directory.
        arguments.replaceInStrings(QRegularExpression("^@/"), dir.path());
        const auto before = DirectorySnapshot(dir.path());
        const CommandRun r = run(arguments, dir.path());
        QCOMPARE(r.Status, status);
        QCOMPARE(r.Out, QByteArray());
        QVERIFY2(r.Err.startsWith(err.toUtf8()), r.Err.constData());
        QCOMPARE(DirectorySnapshot(dir.path()), before);
    }

    void aMissingDataDirectoryIsNotCreated()
    {
        QTemporaryDir parent;
        const QString dataDir = parent.filePath("Kinetrax");
        const CommandRun r = run({"export"}, dataDir);
        QCOMPARE(r.Status, 1);
        QVERIFY(!QFileInfo::exists(dataDir));
    }
};

QTEST_MAIN(TestExport)
#include "test_export.moc"
