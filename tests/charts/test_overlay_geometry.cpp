#include "charts/overlay_geometry.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(Measure)
Q_DECLARE_METATYPE(BarSlot)
Q_DECLARE_METATYPE(std::vector<BarSlot>)

namespace {

QList<int> Lefts(const std::vector<BarSlot>& bars)
{
    QList<int> out;
    for (const BarSlot& b : bars)
        out << b.Left;
    return out;
}

QList<int> Xs(const std::vector<QPoint>& points)
{
    QList<int> out;
    for (const QPoint& p : points)
        out << p.x();
    return out;
}

} // namespace

class OverlayGeometryTest : public QObject {
    Q_OBJECT

private slots:
    void barSlots_data()
    {
        QTest::addColumn<QRectF>("plot");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<double>("positions");
        QTest::addColumn<QList<int>>("lefts");
        QTest::addColumn<int>("width");
        QTest::newRow("4 bars of 60 px categories") << QRectF(10, 0, 240, 100) << 4 << 0.5 << 4.0 << QList<int>{25, 85, 145, 205} << 30;
        // Categories of 33.33 px: fractions truncate toward zero.
        QTest::newRow("fractional categories") << QRectF(0.5, 0, 100, 100) << 3 << 0.6 << 3.0 << QList<int>{7, 40, 73} << 20;
        // The axis half a position past the last bar: 4 bars in 4.5 categories of 60 px.
        QTest::newRow("axis past the last bar") << QRectF(10, 0, 270, 100) << 4 << 0.5 << 4.5 << QList<int>{25, 85, 145, 205} << 30;
        QTest::newRow("fewer positions than bars") << QRectF(10, 0, 240, 100) << 4 << 0.5 << 1.0 << QList<int>{25, 85, 145, 205} << 30;
        QTest::newRow("one bar") << QRectF(84, 42, 794, 293) << 1 << 0.6 << 1.0 << QList<int>{242} << 476;
        QTest::newRow("none") << QRectF(84, 42, 794, 293) << 0 << 0.6 << 1.0 << QList<int>{} << 0;
    }
    void barSlots()
    {
        QFETCH(QRectF, plot);
        QFETCH(int, count);
        QFETCH(double, fraction);
        QFETCH(double, positions);
        QFETCH(QList<int>, lefts);
        QFETCH(int, width);
        const std::vector<BarSlot> bars = CategoryBarSlots(plot, count, fraction, positions);
        QCOMPARE(Lefts(bars), lefts);
        for (const BarSlot& b : bars)
            QCOMPARE(b.Width, width);
    }

    void gridLines_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<double>("positions");
        QTest::addColumn<QList<int>>("xs");
        // 10 px categories from x 100: centres at 105, 115 ...
        QTest::newRow("every 5th of 12") << 12 << 5 << 12.0 << QList<int>{105, 155, 205};
        QTest::newRow("every one") << 3 << 1 << 3.0 << QList<int>{105, 115, 125};
        QTest::newRow("axis past the last bar") << 3 << 1 << 3.5 << QList<int>{105, 115, 125};
        QTest::newRow("spacing 0 counts as 1") << 2 << 0 << 2.0 << QList<int>{105, 115};
        QTest::newRow("no bars") << 0 << 5 << 1.0 << QList<int>{};
    }
    void gridLines()
    {
        QFETCH(int, count);
        QFETCH(int, spacing);
        QFETCH(double, positions);
        QFETCH(QList<int>, xs);
        const double categories = std::max(positions, double(count));
        const std::vector<int> got = GridLineXs(QRectF(100, 0, 10.0 * categories, 50), count, spacing, positions);
        QCOMPARE(QList<int>(got.begin(), got.end()), xs);
    }

    void barShadows_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<BarSlot>("bar");
        QTest::addColumn<QRect>("shadow"); // null for none
        // Plot from y 42 to 335: the axis at 335.
        QTest::newRow("3 px right and down, to the axis") << 100 << BarSlot{200, 20} << QRect(203, 103, 20, 232);
        QTest::newRow("a bar above the plot") << 0 << BarSlot{200, 20} << QRect(203, 45, 20, 290);
        QTest::newRow("no taller than the offset") << 332 << BarSlot{200, 20} << QRect();
        QTest::newRow("a bar of 0") << 335 << BarSlot{200, 20} << QRect();
        QTest::newRow("no width") << 100 << BarSlot{200, 0} << QRect();
    }
    void barShadows()
    {
        QFETCH(int, top);
        QFETCH(BarSlot, bar);
        QFETCH(QRect, shadow);
        const std::optional<QRect> got = BarShadowRect(QRectF(84, 42, 794, 293), bar, top);
        QCOMPARE(got.value_or(QRect()), shadow);
    }

    void axisTicks_data()
    {
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("smallest");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("ticks");
        QTest::newRow("daily steps 13000") << 13000.0 << 1.0 << 2000.0 << 7;
        QTest::newRow("daily steps 19000") << 19000.0 << 1.0 << 5000.0 << 4;
        QTest::newRow("an empty steps chart") << 1.0 << 1.0 << 1.0 << 2;
        QTest::newRow("a step per label up to 8") << 8.0 << 1.0 << 1.0 << 9;
        QTest::newRow("an empty distance chart") << 1.0 << 0.001 << 0.2 << 6;
        QTest::newRow("tiny distance") << 0.0111 << 0.001 << 0.002 << 6;
        QTest::newRow("smaller than the labels show") << 0.004 << 0.01 << 0.01 << 1;
        QTest::newRow("4294967295 steps a day") << 4294968295.0 << 1.0 << 1e9 << 5;
        QTest::newRow("no maximum") << 0.0 << 1.0 << 1.0 << 1;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0.01 << 0.01 << 1;
    }
    void axisTicks()
    {
        QFETCH(double, maximum);
        QFETCH(double, smallest);
        QFETCH(double, step);
        QFETCH(int, ticks);
        QVERIFY(qFuzzyCompare(ValueAxisStep(maximum, smallest), step));
        const std::vector<double> got = ValueAxisTicks(maximum, smallest);
        QCOMPARE(int(got.size()), ticks);
        QCOMPARE(got.front(), 0.0);
        for (std::size_t k = 1; k < got.size(); ++k)
            QVERIFY(qFuzzyCompare(got[k], k * step));
        if (std::isfinite(maximum) && maximum > 0)
            QVERIFY(got.back() <= maximum * (1 + 1e-9));
    }

    // Plot 84, 42, 794 x 293.4: the axes meet at (84, 335).
    void overlay_data()
    {
        QTest::addColumn<Measure>("chart");
        QTest::addColumn<bool>("hasDayTarget");
        QTest::addColumn<std::vector<BarSlot>>("bars");
        QTest::addColumn<QList<int>>("dotXs");
        QTest::addColumn<bool>("word");
        const std::vector<BarSlot> two = {{100, 16}, {200, 7}};
        // Half the bar width minus half the dot width, each half truncated: 8 - 9 and 3 - 9.
        QTest::newRow("steps with the day's target") << MeasureSteps << true << two << QList<int>{99, 194} << true;
        QTest::newRow("steps without it") << MeasureSteps << false << two << QList<int>{99, 194} << false;
        QTest::newRow("distance never shows the word") << MeasureDistance << true << two << QList<int>{99, 194} << false;
        QTest::newRow("no bars: no dots") << MeasureCalories << false << std::vector<BarSlot>{} << QList<int>{} << false;
    }
    void overlay()
    {
        QFETCH(Measure, chart);
        QFETCH(bool, hasDayTarget);
        QFETCH(std::vector<BarSlot>, bars);
        QFETCH(QList<int>, dotXs);
        QFETCH(bool, word);
        OverlayInput in;
        in.Chart = chart;
        in.hasDayTarget = hasDayTarget;
        in.Plot = QRectF(84.6, 42.5, 794.3, 292.6);
        in.Bars = bars;
        in.TargetLineY = 120.7;
        in.AxisMaximum = 10000;
        in.ValueTicks = {0, 5000, 10000};
        const ChartOverlay o = ComputeChartOverlay(in);
        // Value labels end 6 px left of the axis, at their values' heights (bottom 335.1, top 42.5).
        QCOMPARE(o.ValueLabels, (std::vector<QPoint>{{78, 335}, {78, 188}, {78, 42}}));
        QCOMPARE(Xs(o.Dots), dotXs);
        for (const QPoint& d : o.Dots)
            QCOMPARE(d.y(), 335 + 28);
        QCOMPARE(o.AxisBar, QPoint(84, 335));
        QCOMPARE(o.AxisCaption, QPoint(84 - 30, 42 - 18));
        QCOMPARE(o.TargetWord.has_value(), word);
        if (word)
            QCOMPARE(*o.TargetWord, QPoint(878 - 60, 120 - 25));
    }

    void crowdedLabelsAreLeftOut_data()
    {
        QTest::addColumn<int>("pitch");
        QTest::addColumn<QList<int>>("widths");
        QTest::addColumn<QList<int>>("drawn");
        QTest::newRow("room for all") << 30 << QList<int>{7, 14, 14} << QList<int>{0, 1, 2};
        // 15 px a bar, two-digit labels 14 px wide: every other one.
        QTest::newRow("weeks") << 15 << QList<int>{14, 14, 14, 14, 14} << QList<int>{0, 2, 4};
        // Exactly 3 px apart is enough.
        QTest::newRow("3 px gap") << 15 << QList<int>{12, 12, 12} << QList<int>{0, 1, 2};
        QTest::newRow("more bars than labels") << 30 << QList<int>{7} << QList<int>{0};
    }
    void crowdedLabelsAreLeftOut()
    {
        QFETCH(int, pitch);
        QFETCH(QList<int>, widths);
        QFETCH(QList<int>, drawn);
        OverlayInput in;
        in.Plot = QRectF(0, 0, 600, 100);
        for (int i = 0; i < std::max(3, int(widths.size())); ++i)
            in.Bars.push_back({i * pitch, 10});
        in.LabelWidths.assign(widths.begin(), widths.end());
        const ChartOverlay o = ComputeChartOverlay(in);
        QList<int> got;
        for (const BarLabelSpot& s : o.Labels) {
            got << s.Bar;
            // Centred under the bar, 15 px below the axis.
            QCOMPARE(s.TopLeft, QPoint(s.Bar * pitch + 5 - widths[s.Bar] / 2, 100 + 15));
        }
        QCOMPARE(got, drawn);
    }
};

QTEST_GUILESS_MAIN(OverlayGeometryTest)
#include "test_overlay_geometry.moc"
