#include "store/activity_file.h"

#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_data_dir.h"
#include "tests/support/builders.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

Q_DECLARE_METATYPE(DayRecordList)

class ActivityFileTest : public QObject {
    Q_OBJECT

private:
    const TSoftInfo catalog_ = StoreTestCatalog();

private slots:
    void loadsRecordsAndFillsTargets_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<DayRecordList>("expected");

        const DayRecordList two { Day(20100701, 5000, 8000, 350, 1234, 40), Day(20100702, 0, 9000) };
        QTest::newRow("empty file") << QByteArray() << DayRecordList {};
        QTest::newRow("shorter than a record") << QByteArray(31, 'x') << DayRecordList {};
        QTest::newRow("70 bytes: partial tail ignored")
            << DayRecordsToBytes(two) + QByteArray(6, '\x7f') << two;
        QTest::newRow("target carried to a day with steps")
            << DayRecordsToBytes({ Day(20100701, 5000, 8000), Day(20100702, 3000, 0) })
            << DayRecordList { Day(20100701, 5000, 8000), Day(20100702, 3000, 8000) };
        QTest::newRow("day without steps and target resets the carry")
            << DayRecordsToBytes({ Day(1, 100, 8000), Day(2, 0, 0), Day(3, 900, 0) })
            << DayRecordList { Day(1, 100, 8000), Day(2, 0, 0), Day(3, 900, 0) };
        QTest::newRow("day without steps keeps carrying its target")
            << DayRecordsToBytes({ Day(1, 0, 7000), Day(2, 10, 0), Day(3, 20, 0) })
            << DayRecordList { Day(1, 0, 7000), Day(2, 10, 7000), Day(3, 20, 7000) };
        QTest::newRow("first day with steps has nothing to carry")
            << DayRecordsToBytes({ Day(1, 400, 0), Day(2, 0, 6000), Day(3, 1, 0) })
            << DayRecordList { Day(1, 400, 0), Day(2, 0, 6000), Day(3, 1, 6000) };
    }
    void loadsRecordsAndFillsTargets()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(DayRecordList, expected);
        TempDataDir dir;
        QVERIFY(dir.write("Anna.bin", bytes));
        ScriptedPrompts prompts;
        DayRecordList records { Day(19990101, 1) };
        QVERIFY(LoadDayRecords(dir.filePath("Anna.bin"), records, catalog_, prompts));
        QCOMPARE(records, expected);
        QVERIFY(prompts.shown().isEmpty());
        // Filling happens in memory only.
        QCOMPARE(dir.read("Anna.bin"), bytes);
    }

    void fileLayoutIsLittleEndianInFieldOrder()
    {
        TBINFile r;
        r.Date = 20100704;
        r.Steps = 0x01020304;
        r.Distance = 2;
        r.Calories = 3;
        r.WalkingTime = 4;
        r.CardioSteps = 5;
        r.CardioTime = 6;
        r.TargetSteps = 0xFFFFFFFF;
        const QByteArray expected = QByteArray::fromHex("60b63201" "04030201" "02000000" "03000000"
                                                        "04000000" "05000000" "06000000" "ffffffff");
        TempDataDir dir;
        ScriptedPrompts prompts;
        QVERIFY(SaveDayRecords(dir.filePath("Anna.bin"), { r, Day(20100705, 7) }, catalog_, prompts));
        const QByteArray file = dir.read("Anna.bin");
        QCOMPARE(file.size(), 64);
        QCOMPARE(file.left(32), expected);

        DayRecordList back;
        QVERIFY(LoadDayRecords(dir.filePath("Anna.bin"), back, catalog_, prompts));
        QCOMPARE(back, (DayRecordList { r, Day(20100705, 7, 0xFFFFFFFF) }));
    }

    void saveKeepsListOrderAndDropsPartialTail()
    {
        TempDataDir dir;
        const DayRecordList unsorted { Day(20100710, 1, 1), Day(20100703, 2, 2), Day(20100709, 3, 3) };
        QVERIFY(dir.write("Bob.bin", DayRecordsToBytes(unsorted) + "tail"));
        ScriptedPrompts prompts;
        DayRecordList records;
        QVERIFY(LoadDayRecords(dir.filePath("Bob.bin"), records, catalog_, prompts));
        QVERIFY(SaveDayRecords(dir.filePath("Bob.bin"), records, catalog_, prompts));
        QCOMPARE(dir.read("Bob.bin"), DayRecordsToBytes(unsorted));

        QVERIFY(SaveDayRecords(dir.filePath("Bob.bin"), {}, catalog_, prompts));
        QVERIFY(QFileInfo::exists(dir.filePath("Bob.bin")));
        QCOMPARE(dir.read("Bob.bin"), QByteArray());
        QVERIFY(prompts.shown().isEmpty());
    }

    void missingFileIsQuietAndKeepsList()
    {
        TempDataDir dir;
        ScriptedPrompts prompts;
        const DayRecordList before { Day(20100701, 10, 100) };
        DayRecordList records = before;
        QVERIFY(!LoadDayRecords(dir.filePath("Nobody.bin"), records, catalog_, prompts));
        QCOMPARE(records, before);
        QVERIFY(prompts.shown().isEmpty());
    }

    void unreadableOrOversizedFileIsReported_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("directory in place of the file") << "dir";
        QTest::newRow("larger than any real history") << "huge";
        QTest::newRow("named pipe") << "fifo";
    }
    void unreadableOrOversizedFileIsReported()
    {
        QFETCH(QString, kind);
        TempDataDir dir;
        const QString path = dir.filePath("Anna.bin");
        if (kind == "dir") {
            QVERIFY(QDir(dir.path()).mkdir("Anna.bin"));
        } else if (kind == "fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(MaxActivityFileBytes + 1)); // sparse: no disk used
        }
        ScriptedPrompts prompts;
        const DayRecordList before { Day(20100701, 10, 100) };
        DayRecordList records = before;
        QVERIFY(!LoadDayRecords(path, records, catalog_, prompts));
        QCOMPARE(records, before);
        QCOMPARE(prompts.shown().size(), 1);
        const auto shown = prompts.shown().first();
        QCOMPARE(shown.caption, QStringLiteral("Kinetrax V1.0"));
        QCOMPARE(shown.text, QStringLiteral("Open file error !     \r\n") + path);
        QCOMPARE(shown.flags, PromptFlags::Plain);
        QVERIFY(!shown.question);
    }

    void failedSaveIsReportedAndKeepsOldFile()
    {
        TempDataDir dir;
        const QByteArray old = DayRecordsToBytes({ Day(20100701, 10, 100) });
        QVERIFY(dir.write("Anna.bin", old));
        DayRecordList many(50, Day(20100702, 20, 200));
        ScriptedPrompts prompts;
        bool saved = true;
        {
            FileSizeLimit limit(64);
            saved = SaveDayRecords(dir.filePath("Anna.bin"), many, catalog_, prompts);
        }
        QVERIFY(!saved);
        QCOMPARE(dir.read("Anna.bin"), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "Anna.bin" });
        QCOMPARE(prompts.texts(), QStringList { QStringLiteral("Open file error !     \r\n") + dir.filePath("Anna.bin") });

        prompts.clear();
        const QString noDir = dir.filePath("missing/Anna.bin");
        QVERIFY(!SaveDayRecords(noDir, many, catalog_, prompts));
        QCOMPARE(prompts.texts(), QStringList { QStringLiteral("Open file error !     \r\n") + noDir });
    }

    void pathIsNamePlusBin()
    {
        QCOMPARE(ActivityFilePath("/data/", "Anna"), QStringLiteral("/data/Anna.bin"));
    }
};

QTEST_GUILESS_MAIN(ActivityFileTest)
#include "test_activity_file.moc"
