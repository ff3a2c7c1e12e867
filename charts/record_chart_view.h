#pragma once

#include "charts/overlay_geometry.h"
#include "charts/period_view.h"

#include <QChartView>
#include <QColor>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QBarSeries;
class QBarSet;
class QLabel;
class QLineSeries;
class QValueAxis;

// The two captions of a chart as they stand at a paint: above the vertical axis ("Distance(km)") and
// under the chart ("Day(Jul)").
struct ChartCaptions {
    QString Axis;
    QString Period;
};

// One RECORD chart: a bar series of one measure, bar i at x = i under its label, with the fixed
// look of the record panels, and, on the Steps chart, the target line. After every paint it draws
// its overlays (the value and bar labels, the dots under the bars, the axis bar, the measure caption
// and, while shown, the target word) where ComputeChartOverlay puts them; the grid goes behind the bars. Keeps no program state: the RECORD view hands it
// the period view, the texts and the flags it draws.
class RecordChartView : public QChartView {
    Q_OBJECT
public:
    explicit RecordChartView(QWidget* parent = nullptr);
    ~RecordChartView() override;

    // Names the series after the measure ("StepsSeries" ... "ModerateTimeSeries", and "Series1", the
    // target line, on the Steps chart) and takes the measure's number format for the value labels.
    // Call once.
    void setMeasure(Measure measure);
    Measure measure() const { return measure_; }

    // Pictures drawn over the chart: the dot (18 x 18) and the axis bar (906 x 15), as resource paths
    // of SVG artwork. An empty or unreadable path draws nothing.
    void setOverlayArtwork(const QString& dot, const QString& axisBar);
    // Asked at every paint, so that both captions follow the program's period, date of entry and units
    // even when no period was shown (a failed load); the period caption goes into periodLabel.
    void setCaptionSource(std::function<ChartCaptions()> source, QLabel* periodLabel);
    void setTargetWord(const QString& word);
    void setTargetWordShown(bool shown);

    // Replaces bars, labels, axis maximum and grid by those of view for this chart's measure. On the
    // Steps chart the target line takes the view's points when targetLineActive is set; the line is
    // shown exactly while it is, and the bar axis then reaches to the line's end, one position past
    // the last bar.
    void showPeriod(const PeriodView& view, bool targetLineActive);

    // Bars whose dot is drawn hollow and dimmed (a day that was never downloaded), in bar order; a
    // shorter list leaves the other dots as they are. Kept until the next call.
    void setHollowDots(std::vector<bool> hollow);
    const std::vector<bool>& hollowDots() const { return hollowDots_; }

    // Text of the tooltip over bar i; none when it returns an empty text.
    void setBarToolTip(std::function<QString(int)> text) { toolTip_ = std::move(text); }
    QString barToolTip(int bar) const { return toolTip_ ? toolTip_(bar) : QString(); }

    QBarSeries* barSeries() const { return bars_; }
    QLineSeries* targetLine() const { return targetLine_; }
    // The vertical axis, from 0; its labels and grid are drawn by this view.
    QValueAxis* valueAxis() const { return valueAxis_; }
    // The bar labels, in bar order.
    const QStringList& barLabels() const { return labels_; }
    // How many bar positions the plot is wide: the bar axis runs from -0.5 to positions - 0.5.
    double barPositions() const { return positions_; }
    // Of the shadow behind each bar; invalid where the bars have none (all but the Steps chart).
    QColor barShadowColor() const { return shadow_; }
    // The caption the last paint drew above the vertical axis.
    const QString& drawnAxisCaption() const { return axisCaption_; }
    int gridSpacing() const { return gridSpacing_; }

    // The overlay as it stands for the chart's present geometry: what the next paint draws.
    ChartOverlay currentOverlay() const;
    // What the last paint drew, and how many paints there were.
    const ChartOverlay& lastOverlay() const { return lastOverlay_; }
    int paintCount() const { return paintCount_; }
    // The plotting rectangle in the widget's pixels.
    QRectF plotRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AfterDraw(QPainter& painter);
    void placePlotArea();
    void setAxisMaximum(double maximum);
    QPixmap picture(const QString& resource) const;

    Measure measure_ = MeasureSteps;
    QBarSeries* bars_ = nullptr;
    QBarSet* set_ = nullptr;
    QLineSeries* targetLine_ = nullptr;
    QValueAxis* valueAxis_ = nullptr;
    std::vector<double> ticks_; // labelled values of the vertical axis
    QValueAxis* barAxis_ = nullptr; // bar i at x = i
    int barCount_ = 0;
    double positions_ = 1;
    QColor shadow_;
    QStringList labels_;
    int gridSpacing_ = 1;
    QString dotArtwork_;
    QString axisBarArtwork_;
    mutable QPixmap dot_;
    mutable QPixmap axisBar_;
    QString axisCaption_;
    std::function<ChartCaptions()> captions_;
    QLabel* periodLabel_ = nullptr;
    QString targetWord_;
    bool targetWordShown_ = false;
    std::function<QString(int)> toolTip_;
    std::vector<bool> hollowDots_;
    ChartOverlay lastOverlay_;
    int paintCount_ = 0;
};
