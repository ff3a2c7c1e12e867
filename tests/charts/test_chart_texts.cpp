#include "charts/chart_texts.h"
#include "catalog/catalog_file.h"

#include <QTest>

class ChartTextsTest : public QObject {
    Q_OBJECT

private slots:
    void totalsOfEmptyStore()
    {
        const auto texts = RecordTotalTexts(SumRecords({}), true, DefaultCatalog());
        const std::array<QString, MeasureCount> expected{"Total:0steps", "Total:0.00km", "Total:0.0Kcal",
                                                         "Total:0min",   "Total:0",      "Total:0min"};
        QCOMPARE(texts, expected);
    }

    void totalsSumEveryRecordUngrouped()
    {
        TBINFile a, b, c;
        a.Date = 20110101;
        a.Steps = 123000;
        a.Distance = 1200;
        a.Calories = 90;
        a.WalkingTime = 1000;
        a.CardioSteps = 4000;
        a.CardioTime = 30;
        b = a; // a duplicate day counts as well
        b.Steps = 456;
        b.Distance = 5;
        b.Calories = 8;
        c.Date = 19990505;
        const auto texts = RecordTotalTexts(SumRecords({a, b, c}), true, DefaultCatalog());
        const std::array<QString, MeasureCount> expected{"Total:123456steps", "Total:12.05km", "Total:9.8Kcal",
                                                         "Total:2000min",     "Total:8000",    "Total:60min"};
        QCOMPARE(texts, expected);
    }

    void totalsUseImperialUnitAndDoNotWrap()
    {
        TBINFile r;
        r.Steps = 4294967295u;
        r.Distance = 7;
        const auto texts = RecordTotalTexts(SumRecords({r, r}), false, DefaultCatalog());
        QCOMPARE(texts[MeasureSteps], QStringLiteral("Total:8589934590steps"));
        QCOMPARE(texts[MeasureDistance], QStringLiteral("Total:0.14mile"));
    }

    void axisCaptions()
    {
        const TSoftInfo c = DefaultCatalog();
        QCOMPARE(ChartAxisCaption(MeasureSteps, true, c), QStringLiteral("Steps"));
        QCOMPARE(ChartAxisCaption(MeasureDistance, true, c), QStringLiteral("Distance(km)"));
        QCOMPARE(ChartAxisCaption(MeasureDistance, false, c), QStringLiteral("Distance(mile)"));
        QCOMPARE(ChartAxisCaption(MeasureCalories, true, c), QStringLiteral("Calories(Kcal)"));
        QCOMPARE(ChartAxisCaption(MeasureWalkingTime, true, c), QStringLiteral("Walking Time(min)"));
        QCOMPARE(ChartAxisCaption(MeasureCardioSteps, true, c), QStringLiteral("Cardio Steps"));
        QCOMPARE(ChartAxisCaption(MeasureCardioTime, true, c), QStringLiteral("Cardio Time(min)"));
    }

    void periodCaptions()
    {
        const TSoftInfo c = DefaultCatalog();
        QCOMPARE(PeriodCaption(PeriodMode::Daily, 2011, 7, c), QStringLiteral("Day(Jul)"));
        QCOMPARE(PeriodCaption(PeriodMode::Weekly, 2011, 7, c), QStringLiteral("Week(2011)"));
        QCOMPARE(PeriodCaption(PeriodMode::Monthly, 2011, 7, c), QStringLiteral("Month(2011)"));
        QCOMPARE(PeriodCaption(PeriodMode::Yearly, 2011, 7, c), QStringLiteral("Year"));
    }
};

QTEST_GUILESS_MAIN(ChartTextsTest)
#include "test_chart_texts.moc"
