#include "store/import_merge.h"
#include "store/merge.h"
#include "tests/support/builders.h"

#include <QTest>

#include <utility>

Q_DECLARE_METATYPE(DayRecordList)

class ImportMergeTest : public QObject {
    Q_OBJECT

private slots:
    void merge_data()
    {
        QTest::addColumn<DayRecordList>("history");
        QTest::addColumn<DayRecordList>("imported");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<DayRecordList>("result");
        QTest::addColumn<QList<int>>("counts"); // added, identical, differing

        const TBINFile a = Day(20100701, 5000, 8000, 350, 2100, 50, 11, 12);
        const TBINFile b = Day(20100702, 6000, 8000, 420, 2500, 60, 13, 14);
        TBINFile bOther = Day(20100702, 6100, 9000, 430, 2600, 61);
        TBINFile bReplaced = bOther;
        bReplaced.CardioSteps = 13;
        bReplaced.CardioTime = 14;
        const TBINFile c = Day(20100703, 7000, 8000, 490, 2900, 70);
        const TBINFile d = Day(20100630, 100, 0, 7, 4, 1);
        auto without = [](TBINFile r) {
            r.CardioSteps = r.CardioTime = 0;
            return r;
        };

        QTest::newRow("into an empty history, in the file's order, cardio 0")
            << DayRecordList{} << DayRecordList{c, a} << false << DayRecordList{c, without(a)} << QList<int>{2, 0, 0};
        QTest::newRow("new days after the existing ones")
            << DayRecordList{b, a} << DayRecordList{d, c} << false << DayRecordList{b, a, d, c} << QList<int>{2, 0, 0};
        // Cardio figures are not exported: equal exported figures are identical whatever the history's cardio.
        QTest::newRow("identical days unchanged")
            << DayRecordList{a, b} << DayRecordList{without(b), without(a)} << true << DayRecordList{a, b}
            << QList<int>{0, 2, 0};
        QTest::newRow("a differing day kept") << DayRecordList{a, b} << DayRecordList{bOther, c} << false
                                              << DayRecordList{a, b, c} << QList<int>{1, 0, 1};
        QTest::newRow("a differing day replaced, cardio kept")
            << DayRecordList{a, b} << DayRecordList{bOther, c} << true << DayRecordList{a, bReplaced, c}
            << QList<int>{1, 0, 1};
        const std::pair<uint32_t TBINFile::*, const char*> fields[] = {
            {&TBINFile::Steps, "steps"}, {&TBINFile::TargetSteps, "target"}, {&TBINFile::Distance, "distance"},
            {&TBINFile::Calories, "calories"}, {&TBINFile::WalkingTime, "walking time"}};
        for (const auto& [field, name] : fields) {
            TBINFile changed = without(a);
            changed.*field += 1;
            TBINFile replaced = a;
            replaced.*field += 1;
            QTest::newRow(qPrintable(QStringLiteral("only the %1 differ").arg(QLatin1String(name))))
                << DayRecordList{a} << DayRecordList{changed} << true << DayRecordList{replaced} << QList<int>{0, 0, 1};
        }
        // Every reader takes the first record of a date; the later one is left as it is.
        QTest::newRow("history holding a date twice: the first compared and replaced")
            << DayRecordList{bOther, a, b} << DayRecordList{without(b)} << true
            << DayRecordList{Day(20100702, 6000, 8000, 420, 2500, 60), a, b} << QList<int>{0, 0, 1};
        QTest::newRow("history holding a date twice: identical to the first")
            << DayRecordList{b, bOther} << DayRecordList{without(b)} << true << DayRecordList{b, bOther}
            << QList<int>{0, 1, 0};
        QTest::newRow("a date twice in the import: added once, then compared")
            << DayRecordList{} << DayRecordList{c, without(a), c} << false << DayRecordList{c, without(a)}
            << QList<int>{2, 1, 0};
        QTest::newRow("nothing imported") << DayRecordList{a} << DayRecordList{} << true << DayRecordList{a}
                                          << QList<int>{0, 0, 0};
    }

    void merge()
    {
        QFETCH(DayRecordList, history);
        QFETCH(DayRecordList, imported);
        QFETCH(bool, replace);
        QFETCH(DayRecordList, result);
        QFETCH(QList<int>, counts);
        const ImportCounts got = MergeImportedDays(history, imported, replace);
        QCOMPARE(history, result);
        QCOMPARE((QList<int>{got.Added, got.Identical, got.Differing}), counts);
    }

    void distancesTakeTheUsersUnit()
    {
        const DayRecordList miles = {Day(20100701, 1, 0, 1000), Day(20100702, 1, 0, 0), Day(20100703, 1, 0, 1),
                                     Day(20100704, 1, 0, 4294967295u)};
        DayRecordList records = miles;
        ConvertImportedDistances(records, false, true);
        QCOMPARE(records[0].Distance, 1609u);
        QCOMPARE(records[1].Distance, 0u);
        QCOMPARE(records[2].Distance, 2u);
        QCOMPARE(records[3].Distance, 4294967295u); // capped, as ConvertDistance caps
        for (size_t i = 0; i < records.size(); ++i)
            QCOMPARE(records[i].Distance, ConvertDistance(miles[i].Distance, true));

        ConvertImportedDistances(records, true, false);
        QCOMPARE(records[0].Distance, 1000u);

        DayRecordList same = miles;
        ConvertImportedDistances(same, false, false);
        QCOMPARE(same, miles);
        ConvertImportedDistances(same, true, true);
        QCOMPARE(same, miles);
    }
};

QTEST_GUILESS_MAIN(ImportMergeTest)
#include "test_import_merge.moc"
