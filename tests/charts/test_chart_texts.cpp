#include "charts/chart_texts.h"
#include "catalog/catalog_file.h"

#include <QTest>

Q_DECLARE_METATYPE(Measure)
Q_DECLARE_METATYPE(PeriodMode)

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

    void barToolTips_data()
    {
        QTest::addColumn<PeriodMode>("mode");
        QTest::addColumn<Measure>("measure");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("metric");
        QTest::addColumn<QString>("expected");
        // The bar stands at position 0 with the label the view gives: day 14, week 23, month 7, 2011.
        QTest::newRow("day, distance") << PeriodMode::Daily << MeasureDistance << 8.76 << true << "14 Jul 2011: 8.76 km";
        QTest::newRow("day, miles") << PeriodMode::Daily << MeasureDistance << 0.05 << false << "14 Jul 2011: 0.05 mile";
        QTest::newRow("week, steps") << PeriodMode::Weekly << MeasureSteps << 52140.0 << true << "Week 23: 52,140 steps";
        QTest::newRow("month, calories") << PeriodMode::Monthly << MeasureCalories << 1234.5 << true << "Jul 2011: 1,234.5 Kcal";
        QTest::newRow("year, walking time") << PeriodMode::Yearly << MeasureWalkingTime << 1500.0 << true << "2011: 1,500 min";
        QTest::newRow("cardio steps") << PeriodMode::Weekly << MeasureCardioSteps << 0.0 << true << "Week 23: 0 steps";
        QTest::newRow("no wrap at 32 bits") << PeriodMode::Weekly << MeasureSteps << 8589934590.0 << true
                                            << "Week 23: 8,589,934,590 steps";
    }
    void barToolTips()
    {
        QFETCH(PeriodMode, mode);
        QFETCH(Measure, measure);
        QFETCH(double, value);
        QFETCH(bool, metric);
        QFETCH(QString, expected);
        const QString labels[] = {"14", "23", "7", "2011"};
        PeriodView view;
        view.Mode = mode;
        view.Labels = QStringList{labels[int(mode)]};
        for (auto& v : view.Values)
            v = {0};
        view.Values[measure] = {value};
        QCOMPARE(BarToolTipText(view, measure, 0, 2011, 7, metric, DefaultCatalog()), expected);
        QCOMPARE(BarToolTipText(view, measure, 1, 2011, 7, metric, DefaultCatalog()), QString());
        QCOMPARE(BarToolTipText(view, measure, -1, 2011, 7, metric, DefaultCatalog()), QString());
    }

    void axisValueTexts_data()
    {
        QTest::addColumn<Measure>("measure");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("steps") << MeasureSteps << 12000.0 << "12,000";
        QTest::newRow("steps, large") << MeasureSteps << 4e9 << "4,000,000,000";
        QTest::newRow("distance, three decimals") << MeasureDistance << 1234.5 << "1,234.500";
        // A multiple of a step that floating point misses by a little still reads exactly.
        QTest::newRow("distance, near a step") << MeasureDistance << 0.6000000000000001 << "0.600";
        QTest::newRow("calories, two decimals") << MeasureCalories << 0.2 << "0.20";
        QTest::newRow("cardio time") << MeasureCardioTime << 5.0 << "5.00";
        QTest::newRow("negative reads 0") << MeasureWalkingTime << -1.0 << "0.00";
    }
    void axisValueTexts()
    {
        QFETCH(Measure, measure);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(AxisValueText(measure, value), expected);
    }
};

QTEST_GUILESS_MAIN(ChartTextsTest)
#include "test_chart_texts.moc"
