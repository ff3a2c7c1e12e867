#include "charts/record_view.h"

#include "charts/chart_texts.h"
#include "charts/record_chart_view.h"
#include "forms/artwork_widget.h"
#include "forms/click_binder.h"
#include "forms/form_look.h"
#include "platform/prompts.h"
#include "profiles/profile_name.h"
#include "state/app_state.h"
#include "store/activity_file.h"
#include "store/download_log.h"
#include "today/date_texts.h"
#include "today/sync_texts.h"
#include "today/today_figures.h"

#include <QLabel>

namespace {

// Control names of the six panels start with these, in Measure order.
const char* const Prefixes[MeasureCount] = {"Steps", "Distance", "Calorie", "WalkingTime", "ModerateSteps",
                                            "ModerateTime"};
const char* const PeriodNames[4] = {"Daily", "Weekly", "Monthly", "Yearly"};
// The four tabs RECORD offers, by Measure; the cardio tabs are never shown.
constexpr int OfferedTabs = 4;
const char* const TabImages[OfferedTabs] = {"StepsHeadImage2", "DistanceHeadImage2", "CalorieHeadImage2",
                                            "WalkingTimeHeadImage2"};
const char* const TabCaptions[OfferedTabs] = {"StepsHeadLabel", "DistanceHeadLabel", "CaloriesHeadLabel",
                                              "WalkingTimeHeadLabel"};

QString Name(const char* a, const char* b)
{
    return QString::fromLatin1(a) + QString::fromLatin1(b);
}

// The neighbour an arrow key leads to in a row of count controls, as a tab bar moves: Left and Up
// back, Right and Down on, Home and End to the ends, no wrap. -1 for any other key.
int ArrowTarget(int at, int count, int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up: return qMax(at - 1, 0);
    case Qt::Key_Right:
    case Qt::Key_Down: return qMin(at + 1, count - 1);
    case Qt::Key_Home: return 0;
    case Qt::Key_End: return count - 1;
    default: return -1;
    }
}

// An arrow key on control at of a row (period buttons, measure tabs): the neighbour takes the focus
// and is chosen. False when the key is not one of the row's.
bool MoveInRow(int at, int count, int key, const std::function<QWidget*(int)>& control)
{
    const int to = ArrowTarget(at, count, key);
    if (to < 0)
        return false;
    if (QWidget* neighbour = control(to)) {
        neighbour->setFocus(Qt::TabFocusReason);
        ActivateBound(neighbour);
    }
    return true;
}

} // namespace

RecordView::RecordView(QWidget* form, AppState& state, Prompts& prompts, std::function<QDate()> today,
                       QObject* parent)
    : QObject(parent)
    , form_(form)
    , state_(state)
    , prompts_(prompts)
    , today_(std::move(today))
{
    const TSoftInfo& c = state_.Catalog;
    const auto* dotImage = form_->findChild<ArtworkWidget*>(QStringLiteral("BackDotImage"));
    const auto* axisImage = form_->findChild<ArtworkWidget*>(QStringLiteral("ImgAxisX"));
    using Handler = void (RecordView::*)();
    const Handler periodHandlers[4] = {&RecordView::DailyBtnClick, &RecordView::WeeklyBtnClick,
                                       &RecordView::MonthlyBtnClick, &RecordView::YearlyBtnClick};
    for (int m = 0; m < MeasureCount; ++m) {
        const auto measure = static_cast<Measure>(m);
        RecordChartView* chart = form_->findChild<RecordChartView*>(Name(Prefixes[m], "Chart"));
        charts_[m] = chart;
        if (chart) {
            chart->setMeasure(measure);
            chart->setOverlayArtwork(dotImage ? dotImage->artwork() : QString(),
                                     axisImage ? axisImage->artwork() : QString());
            chart->setTargetWord(c.YAxisString[0]);
            chart->setCaptionSource([this, measure] { return captions(measure); },
                                    form_->findChild<QLabel*>(Name("lb", Prefixes[m]) + QStringLiteral("PanelDate")));
            chart->setBarToolTip([this, measure](int bar) {
                const QDate d = viewDate();
                const QString text = BarToolTipText(view_, measure, bar, d.year(), d.month(),
                                                    state_.DistanceMetric(), state_.Catalog);
                const auto at = size_t(bar);
                QString status;
                if (at < status_.Days.size())
                    status = DayStatusTip(status_.Days[at], state_.Catalog);
                else if (at < status_.LostDays.size())
                    status = LostDaysTip(status_.LostDays[at], state_.Catalog);
                return text.isEmpty() || status.isEmpty() ? text : text + QLatin1Char('\n') + status;
            });
        }
        // Until a load succeeds the totals read "Total:" without a figure.
        if (QLabel* total = label(measure, "TotalLabel"))
            SetAutoSizedText(total, c.Other[0] + QLatin1Char(':'));
        for (int p = 0; p < 4; ++p) {
            const QString name = c.RecordButton[p] + QStringLiteral(" (") + c.RecordPanel[m] + QLatin1Char(')');
            for (const char* kind : {"Label", "Image"}) {
                if (QWidget* w = widget(Name(Prefixes[m], PeriodNames[p]) + QString::fromLatin1(kind))) {
                    BindClick(w, [this, h = periodHandlers[p]] { (this->*h)(); });
                    w->setAccessibleName(name);
                    SetControlRole(w, QAccessible::RadioButton,
                                   [this, p] { return static_cast<int>(state_.PeriodMode) == p; });
                    BindMoreKeys(w, [this, m, p](int key) {
                        return MoveInRow(p, 4, key, [this, m](int to) {
                            return widget(Name(Prefixes[m], PeriodNames[to]) + QStringLiteral("Image"));
                        });
                    });
                }
            }
            // The picture is the larger of the two and takes the focus; the caption lies on it.
            if (QWidget* caption = widget(Name(Prefixes[m], PeriodNames[p]) + QStringLiteral("Label")))
                caption->setFocusPolicy(Qt::NoFocus);
        }
    }
    for (int t = 0; t < OfferedTabs; ++t) {
        const auto measure = static_cast<Measure>(t);
        for (const QString& name : {QString::fromLatin1(TabImages[t]), Name(TabCaptions[t], "L")}) {
            if (QWidget* w = widget(name)) {
                BindPress(w, [this, measure] { ShowPanel(measure); });
                w->setAccessibleName(c.RecordPanel[t]);
                SetControlRole(w, QAccessible::PageTab, [this, t] {
                    const QWidget* panel = widget(Name(Prefixes[t], "Panel"));
                    return panel && !panel->isHidden();
                });
                BindMoreKeys(w, [this, t](int key) {
                    return MoveInRow(t, OfferedTabs, key,
                                     [this](int to) { return widget(QString::fromLatin1(TabImages[to])); });
                });
            }
        }
        if (QWidget* caption = widget(Name(TabCaptions[t], "L")))
            caption->setFocusPolicy(Qt::NoFocus);
    }
}

QWidget* RecordView::widget(const QString& name) const
{
    return form_->findChild<QWidget*>(name);
}

QLabel* RecordView::label(Measure measure, const char* name) const
{
    return form_->findChild<QLabel*>(Name(Prefixes[measure], name));
}

QDate RecordView::viewDate() const
{
    const QDate entered(state_.recordYear, state_.recordMonth, state_.recordDay);
    return entered.isValid() ? entered : SelectedDate(today_(), state_.DayOffset);
}

void RecordView::EnterSection()
{
    const QDate selected = SelectedDate(today_(), state_.DayOffset);
    state_.recordYear = selected.year();
    state_.recordMonth = selected.month();
    state_.recordDay = selected.day();
    WriteDateHeader(selected);
    // A failed load leaves the bars as they were, but the captions name the date just entered.
    if (!LoadUserRecord())
        WriteCaptions();
    // Alone: a panel chosen before would lie over Steps.
    ShowPanel(MeasureSteps);
}

ChartCaptions RecordView::captions(Measure measure) const
{
    const QDate date = viewDate();
    return {ChartAxisCaption(measure, state_.DistanceMetric(), state_.Catalog),
            PeriodCaption(state_.PeriodMode, date.year(), date.month(), state_.Catalog)};
}

void RecordView::WriteCaptions()
{
    for (int m = 0; m < MeasureCount; ++m) {
        const auto measure = static_cast<Measure>(m);
        const ChartCaptions texts = captions(measure);
        if (RecordChartView* chart = charts_[m]) {
            chart->setAccessibleName(texts.Axis + QStringLiteral(", ") + texts.Period);
            chart->viewport()->update();
        }
        if (QLabel* under = form_->findChild<QLabel*>(Name("lb", Prefixes[m]) + QStringLiteral("PanelDate")))
            SetAutoSizedText(under, texts.Period);
    }
}

void RecordView::WriteDateHeader(const QDate& date)
{
    const DisplayDate d = SplitDisplayDate(date, state_.Catalog);
    for (int m = 0; m < MeasureCount; ++m) {
        const auto measure = static_cast<Measure>(m);
        QLabel* day = label(measure, "DayLabel");
        QLabel* suffix = label(measure, "DaySuffixLabel");
        QLabel* month = label(measure, "DateLabel");
        if (!day || !suffix || !month)
            continue;
        SetAutoSizedText(day, QString::number(d.Day));
        SetAutoSizedText(suffix, d.DaySuffix);
        suffix->move(day->x() + day->width(), suffix->y());
        SetAutoSizedText(month, d.monthYearText());
        month->move(suffix->x() + suffix->width(), month->y());
    }
}

bool RecordView::LoadUserRecord()
{
    if (state_.CurrentUser.isEmpty() || !UnusableProfileText(state_.CurrentUser).isEmpty())
        return false;
    const QString path = ActivityFilePath(state_.ExeDir, state_.CurrentUser);
    if (!LoadDayRecords(path, state_.DayRecords, state_.Catalog, prompts_)) {
        prompts_.showMessage(state_.Catalog.applicationTitle(), ActivityFileMissingText(path, state_.Catalog),
                             PromptFlags::Plain);
        return false;
    }
    days_ = DayStatusIndex(state_.DayRecords, LoadDownloadLog(DownloadLogPath(state_.ExeDir, state_.CurrentUser)),
                           today_());
    ShowRecordTotals();
    DailyBtnClick();
    return true;
}

void RecordView::ShowRecordTotals()
{
    const auto texts = RecordTotalTexts(SumRecords(state_.DayRecords), state_.DistanceMetric(), state_.Catalog);
    for (int m = 0; m < MeasureCount; ++m) {
        if (QLabel* total = label(static_cast<Measure>(m), "TotalLabel")) {
            SetAutoSizedText(total, texts[m]);
            total->setAccessibleName(state_.Catalog.RecordPanel[m] + QStringLiteral(", ") + texts[m]);
        }
    }
}

void RecordView::DailyBtnClick()
{
    ShowPeriod(PeriodMode::Daily);
}

void RecordView::WeeklyBtnClick()
{
    ShowPeriod(PeriodMode::Weekly);
}

void RecordView::MonthlyBtnClick()
{
    ShowPeriod(PeriodMode::Monthly);
}

void RecordView::YearlyBtnClick()
{
    ShowPeriod(PeriodMode::Yearly);
}

void RecordView::ShowPeriod(PeriodMode mode)
{
    state_.PeriodMode = mode;
    MarkPeriodLabels();
    state_.hasDayTarget = false;
    const bool daily = mode == PeriodMode::Daily;
    const QDate date = viewDate();
    view_ = ComputePeriodView(state_.DayRecords, date, mode);
    if (daily)
        state_.hasDayTarget = view_.hasDayTarget;
    status_ = ComputePeriodDayStatus(view_, date, days_);
    std::vector<bool> hollow;
    for (DayStatus s : status_.Days)
        hollow.push_back(s == DayStatus::Lost);

    for (RecordChartView* chart : charts_) {
        if (chart) {
            chart->setTargetWordShown(state_.hasDayTarget);
            chart->setHollowDots(hollow);
            chart->showPeriod(view_, daily);
        }
    }
    WriteCaptions();
}

void RecordView::MarkPeriodLabels()
{
    const int chosen = static_cast<int>(state_.PeriodMode);
    for (int m = 0; m < MeasureCount; ++m) {
        for (int p = 0; p < 4; ++p) {
            if (QLabel* l = form_->findChild<QLabel*>(Name(Prefixes[m], PeriodNames[p]) + QStringLiteral("Label"))) {
                QFont font = l->font();
                font.setUnderline(p == chosen);
                l->setFont(font);
                NotifyControlState(l);
                NotifyControlState(widget(Name(Prefixes[m], PeriodNames[p]) + QStringLiteral("Image")));
            }
        }
    }
}

void RecordView::ShowPanel(Measure measure)
{
    for (int t = 0; t < OfferedTabs; ++t) {
        if (QWidget* image = widget(QString::fromLatin1(TabImages[t])))
            image->show();
        const bool chosen = t == measure;
        if (QWidget* white = widget(Name(TabCaptions[t], "H")))
            white->setVisible(chosen);
        if (QWidget* panel = widget(Name(Prefixes[t], "Panel")))
            panel->setVisible(chosen);
        NotifyControlState(widget(QString::fromLatin1(TabImages[t])));
        NotifyControlState(widget(Name(TabCaptions[t], "L")));
    }
}
