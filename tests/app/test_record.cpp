#include "app/main_window.h"
#include "charts/record_chart_view.h"
#include "charts/record_view.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "forms/artwork_widget.h"
#include "profiles/settings_window.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/date_key.h"
#include "store/download_log.h"
#include "tests/support/builders.h"
#include "tests/support/scripted_folder_opener.h"
#include "tests/support/scripted_mailer.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_data_dir.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QValueAxis>

#include <cmath>
#include <memory>

namespace {

const QDate Today(2011, 7, 14);
const char* const Prefixes[] = {"Steps", "Distance", "Calorie", "WalkingTime", "ModerateSteps", "ModerateTime"};
const char* const SeriesNames[] = {"StepsSeries",    "DistanceSeries",      "CaloriesSeries",
                                   "StepTimeSeries", "ModerateStepsSeries", "ModerateTimeSeries"};
const char* const Periods[] = {"Daily", "Weekly", "Monthly", "Yearly"};

// A known July 2011: the 14th (today) with its own target, the 3rd the best day (and a later
// duplicate of it), one day in June and one in 2010.
DayRecordList KnownHistory()
{
    return {Day(20110714, 9000, 8000, 1205, 98, 80, 3000, 20), Day(20110703, 12000, 8000, 840, 400, 120, 10, 1),
            Day(20110630, 5000, 8000, 350, 200, 50, 0, 0), Day(20110703, 1, 8000, 1, 1, 1, 1, 1),
            Day(20100101, 100, 8000, 7, 3, 1, 0, 0)};
}

// The main window on an emulated pedometer, with Ann as the current user and a fixed today.
struct Fixture {
    TempDataDir dir;
    EmulatedHidBus bus;
    ScriptedPrompts prompts;
    ScriptedMailer mailer;
    ScriptedFolderOpener folders;
    std::unique_ptr<TForm1> form;

    Fixture()
    {
        form = std::make_unique<TForm1>(bus, prompts, mailer, folders, dir.path(), nullptr);
        form->setTodaySource([] { return Today; });
        form->state().CurrentUser = QStringLiteral("Ann");
        form->state().DeviceMetric = true;
        form->show();
        // The first show's start-up steps run now, before a test gives the window a settings window.
        QCoreApplication::processEvents();
    }
    bool writeRecords(const DayRecordList& records) const
    {
        return dir.write(QStringLiteral("Ann.bin"), DayRecordsToBytes(records));
    }
    AppState& state() const { return form->state(); }
    template <typename T = QWidget>
    T* w(const QString& name) const
    {
        T* found = form->findChild<T*>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QLabel* label(const QString& name) const { return w<QLabel>(name); }
    void click(const QString& name) const { QTest::mouseClick(w(name), Qt::LeftButton, {}, QPoint(3, 3)); }
    RecordChartView* chart(int m) const { return w<RecordChartView>(QString::fromLatin1(Prefixes[m]) + "Chart"); }

    // A series of the six charts, found by its objectName.
    template <typename S = QBarSeries>
    S* series(const char* name) const
    {
        for (RecordChartView* c : form->findChildren<RecordChartView*>()) {
            for (QAbstractSeries* s : c->chart()->series())
                if (s->objectName() == QLatin1String(name))
                    return qobject_cast<S*>(s);
        }
        qFatal("no series %s", name);
    }
    QList<qreal> bars(const char* name) const
    {
        QList<qreal> values;
        if (QBarSeries* s = series(name); s->count() > 0) {
            const QBarSet* set = s->barSets().first();
            for (int i = 0; i < set->count(); ++i)
                values << set->at(i);
        }
        return values;
    }
    // The maximum of the vertical axis the series is drawn against.
    double axisMaximum(const char* name) const
    {
        for (QAbstractAxis* axis : series(name)->attachedAxes())
            if (axis->orientation() == Qt::Vertical)
                return static_cast<QValueAxis*>(axis)->max();
        return -1;
    }
    QStringList periodCaptions() const
    {
        QStringList out;
        for (const char* p : Prefixes)
            out << label(QStringLiteral("lb") + p + "PanelDate")->text();
        return out;
    }
    // Which of the four period labels is underlined, per panel: "Daily" etc., or "" for none or several.
    QStringList underlined() const
    {
        QStringList out;
        for (const char* p : Prefixes) {
            QStringList on;
            for (const char* period : Periods)
                if (label(QString::fromLatin1(p) + period + "Label")->font().underline())
                    on << period;
            out << (on.size() == 1 ? on.first() : QString());
        }
        return out;
    }
    QImage paint(int m) const { return chart(m)->grab().toImage(); }
};

QStringList Repeated(const QString& text)
{
    return QStringList(6, text);
}

QStringList Numbers(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QString::number(i);
    return out;
}

// Pixels of the label text colour (white) inside rect.
int WhitePixels(const QImage& image, const QRect& rect)
{
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (QColor(image.pixel(x, y)).lightness() > 200)
                ++n;
    return n;
}

} // namespace

class RecordTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitFormResources(); }

    void enteringShowsTheMonthOfTheSelectedDay_data()
    {
        QTest::addColumn<int>("dayOffset");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<int>("days");
        QTest::addColumn<QList<int>>("stepBars");     // index, value pairs that are not 0
        QTest::addColumn<QList<QPointF>>("targetLine");
        QTest::addColumn<double>("stepsMaximum");
        QTest::addColumn<QString>("caption");
        QTest::newRow("today, with its own target")
            << 0 << QStringList{"14", "th", "Jul 2011"} << 31 << QList<int>{2, 12000, 13, 9000}
            << QList<QPointF>{{0, 8000}, {31, 8000}} << 13000.0 << "Day(Jul)";
        QTest::newRow("20 days back, a day without record")
            << -20 << QStringList{"24", "th", "Jun 2011"} << 30 << QList<int>{29, 5000} << QList<QPointF>{}
            << 6000.0 << "Day(Jun)";
    }
    void enteringShowsTheMonthOfTheSelectedDay()
    {
        QFETCH(int, dayOffset);
        QFETCH(QStringList, header);
        QFETCH(int, days);
        QFETCH(QList<int>, stepBars);
        QFETCH(QList<QPointF>, targetLine);
        QFETCH(double, stepsMaximum);
        QFETCH(QString, caption);
        Fixture f;
        QVERIFY(f.writeRecords(KnownHistory()));
        // Entered first on today, whose record has a target; nothing of that entry may remain.
        f.click("RecordLabel");
        f.click("StepsWeeklyLabel");
        f.click("TodayLabel");
        f.state().DayOffset = dayOffset;
        f.click("RecordLabel");

        QVERIFY(f.prompts.shown().isEmpty());
        QVERIFY(f.w("StepsPanel")->isVisible());
        QCOMPARE(f.state().PeriodMode, PeriodMode::Daily);
        QCOMPARE(f.state().recordDay, header[0].toInt());
        QCOMPARE(f.underlined(), Repeated("Daily"));
        QCOMPARE(f.periodCaptions(), Repeated(caption));

        for (const char* p : Prefixes) {
            QLabel* day = f.label(QString::fromLatin1(p) + "DayLabel");
            QLabel* suffix = f.label(QString::fromLatin1(p) + "DaySuffixLabel");
            QLabel* date = f.label(QString::fromLatin1(p) + "DateLabel");
            QCOMPARE(QStringList({day->text(), suffix->text(), date->text()}), header);
            QCOMPARE(day->width(), day->fontMetrics().horizontalAdvance(day->text()));
            QCOMPARE(suffix->x(), day->x() + day->width());
            QCOMPARE(date->x(), suffix->x() + suffix->width());
        }

        QList<qreal> expected(days, 0);
        for (int i = 0; i < stepBars.size(); i += 2)
            expected[stepBars[i]] = stepBars[i + 1];
        QCOMPARE(f.bars("StepsSeries"), expected);
        for (const char* name : SeriesNames)
            QCOMPARE(f.bars(name).size(), days);
        QCOMPARE(f.chart(0)->barLabels(), Numbers(1, days));
        QCOMPARE(f.axisMaximum("StepsSeries"), stepsMaximum);

        auto* line = f.series<QLineSeries>("Series1");
        QVERIFY(line->isVisible());
        QCOMPARE(line->points(), targetLine);
        QCOMPARE(f.state().hasDayTarget, !targetLine.isEmpty());
        f.paint(0);
        QCOMPARE(f.chart(0)->lastOverlay().TargetWord.has_value(), !targetLine.isEmpty());
        // The plot ends where the line does, one position past the last bar; without a line, with the
        // last bar's category.
        QChart* chart = f.chart(0)->chart();
        const double axisEnd = targetLine.isEmpty() ? days - 0.5 : days;
        QCOMPARE(chart->mapToPosition(QPointF(axisEnd, 0), f.series("StepsSeries")).x(), chart->plotArea().right());
    }

    // Once the window has been up a while before RECORD is entered, the axis is still labelled at
    // every step, each label and grid line where its value lies.
    void valueAxisAfterTheWindowWasIdle()
    {
        Fixture f;
        QVERIFY(f.writeRecords(KnownHistory()));
        QTest::qWait(200);
        f.click("RecordLabel");
        QTest::qWait(50);
        const QImage image = f.paint(0);
        const ChartOverlay& drawn = f.chart(0)->lastOverlay();
        const QRectF plot = f.chart(0)->plotRect();
        // 0 ... 12,000 by 2,000 on an axis to 13,000.
        QCOMPARE(int(drawn.ValueLabels.size()), 7);
        for (int k = 0; k < 7; ++k) {
            const int y = int(plot.bottom() - plot.height() * (k * 2000 / 13000.0));
            QCOMPARE(drawn.ValueLabels[k], QPoint(int(plot.left()) - 6, y));
            QVERIFY2(WhitePixels(image, QRect(int(plot.left()) - 40, y - 6, 34, 12)) > 5, qPrintable(QString::number(k)));
            if (k > 0)
                QCOMPARE(QColor(image.pixel(int(plot.left()) + 5, y)), QColor(84, 84, 88));
        }
        // The top of the tallest bar (12,000 steps) stands on the 12,000 line.
        const std::vector<BarSlot> bar = CategoryBarSlots(plot, 31, f.series("StepsSeries")->barWidth(), 31.5);
        const int top = drawn.ValueLabels[6].y();
        QCOMPARE(QColor(image.pixel(bar[2].Left + 3, top + 2)), QColor(102, 122, 179));
        QCOMPARE(QColor(image.pixel(bar[2].Left + 3, top - 3)).lightness() < 100, true);
    }

    void hoveringABarTellsItsPeriodAndValue()
    {
        Fixture f;
        QVERIFY(f.writeRecords(KnownHistory()));
        f.click("RecordLabel");
        RecordChartView* c = f.chart(0);
        const std::vector<BarSlot> bar = CategoryBarSlots(c->plotRect(), 31, f.series("StepsSeries")->barWidth(), 31.5);
        const int y = int(c->plotRect().bottom()) - 20;
        QTest::mouseMove(c->viewport(), QPoint(bar[1].Left + bar[1].Width + 4, y));
        QTest::mouseMove(c->viewport(), QPoint(bar[2].Left + 3, y));
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("3 Jul 2011: 12,000 steps"));
        QTest::mouseMove(c->viewport(), QPoint(bar[2].Left - 4, y));
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    // A day no download took is told from a day of 0 steps: a hollow dim dot and its own tooltip; days
    // still on the pedometer and days kept only in the log say so; weekly and monthly bars count the
    // lost days. The bars and totals stay those of the records.
    void daysWithoutDataAreToldApart()
    {
        Fixture f;
        // Downloads on 1 and 14 July (today): 2 to 6 July lost; 8 July absent from the file but taken
        // by the last download, which the pedometer still holds; 30 June kept in the log only.
        DayRecordList records = {Day(20110629, 700), Day(20110701, 0)};
        for (int d = 7; d <= 14; ++d) {
            if (d != 8)
                records.push_back(Day(DateKey(2011, 7, d), 1000 * d));
        }
        QVERIFY(f.writeRecords(records));
        QVERIFY(AppendDownloadLog(f.dir.filePath("Ann.downloads"), {QDateTime(QDate(2011, 7, 1), QTime(8, 0)), {}}));
        QVERIFY(AppendDownloadLog(f.dir.filePath("Ann.downloads"), {QDateTime(Today, QTime(9, 42)), {}}));
        f.click("RecordLabel");

        RecordChartView* steps = f.chart(0);
        const std::vector<bool>& hollow = steps->hollowDots();
        QCOMPARE(int(hollow.size()), 31);
        for (int day = 1; day <= 31; ++day)
            QCOMPARE(bool(hollow[size_t(day - 1)]), day >= 2 && day <= 6);
        QCOMPARE(steps->barToolTip(0), QStringLiteral("1 Jul 2011: 0 steps"));
        QCOMPARE(steps->barToolTip(2), QStringLiteral("3 Jul 2011: 0 steps\nNo data: this day was never downloaded"));
        QCOMPARE(steps->barToolTip(7),
                 QStringLiteral("8 Jul 2011: 0 steps\nNot downloaded yet: the pedometer still holds this day"));
        QCOMPARE(steps->barToolTip(14), QStringLiteral("15 Jul 2011: 0 steps"));
        QCOMPARE(f.bars("StepsSeries")[2], 0.0);
        QCOMPARE(f.label("StepsTotalLabel")->text(), QStringLiteral("Total:76700steps"));

        // A hollow dot leaves its middle to the background: darker there than a filled one.
        const QImage image = f.paint(0);
        const ChartOverlay overlay = steps->lastOverlay();
        const auto brightness = [&](int bar) {
            const QRect r(overlay.Dots[size_t(bar)] + QPoint(6, 6), QSize(6, 6));
            int sum = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    sum += QColor(image.pixel(x, y)).lightness();
            return sum;
        };
        QVERIFY2(brightness(2) < brightness(0) * 3 / 4,
                 qPrintable(QStringLiteral("%1 vs %2").arg(brightness(2)).arg(brightness(0))));

        f.click("StepsWeeklyLabel");
        QVERIFY(steps->hollowDots().empty());
        // Week 27 is 26 June to 2 July, week 28 3 to 9 July; 30 June is in the log only.
        QCOMPARE(steps->barToolTip(26), QStringLiteral("Week 27: 700 steps\n1 day without data"));
        QCOMPARE(steps->barToolTip(27), QStringLiteral("Week 28: 16,000 steps\n4 days without data"));
        QCOMPARE(steps->barToolTip(28), QStringLiteral("Week 29: 60,000 steps"));
        f.click("StepsMonthlyLabel");
        QCOMPARE(steps->barToolTip(6), QStringLiteral("Jul 2011: 76,000 steps\n5 days without data"));
        QCOMPARE(steps->barToolTip(5), QStringLiteral("Jun 2011: 700 steps"));
        QCOMPARE(f.label("StepsTotalLabel")->text(), QStringLiteral("Total:76700steps"));
    }

    void figuresOfTheOtherMeasuresAndTheTotals()
    {
        Fixture f;
        QVERIFY(f.writeRecords(KnownHistory()));
        f.click("RecordLabel");

        // The 14th: distance in hundredths, calories in tenths; only the first record of the 3rd counts.
        const QList<qreal> distance = f.bars("DistanceSeries");
        QCOMPARE(distance[13], 12.05);
        QCOMPARE(distance[2], 8.4);
        QCOMPARE(f.bars("CaloriesSeries")[13], 9.8);
        QCOMPARE(f.bars("StepTimeSeries")[2], 120.0);
        QCOMPARE(f.bars("ModerateStepsSeries")[13], 3000.0);
        QCOMPARE(f.bars("ModerateTimeSeries")[13], 20.0);
        QVERIFY(qFuzzyCompare(f.axisMaximum("DistanceSeries"), 12.05 * 10 / 9));
        QVERIFY(qFuzzyCompare(f.axisMaximum("StepTimeSeries"), 120.0 * 10 / 9));

        // Totals over every record, duplicates and other months included.
        const QStringList totals = {"Total:26101steps", "Total:24.03km", "Total:70.2Kcal",
                                    "Total:252min",     "Total:3011",    "Total:22min"};
        for (int m = 0; m < 6; ++m)
            QCOMPARE(f.label(QString::fromLatin1(Prefixes[m]) + "TotalLabel")->text(), totals[m]);

        // What a pointer on a bar is told.
        QCOMPARE(f.chart(0)->barToolTip(13), QStringLiteral("14 Jul 2011: 9,000 steps"));
        QCOMPARE(f.chart(1)->barToolTip(2), QStringLiteral("3 Jul 2011: 8.40 km"));
        QCOMPARE(f.chart(0)->barToolTip(31), QString());
    }

    void weeklyOnDistanceThenTheStepsTab()
    {
        Fixture f;
        QVERIFY(f.writeRecords(KnownHistory()));
        f.click("RecordLabel");

        f.click("DistanceHeadImage2");
        QVERIFY(f.w("DistancePanel")->isVisible());
        QVERIFY(f.label("DistanceHeadLabelH")->isVisible());
        QVERIFY(!f.w("StepsPanel")->isVisible());
        QVERIFY(!f.label("StepsHeadLabelH")->isVisible());
        QVERIFY(f.label("StepsHeadLabelL")->isVisible());

        f.click("DistanceWeeklyLabel");
        QCOMPARE(f.state().PeriodMode, PeriodMode::Weekly);
        QCOMPARE(f.underlined(), Repeated("Weekly"));
        QCOMPARE(f.periodCaptions(), Repeated("Week(2011)"));
        QVERIFY(!f.state().hasDayTarget);
        QVERIFY(!f.series<QLineSeries>("Series1")->isVisible());
        for (const char* name : SeriesNames)
            QCOMPARE(f.bars(name).size(), 53);
        QCOMPARE(f.chart(5)->gridSpacing(), 5);
        // 2011 starts on a Saturday: week 1 is 1 January alone; 3 July opens week 28, 14 July is in week 29.
        QCOMPARE(f.bars("DistanceSeries")[27], 8.4);
        QCOMPARE(f.chart(1)->accessibleName(), QStringLiteral("Distance(km), Week(2011)"));
        QCOMPARE(f.w("DistanceWeeklyImage")->accessibleName(), QStringLiteral("Weekly (Distance)"));

        f.click("StepsHeadLabelL");
        QVERIFY(f.w("StepsPanel")->isVisible());
        QVERIFY(!f.w("DistancePanel")->isVisible());
        QVERIFY(f.label("StepsHeadLabelH")->isVisible());
        QVERIFY(!f.label("DistanceHeadLabelH")->isVisible());
        const QList<qreal> steps = f.bars("StepsSeries");
        QCOMPARE(steps.size(), 53);
        QCOMPARE(steps[27], 12000.0);
        QCOMPARE(steps[28], 9000.0);
        QCOMPARE(steps[26], 5000.0);
        // Without a download log the records tell the downloads: 4 to 6 July were never downloaded.
        QCOMPARE(f.chart(0)->barToolTip(27), QStringLiteral("Week 28: 12,000 steps\n3 days without data"));
        QVERIFY(qFuzzyCompare(f.axisMaximum("StepsSeries"), 12000.0 * 10 / 9));

        // Leaving and entering again opens on the daily Steps view.
        f.click("StepsYearlyImage");
        QCOMPARE(f.underlined(), Repeated("Yearly"));
        f.click("TodayLabel");
        f.click("RecordLabel");
        QCOMPARE(f.state().PeriodMode, PeriodMode::Daily);
        QCOMPARE(f.underlined(), Repeated("Daily"));
        QCOMPARE(f.bars("StepsSeries").size(), 31);
        QVERIFY(f.w("StepsPanel")->isVisible());
        QVERIFY(!f.w("DistancePanel")->isVisible());

        // Entered again from RECORD itself, from the last tab: Steps alone, its tab marked.
        f.click("WalkingTimeHeadImage2");
        QVERIFY(f.w("WalkingTimePanel")->isVisible());
        f.click("RecordLabel");
        for (const char* p : Prefixes)
            QCOMPARE(f.w(QString::fromLatin1(p) + "Panel")->isVisible(), p == Prefixes[0]);
        for (const char* tab : {"StepsHeadLabel", "DistanceHeadLabel", "CaloriesHeadLabel", "WalkingTimeHeadLabel"}) {
            const bool steps = tab == QLatin1String("StepsHeadLabel");
            QCOMPARE(f.label(QString::fromLatin1(tab) + "H")->isVisible(), steps);
            QVERIFY(f.label(QString::fromLatin1(tab) + "L")->isVisible());
        }
    }

    void yearlyOfAnEmptyStore()
    {
        Fixture f;
        QVERIFY(f.writeRecords({}));
        f.click("RecordLabel");
        QCOMPARE(f.bars("StepsSeries"), QList<qreal>(31, 0));
        QCOMPARE(f.axisMaximum("StepsSeries"), 1000.0);
        QCOMPARE(f.axisMaximum("CaloriesSeries"), 1.0);
        const QStringList totals = {"Total:0steps", "Total:0.00km", "Total:0.0Kcal", "Total:0min", "Total:0", "Total:0min"};
        for (int m = 0; m < 6; ++m)
            QCOMPARE(f.label(QString::fromLatin1(Prefixes[m]) + "TotalLabel")->text(), totals[m]);

        f.click("StepsYearlyLabel");
        for (const char* name : SeriesNames) {
            QVERIFY(f.bars(name).isEmpty());
            QCOMPARE(f.axisMaximum(name), 1.0);
        }
        QCOMPARE(f.periodCaptions(), Repeated("Year"));
        QCOMPARE(f.chart(0)->gridSpacing(), 1);
        const QImage image = f.paint(0);
        const ChartOverlay& drawn = f.chart(0)->lastOverlay();
        QVERIFY(drawn.Dots.empty());
        QVERIFY(drawn.Labels.empty());
        const QRectF plot = f.chart(0)->plotRect();
        QCOMPARE(drawn.AxisBar, QPoint(int(plot.left()), int(plot.bottom())));
        // The caption above the axis is drawn all the same.
        QVERIFY(WhitePixels(image, QRect(drawn.AxisCaption, QSize(40, 14))) > 10);
    }

    void failedLoadReportsAndKeepsWhatWasShown()
    {
        Fixture f;
        f.click("RecordLabel");
        const QString path = f.dir.filePath(QStringLiteral("Ann.bin"));
        const QString message = path + QStringLiteral("\r\nThe document does not exist or has damaged");
        QCOMPARE(f.prompts.texts(), QStringList{message});
        // Before any load: the form's empty charts and totals without a figure, but both captions.
        QVERIFY(f.bars("StepsSeries").isEmpty());
        QCOMPARE(f.axisMaximum("StepsSeries"), 684.0);
        for (const char* p : Prefixes)
            QCOMPARE(f.label(QString::fromLatin1(p) + "TotalLabel")->text(), QStringLiteral("Total:"));
        f.paint(0);
        QCOMPARE(f.chart(0)->drawnAxisCaption(), QStringLiteral("Steps"));
        QCOMPARE(f.label("lbStepsPanelDate")->text(), QStringLiteral("Day(Jul)"));
        // The measure caption follows the units at every paint.
        f.paint(1);
        QCOMPARE(f.chart(1)->drawnAxisCaption(), QStringLiteral("Distance(km)"));
        f.state().DeviceMetric = false;
        f.paint(1);
        QCOMPARE(f.chart(1)->drawnAxisCaption(), QStringLiteral("Distance(mile)"));
        f.state().DeviceMetric = true;

        // A failed entry in another month: the caption names the month entered, as the header does.
        QVERIFY(f.writeRecords(KnownHistory()));
        f.click("RecordLabel");
        QVERIFY(QFile::remove(path));
        f.click("TodayLabel");
        f.state().DayOffset = -20;
        f.click("RecordLabel");
        QCOMPARE(f.prompts.texts(), (QStringList{message, message}));
        f.paint(0);
        QCOMPARE(f.label("lbStepsPanelDate")->text(), QStringLiteral("Day(Jun)"));
        QCOMPARE(f.label("StepsDateLabel")->text(), QStringLiteral("Jun 2011"));
        f.prompts.clear();

        QVERIFY(f.writeRecords(KnownHistory()));
        f.click("RecordLabel");
        f.click("StepsWeeklyLabel");
        const QList<qreal> weeks = f.bars("StepsSeries");
        QVERIFY(QFile::remove(path));
        f.prompts.clear();

        f.form->LoadUserRecord();
        QCOMPARE(f.prompts.texts(), QStringList{message});
        QCOMPARE(f.bars("StepsSeries"), weeks);
        QCOMPARE(f.state().PeriodMode, PeriodMode::Weekly);
        QCOMPARE(f.state().DayRecords.size(), KnownHistory().size());
        QCOMPARE(f.label("StepsTotalLabel")->text(), QStringLiteral("Total:26101steps"));
    }

    void targetWordOnlyWithTheDaysOwnTarget_data()
    {
        QTest::addColumn<DayRecordList>("records");
        QTest::addColumn<QString>("period");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<double>("lineSteps"); // where the target line stands; 0 for none
        QTest::newRow("own target") << DayRecordList{Day(20110714, 3000, 8000)} << "Daily" << true << 8000.0;
        QTest::newRow("target 0: line at 1000") << DayRecordList{Day(20110714, 3000, 0)} << "Daily" << false << 1000.0;
        QTest::newRow("no record that day") << DayRecordList{Day(20110713, 3000, 8000)} << "Daily" << false << 0.0;
        QTest::newRow("weekly") << DayRecordList{Day(20110714, 3000, 8000)} << "Weekly" << false << 0.0;
    }
    void targetWordOnlyWithTheDaysOwnTarget()
    {
        QFETCH(DayRecordList, records);
        QFETCH(QString, period);
        QFETCH(bool, shown);
        QFETCH(double, lineSteps);
        Fixture f;
        QVERIFY(f.writeRecords(records));
        f.click("RecordLabel");
        f.click("Steps" + period + "Label");
        QCOMPARE(f.state().hasDayTarget, shown);

        const QImage image = f.paint(0);
        const ChartOverlay& drawn = f.chart(0)->lastOverlay();
        const QRectF plot = f.chart(0)->plotRect();
        QCOMPARE(drawn.TargetWord.has_value(), shown);
        auto* line = f.series<QLineSeries>("Series1");
        QCOMPARE(line->isVisible() && line->count() > 0, lineSteps > 0);
        if (lineSteps == 0)
            return;
        const double max = f.axisMaximum("StepsSeries");
        const int lineY = int(plot.top() + plot.height() * (1 - lineSteps / max));
        // The word's place: 60 px left of the plot's right edge, its top 25 px above the line.
        const QRect word(int(plot.right()) - 60, lineY - 25, 60, 16);
        if (shown)
            QCOMPARE(*drawn.TargetWord, word.topLeft());
        QCOMPARE(WhitePixels(image, word) > 20, shown);
    }

    void overlaysStandUnderTheDrawnBars()
    {
        Fixture f;
        QVERIFY(f.writeRecords(KnownHistory()));
        f.click("RecordLabel");
        const QImage image = f.paint(0);
        const ChartOverlay& drawn = f.chart(0)->lastOverlay();
        QCOMPARE(int(drawn.Dots.size()), 31);
        const QRectF plot = f.chart(0)->plotRect();
        const std::vector<BarSlot> slot = CategoryBarSlots(plot, 31, f.series("StepsSeries")->barWidth(), 31.5);
        const int y = int(plot.bottom()) - 30;
        const QColor bar(102, 122, 179);
        // The 3rd, the tallest bar: its colour inside the slot, the background just left of it, its
        // shadow just right of it and below its top, then the background again.
        const QColor background(56, 56, 57);
        const QColor shadow(129, 129, 129);
        const int right = slot[2].Left + slot[2].Width;
        const int top = ValueY(plot, 12000, f.axisMaximum("StepsSeries"));
        QCOMPARE(QColor(image.pixel(slot[2].Left + 2, y)), bar);
        QCOMPARE(QColor(image.pixel(right - 2, y)), bar);
        QCOMPARE(QColor(image.pixel(slot[2].Left - 2, y)), background);
        QCOMPARE(QColor(image.pixel(right + 1, y)), shadow);
        QCOMPARE(QColor(image.pixel(right + 1, top + 5)), shadow);
        QCOMPARE(QColor(image.pixel(right + 1, top + 1)), background);
        QCOMPARE(QColor(image.pixel(right + 4, y)), background);
        // No other chart's bars have a shadow: the Distance chart's tallest bar, the 14th.
        f.click("DistanceHeadImage2");
        const QImage distance = f.paint(1);
        const std::vector<BarSlot> dslot = CategoryBarSlots(f.chart(1)->plotRect(), 31, f.series("DistanceSeries")->barWidth(), 31);
        QCOMPARE(QColor(distance.pixel(dslot[13].Left + dslot[13].Width - 2, y)), bar);
        QCOMPARE(QColor(distance.pixel(dslot[13].Left + dslot[13].Width + 1, y)), background);
        // The dot under it, centred, 28 px below the axis; its centre is drawn light.
        QCOMPARE(drawn.Dots[2], QPoint(slot[2].Left + slot[2].Width / 2 - 9, int(plot.bottom()) + 28));
        QVERIFY(QColor(image.pixel(drawn.Dots[2] + QPoint(9, 9))).lightness() > 150);
        // Every day's label between axis and dots, and the caption above the axis.
        QCOMPARE(int(drawn.Labels.size()), 31);
        QVERIFY(WhitePixels(image, QRect(drawn.Labels[13].TopLeft, QSize(14, 13))) > 5);
        QVERIFY(WhitePixels(image, QRect(drawn.AxisCaption, QSize(40, 14))) > 10);
    }

    void damagedDatesAndHugeValues()
    {
        Fixture f;
        QVERIFY(f.writeRecords({Day(0, 5), Day(100000000, 7), Day(20111301, 9), Day(20110714, 4294967295u, 8000),
                                Day(20110715, 4294967295u)}));
        f.click("RecordLabel");
        QCOMPARE(f.bars("StepsSeries").size(), 31);
        QCOMPARE(f.axisMaximum("StepsSeries"), 4294967295.0 + 1000);
        // Sums do not wrap at 32 bits.
        QCOMPARE(f.label("StepsTotalLabel")->text(), QStringLiteral("Total:8589934611steps"));

        const QList<int> counts = {31, 53, 12, 5};
        for (int p = 0; p < 4; ++p) {
            f.click(QStringLiteral("Steps") + Periods[p] + "Label");
            const QList<qreal> bars = f.bars("StepsSeries");
            QCOMPARE(bars.size(), counts[p]);
            const double max = f.axisMaximum("StepsSeries");
            QVERIFY(std::isfinite(max));
            QVERIFY(max >= *std::max_element(bars.begin(), bars.end()));
            QVERIFY(max < 3 * 8589934590.0);
            f.paint(0);
            QVERIFY(f.chart(0)->paintCount() > 0);
        }
        // The two days of the week of 14 July together.
        f.click("StepsWeeklyLabel");
        QCOMPARE(f.bars("StepsSeries")[28], 8589934590.0);
        // The damaged key of 2011 counts in its year; keys of no year (0, nine digits) do not.
        f.click("StepsYearlyLabel");
        QCOMPARE(f.chart(0)->barLabels(), Numbers(2011, 2015));
        QCOMPARE(f.bars("StepsSeries")[0], 8589934611.0 - 5 - 7);
    }

    void saveInTheSettingsWindowReloadsRecord()
    {
        Fixture f;
        f.bus.model()->setHistory(GenerateHistory(5, true, 70, 65));
        QVERIFY(SaveUserList(f.dir.filePath(QStringLiteral("Kinetrax.dat")), {MetricClient(QStringLiteral("Ann"))}));
        QVERIFY(f.writeRecords({Day(20110701, 1000, 8000)}));
        f.form->link().setWaitScale(0.1);
        TForm2 settings(f.state(), f.form->link(), f.prompts);
        settings.setSyncDelayMs(0);
        settings.setTodaySource([] { return Today; });
        f.form->setStartupWindows(&settings, nullptr);
        f.click("RecordLabel");
        QCOMPARE(f.label("StepsTotalLabel")->text(), QStringLiteral("Total:1000steps"));

        QTimer::singleShot(0, &settings, [&] { QTest::mouseClick(settings.findChild<QWidget*>("SaveLabel"), Qt::LeftButton); });
        f.click("UserSettingLabel");

        // The pedometer's eight days were merged into the file and RECORD shows them.
        DayRecordList merged;
        QVERIFY(LoadDayRecords(f.dir.filePath(QStringLiteral("Ann.bin")), merged, f.state().Catalog, f.prompts));
        QCOMPARE(merged.size(), std::size_t{9});
        uint64_t total = 0;
        for (const TBINFile& r : merged)
            total += r.Steps;
        QVERIFY(total > 1000);
        QCOMPARE(f.label("StepsTotalLabel")->text(), QStringLiteral("Total:%1steps").arg(total));
        const auto today = std::find_if(merged.begin(), merged.end(), [](const TBINFile& r) { return r.Date == 20110714u; });
        QVERIFY(today != merged.end());
        QCOMPARE(f.bars("StepsSeries")[13], double(today->Steps));
        QVERIFY(f.w("StepsPanel")->isVisible());
    }
};

QTEST_MAIN(RecordTest)
#include "test_record.moc"
