#pragma once

#include "charts/period_status.h"
#include "charts/period_view.h"
#include "charts/record_chart_view.h"

#include <QDate>
#include <QObject>

#include <array>
#include <functional>

struct AppState;
class Prompts;
class QLabel;
class QWidget;

// The RECORD section on the main window's controls (found by objectName under form): the six record
// panels with their date header, totals, period buttons and charts, and the measure tabs. Turns each
// click into a period view of the records and hands it to the six charts. The period, the target
// flag and the date of entry live in the program state, not here; the section switch itself (labels,
// tabs shown, TODAY hidden) is the main window's.
class RecordView : public QObject {
    Q_OBJECT
public:
    // today gives the local clock's date; the selected date is today plus the state's day offset.
    RecordView(QWidget* form, AppState& state, Prompts& prompts, std::function<QDate()> today,
               QObject* parent = nullptr);

    // Entering the section after the switch: the date of entry and the date header of all six panels,
    // LoadUserRecord, and the Steps panel shown.
    void EnterSection();

    // Loads the current user's activity file and download log; then the totals and the daily view. A file that cannot
    // be loaded is reported (the path, CR LF, [Info] 4) and leaves records, totals and charts as they were.
    // False then, and without a usable current user (nothing shown).
    bool LoadUserRecord();
    void ShowRecordTotals();

    // The period buttons: one press refills all six charts.
    void DailyBtnClick();
    void WeeklyBtnClick();
    void MonthlyBtnClick();
    void YearlyBtnClick();
    // Underlines the chosen period's label on every panel and no other.
    void MarkPeriodLabels();

    // The measure tabs (on press of a tab's picture or black caption).
    void StepsHeadImage1Click() { ShowPanel(MeasureSteps); }
    void DistanceHeadImage1Click() { ShowPanel(MeasureDistance); }
    void CalorieHeadImage1Click() { ShowPanel(MeasureCalories); }
    void WalkingTimeHeadImage1Click() { ShowPanel(MeasureWalkingTime); }

    RecordChartView* chart(Measure measure) const { return charts_[measure]; }
    // The bars the charts show now.
    const PeriodView& shownView() const { return view_; }
    // What the shown bars hold of days without data.
    const PeriodDayStatus& shownStatus() const { return status_; }

private:
    // Shows the panel of one of the four offered measures, with its tab's white caption.
    void ShowPanel(Measure measure);
    void ShowPeriod(PeriodMode mode);
    ChartCaptions captions(Measure measure) const;
    // The period caption under every chart and the charts' accessible names, from the program state.
    void WriteCaptions();
    // The date the views are computed for: the date of entry, or before any entry the selected date.
    QDate viewDate() const;
    void WriteDateHeader(const QDate& date);
    QLabel* label(Measure measure, const char* name) const;
    QWidget* widget(const QString& name) const;

    QWidget* form_;
    AppState& state_;
    Prompts& prompts_;
    std::function<QDate()> today_;
    std::array<RecordChartView*, MeasureCount> charts_{};
    PeriodView view_;
    // The status of every day, from the records and the download log read with them.
    DayStatusIndex days_;
    PeriodDayStatus status_;
};
