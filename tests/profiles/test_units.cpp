#include "profiles/units.h"

#include "tests/support/builders.h"

#include <QTest>

namespace {

// Editor fields as "HeightH|HeightL|Weight|Steplength|Age|TargetStep|Target".
EditorFields Fields(const QString& packed)
{
    const QStringList p = packed.split('|');
    return { { p.value(0), p.value(1), p.value(2), p.value(3) }, p.value(4), p.value(5), p.value(6) };
}

QString Packed(const EditorFields& f)
{
    return QStringList { f.Body.HeightH, f.Body.HeightL, f.Body.Weight, f.Body.Steplength, f.Age, f.TargetStep, f.Target }
        .join('|');
}

QString Packed(const BodyEditTexts& b)
{
    return QStringList { b.HeightH, b.HeightL, b.Weight, b.Steplength }.join('|');
}

MasterValues Metric(float heightCm, float weightKg, float stepCm)
{
    return { heightCm, weightKg, stepCm };
}

} // namespace

class UnitsTest : public QObject {
    Q_OBJECT

private slots:
    void switchingSystemsConvertsTheEditor_data()
    {
        QTest::addColumn<bool>("fromMetric");
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QString>("shownInOtherSystem");
        QTest::newRow("1.75 m 70 kg 75 cm") << true << "1|75|70|75" << "5|09|154|30";
        QTest::newRow("5 ft 06 in 100 lb 20 in") << false << "5|06|100|20" << "1|67|45|50";
        QTest::newRow("inches rounding to 12 carry a foot") << true << "1|82|70|75" << "6|00|154|30";
        QTest::newRow("below one foot") << true << "0|25|20|30" << "0|10|44|12";
        QTest::newRow("junk edits read 0") << true << "x||-|?" << "0|00|0|0";
        QTest::newRow("largest imperial") << false << "9|11|500|84" << "3|02|226|213";
    }
    void switchingSystemsConvertsTheEditor()
    {
        QFETCH(bool, fromMetric);
        QFETCH(QString, edits);
        QFETCH(QString, shownInOtherSystem);
        const EditorFields f = Fields(edits);
        const MasterValues m = MasterValuesFromEdits(fromMetric, f.Body);
        QCOMPARE(Packed(fromMetric ? ImperialEditTexts(m) : MetricEditTexts(m)), shownInOtherSystem);
    }

    void imperialEditsGiveMetricMasters()
    {
        const MasterValues m = MasterValuesFromEdits(false, { "5", "06", "100", "20" });
        QCOMPARE(m.HeightCm, 167.64f);
        QCOMPARE(m.WeightKg, 45.359f);
        QCOMPARE(m.SteplengthCm, 50.8f);
        const MasterValues back = MasterValuesFromEdits(true, MetricEditTexts(m));
        QCOMPARE(back.HeightCm, 167.0f);
        QCOMPARE(back.WeightKg, 45.0f);
    }

    void normalizesEditorIntoLimits_data()
    {
        QTest::addColumn<bool>("metric");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("formTarget");
        const int steps = TargetKindSteps, distance = TargetKindDistance, calories = TargetKindCalories;
        QTest::newRow("valid metric kept") << true << steps << "1|75|70|75|30|8000|8000" << "1|75|70|75|30|8000|8000" << 8000;
        QTest::newRow("single inch digit padded") << true << steps << "1|7|70|75|30|0|0" << "1|07|70|75|30|0|0" << 0;
        QTest::newRow("empty fields") << true << steps << "||||||" << "0|30|20|30|1|0|0" << 0;
        QTest::newRow("metric height below 0.30 m") << true << steps << "0|10|70|75|30|1|1" << "0|30|70|75|30|1|1" << 1;
        QTest::newRow("imperial inches above 11") << false << steps << "5|12|150|30|30|1|1" << "5|11|150|30|30|1|1" << 1;
        QTest::newRow("imperial below 1 ft") << false << steps << "0|05|150|30|30|1|1" << "1|00|150|30|30|1|1" << 1;
        QTest::newRow("metric upper limits") << true << steps << "9|99|300|250|200|999999|123456"
                                             << "9|99|227|213|150|999999|99999" << 999999;
        QTest::newRow("metric lower limits") << true << steps << "1|00|10|10|0|0|-5" << "1|00|20|30|1|0|0" << 0;
        QTest::newRow("imperial upper limits") << false << steps << "9|11|600|90|151|5|5" << "9|11|500|84|150|5|5" << 5;
        QTest::newRow("imperial lower limits") << false << steps << "1|00|10|5|-3|5|5" << "1|00|50|12|1|5|5" << 5;
        QTest::newRow("junk numbers") << true << steps << "a|b|c|d|e|f|g" << "0|30|20|30|1|0|0" << 0;
        QTest::newRow("negative step target") << true << steps << "1|70|70|70|30|-5|0" << "1|70|70|70|30|0|0" << 0;
        QTest::newRow("distance in range kept") << true << distance << "1|70|68|70|30|8000|5.60" << "1|70|68|70|30|8000|5.60" << 8000;
        QTest::newRow("distance beyond 99999 steps") << true << distance << "1|70|68|70|30|8000|99" << "1|70|68|70|30|8000|70.00" << 99999;
        QTest::newRow("distance not positive") << true << distance << "1|70|68|70|30|8000|-1" << "1|70|68|70|30|8000|0.00" << 0;
        QTest::newRow("calories beyond 99999 steps") << true << calories << "1|70|68|70|30|8000|9999" << "1|70|68|70|30|8000|4262.4" << 99999;
        QTest::newRow("calories not a number") << true << calories << "1|70|68|70|30|8000|x" << "1|70|68|70|30|8000|0.0" << 0;
    }
    void normalizesEditorIntoLimits()
    {
        QFETCH(bool, metric);
        QFETCH(int, kind);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, formTarget);
        EditorFields f = Fields(before);
        QCOMPARE(NormalizeEditor(f, metric, kind, Metric(170, 68, 70)), formTarget);
        QCOMPARE(Packed(f), after);
    }

    void targetKindsConvertThroughMasterValues()
    {
        const MasterValues m = Metric(170, 68, 70);
        QVERIFY(qAbs(CaloriesPerStep(true, m) - 0.042624) < 1e-12);
        QCOMPARE(TargetCaloriesText(10000, true, m), QStringLiteral("426.2"));
        QCOMPARE(StepsForCalories(500, true, m), 11730);
        QCOMPARE(TargetDistanceText(10000, true, m), QStringLiteral("7.00"));
        QCOMPARE(StepsForDistance(12.5, true, m), 17857);
        QCOMPARE(TargetTextForKind(TargetKindSteps, 10000, true, m), QStringLiteral("10000"));

        // Imperial: 30 inch steps, 154 lb.
        const MasterValues i = Metric(175, 154 * 0.45359f, 76.2f);
        QCOMPARE(TargetDistanceText(10000, false, i), QStringLiteral("4.73"));
        QCOMPARE(StepsForDistance(4.73, false, i), 9990);
        QCOMPARE(TargetCaloriesText(10000, false, i), QStringLiteral("440.1"));
        QCOMPARE(StepsForCalories(440.1, false, i), 10000);
    }

    void stepsNeverNegativeOrUndefined_data()
    {
        QTest::addColumn<bool>("distance");
        QTest::addColumn<double>("value");
        QTest::addColumn<float>("weightKg");
        QTest::addColumn<float>("stepCm");
        QTest::addColumn<int>("steps");
        QTest::newRow("negative distance") << true << -3.0 << 68.f << 70.f << 0;
        QTest::newRow("no step length") << true << 5.0 << 68.f << 0.f << 0;
        QTest::newRow("weight too low for calories") << false << 100.0 << 5.f << 70.f << 0;
        QTest::newRow("huge distance capped") << true << 1e300 << 68.f << 70.f << 1000000000;
    }
    void stepsNeverNegativeOrUndefined()
    {
        QFETCH(bool, distance);
        QFETCH(double, value);
        QFETCH(float, weightKg);
        QFETCH(float, stepCm);
        QFETCH(int, steps);
        const MasterValues m = Metric(170, weightKg, stepCm);
        QCOMPARE(distance ? StepsForDistance(value, true, m) : StepsForCalories(value, true, m), steps);
    }

    void targetEditChanges_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("formTarget");
        QTest::addColumn<QString>("replaced"); // "-": the text stays
        QTest::newRow("steps") << TargetKindSteps << "12345" << 12345 << "-";
        QTest::newRow("steps cut to five characters") << TargetKindSteps << "1234567" << 12345 << "12345";
        QTest::newRow("steps junk") << TargetKindSteps << "abc" << 0 << "-";
        QTest::newRow("distance") << TargetKindDistance << "12.5" << 17857 << "-";
        QTest::newRow("distance above the limit") << TargetKindDistance << "70.01" << 99999 << "70.00";
        QTest::newRow("distance at the limit") << TargetKindDistance << "69.99" << 99986 << "-";
        QTest::newRow("calories") << TargetKindCalories << "500" << 11730 << "-";
        QTest::newRow("calories cut to seven characters") << TargetKindCalories << "100.0000" << 2346 << "100.000";
        QTest::newRow("calories above the limit") << TargetKindCalories << "9999" << 99999 << "4262.4";
        QTest::newRow("program writing") << TargetKindWriting << "500" << 777 << "-";
    }
    void targetEditChanges()
    {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(int, formTarget);
        QFETCH(QString, replaced);
        const TargetEditOutcome out = TargetEditChange(kind, text, true, Metric(170, 68, 70), 777);
        QCOMPARE(out.FormTarget, formTarget);
        QCOMPARE(out.ReplacedText.value_or("-"), replaced);
    }

    void targetUnitFollowsKindAndSystem()
    {
        const TSoftInfo c = StoreTestCatalog();
        QCOMPARE(TargetUnitText(TargetKindSteps, true, c), std::optional<QString>("step"));
        QCOMPARE(TargetUnitText(TargetKindDistance, true, c), std::optional<QString>("km"));
        QCOMPARE(TargetUnitText(TargetKindDistance, false, c), std::optional<QString>("mile"));
        QCOMPARE(TargetUnitText(TargetKindCalories, false, c), std::optional<QString>("Kcal"));
        QVERIFY(!TargetUnitText(TargetKindWriting, true, c).has_value());
    }

    void convertsStoredHeight_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("toMetric");
        QTest::addColumn<int>("converted");
        QTest::newRow("5 ft 10 in to cm") << 510 << true << 178;
        QTest::newRow("170 cm to 5 ft 7 in") << 170 << false << 507;
        QTest::newRow("5 ft 6 in to cm") << 506 << true << 168;
        QTest::newRow("30 cm to 1 ft 0 in") << 30 << false << 100;
        QTest::newRow("zero") << 0 << true << 0;
        QTest::newRow("largest stored to cm") << 65535 << true << 20053;
        QTest::newRow("largest stored to feet capped") << 65535 << false << 65535;
    }
    void convertsStoredHeight()
    {
        QFETCH(int, height);
        QFETCH(bool, toMetric);
        QFETCH(int, converted);
        TClient p;
        p.Height = uint16_t(height);
        p.Metric = toMetric ? 0 : 1;
        ConvertStoredHeight(p, toMetric);
        QCOMPARE(int(p.Height), converted);
        QCOMPARE(int(p.Metric), toMetric ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(UnitsTest)
#include "test_units.moc"
