#include "charts/record_chart_view.h"

#include "charts/chart_texts.h"
#include "forms/form_look.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCursor>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPen>
#include <QSvgRenderer>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>

namespace {

const QColor Background(56, 56, 57);
const QColor BarColour(102, 122, 179);
const QColor AxisLine(56, 52, 49);
const QColor GridColour(84, 84, 88);
const QColor Silver(192, 192, 192);
const QColor StepsShadow(129, 129, 129);

// The plot inside the 900 x 409 chart: room on the left for the value labels and the caption above
// them, below for the bar labels and the dots.
constexpr int PlotLeft = 84;
constexpr int PlotTop = 42;
constexpr int PlotRight = 22;
constexpr int PlotBottom = 74;
constexpr double BarWidth = 0.6; // of a category
constexpr int LabelPixels = 11;
constexpr int CaptionPixels = 12;

const char* const SeriesNames[MeasureCount] = {"StepsSeries",     "DistanceSeries",      "CaloriesSeries",
                                               "StepTimeSeries",  "ModerateStepsSeries", "ModerateTimeSeries"};

QFont PixelFont(int px)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(px);
    return font;
}

void DrawTextAt(QPainter& painter, const QPoint& topLeft, const QString& text)
{
    const QRect box(topLeft, QSize(painter.fontMetrics().horizontalAdvance(text) + 1, painter.fontMetrics().height()));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

} // namespace

RecordChartView::RecordChartView(QWidget* parent)
    // Handed to the base so that it owns the chart; a chart given later by setChart would leave the
    // view's default chart to nobody.
    : QChartView(new QChart(), parent)
{
    QChart* chart = this->chart();
    chart->legend()->hide();
    chart->setBackgroundVisible(false);
    chart->setPlotAreaBackgroundVisible(false);
    chart->setDropShadowEnabled(false);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins());
    chart->setBackgroundRoundness(0);

    bars_ = new QBarSeries(chart);
    set_ = new QBarSet(QString(), bars_);
    set_->setColor(BarColour);
    set_->setPen(Qt::NoPen);
    bars_->append(set_);
    bars_->setBarWidth(BarWidth);
    bars_->setLabelsVisible(false);
    chart->addSeries(bars_);

    // The axes only map values to pixels (bar i at x = i); their lines, labels and grids are drawn by
    // this view, the bar labels between axis and dots. Category axes lay out a text item per label on
    // every change, which costs a frame, and one rebuilt while its chart is hidden may keep a stale
    // layout.
    barAxis_ = new QValueAxis(chart);
    barAxis_->setVisible(false);
    barAxis_->setRange(-0.5, 0.5);
    valueAxis_ = new QValueAxis(chart);
    valueAxis_->setVisible(false);
    chart->addAxis(barAxis_, Qt::AlignBottom);
    chart->addAxis(valueAxis_, Qt::AlignLeft);
    bars_->attachAxis(barAxis_);
    bars_->attachAxis(valueAxis_);

    setRenderHint(QPainter::Antialiasing);
    setBackgroundBrush(Background);
    setFrameShape(QFrame::NoFrame);
    setRubberBand(QChartView::NoRubberBand);
    placePlotArea();
    setAxisMaximum(684); // the form's, until the first period is shown

    connect(bars_, &QBarSeries::hovered, this, [this](bool over, int bar, QBarSet*) {
        const QString text = over ? barToolTip(bar) : QString();
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(QCursor::pos(), text, this);
    });
}

RecordChartView::~RecordChartView() = default;

void RecordChartView::setMeasure(Measure measure)
{
    if (measure < 0 || measure >= MeasureCount)
        return;
    measure_ = measure;
    bars_->setObjectName(QString::fromLatin1(SeriesNames[measure]));
    setAxisMaximum(valueAxis_->max());
    if (measure == MeasureSteps)
        shadow_ = StepsShadow;
    if (measure == MeasureSteps && !targetLine_) {
        targetLine_ = new QLineSeries(chart());
        targetLine_->setObjectName(QStringLiteral("Series1"));
        targetLine_->setColor(Silver);
        targetLine_->setPointsVisible(false);
        chart()->addSeries(targetLine_);
        targetLine_->attachAxis(barAxis_);
        targetLine_->attachAxis(valueAxis_);
        targetLine_->setVisible(false); // active in the daily view only
    }
}

void RecordChartView::setHollowDots(std::vector<bool> hollow)
{
    hollowDots_ = std::move(hollow);
    viewport()->update();
}

void RecordChartView::setOverlayArtwork(const QString& dot, const QString& axisBar)
{
    dotArtwork_ = dot;
    axisBarArtwork_ = axisBar;
    dot_ = QPixmap();
    axisBar_ = QPixmap();
    viewport()->update();
}

void RecordChartView::setCaptionSource(std::function<ChartCaptions()> source, QLabel* periodLabel)
{
    captions_ = std::move(source);
    periodLabel_ = periodLabel;
    viewport()->update();
}

void RecordChartView::setTargetWord(const QString& word)
{
    targetWord_ = word;
    viewport()->update();
}

void RecordChartView::setTargetWordShown(bool shown)
{
    targetWordShown_ = shown;
    viewport()->update();
}

void RecordChartView::showPeriod(const PeriodView& view, bool targetLineActive)
{
    const std::vector<double>& values = view.Values[measure_];
    // Bars are changed in place where they stay, which spares the chart rebuilding their items.
    const int count = static_cast<int>(values.size());
    const int kept = std::min(count, static_cast<int>(set_->count()));
    if (set_->count() > count)
        set_->remove(count, set_->count() - count);
    for (int i = 0; i < kept; ++i) {
        if (set_->at(i) != values[static_cast<std::size_t>(i)])
            set_->replace(i, values[static_cast<std::size_t>(i)]);
    }
    if (count > kept)
        set_->append(QList<qreal>(values.begin() + kept, values.end()));
    labels_ = view.Labels;
    // The target line ends one position past the last bar (x = count), half a position beyond where
    // the bars alone would end the axis.
    const bool lineShown = targetLine_ && targetLineActive && view.HasTargetLine;
    const double axisEnd = std::max({count - 0.5, 0.5, lineShown ? view.TargetLineEnd.x() : 0.0});
    barAxis_->setRange(-0.5, axisEnd);
    positions_ = axisEnd + 0.5;
    if (valueAxis_->max() != view.AxisMaximum[measure_])
        setAxisMaximum(view.AxisMaximum[measure_]);
    barCount_ = static_cast<int>(values.size());
    gridSpacing_ = view.GridSpacing;

    if (targetLine_) {
        if (targetLineActive) {
            targetLine_->clear();
            if (view.HasTargetLine)
                targetLine_->replace(QList<QPointF>{view.TargetLineStart, view.TargetLineEnd});
        }
        targetLine_->setVisible(targetLineActive);
    }
    viewport()->update();
}

void RecordChartView::setAxisMaximum(double maximum)
{
    valueAxis_->setRange(0, maximum);
    double smallest = 1;
    for (int i = 0; i < AxisDecimals(measure_); ++i)
        smallest /= 10;
    ticks_ = ValueAxisTicks(maximum, smallest);
}

QRectF RecordChartView::plotRect() const
{
    return viewportTransform().mapRect(chart()->mapRectToScene(chart()->plotArea()));
}

ChartOverlay RecordChartView::currentOverlay() const
{
    OverlayInput in;
    in.Chart = measure_;
    in.hasDayTarget = targetWordShown_;
    in.Plot = plotRect();
    in.Bars = CategoryBarSlots(in.Plot, barCount_, bars_->barWidth(), positions_);
    if (targetLine_ && targetLine_->count() > 0) {
        const QPointF inChart = chart()->mapToPosition(targetLine_->at(0), targetLine_);
        in.TargetLineY = viewportTransform().map(chart()->mapToScene(inChart)).y();
    }
    const QPixmap dot = picture(dotArtwork_);
    if (!dot.isNull())
        in.DotSize = (dot.deviceIndependentSize()).toSize();
    const QFontMetrics metrics(PixelFont(LabelPixels));
    for (const QString& label : labels_)
        in.LabelWidths.push_back(metrics.horizontalAdvance(label));
    in.AxisMaximum = valueAxis_->max();
    in.ValueTicks = ticks_;
    return ComputeChartOverlay(in);
}

QPixmap RecordChartView::picture(const QString& resource) const
{
    QPixmap& cached = resource == dotArtwork_ ? dot_ : axisBar_;
    const qreal ratio = devicePixelRatioF();
    if (resource.isEmpty() || (!cached.isNull() && cached.devicePixelRatio() == ratio))
        return cached;
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        return cached = QPixmap();
    const QSize size = renderer.defaultSize();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(), QSizeF(size)));
    return cached = pixmap;
}

void RecordChartView::placePlotArea()
{
    chart()->setPlotArea(QRectF(PlotLeft, PlotTop, std::max(1, width() - PlotLeft - PlotRight),
                                std::max(1, height() - PlotTop - PlotBottom)));
}

void RecordChartView::resizeEvent(QResizeEvent* event)
{
    QChartView::resizeEvent(event);
    placePlotArea();
}

void RecordChartView::drawBackground(QPainter* painter, const QRectF& rect)
{
    QChartView::drawBackground(painter, rect);
    // Behind the bars: the grid at every labelled value and at every n-th bar label, and the
    // vertical axis line.
    const QRectF plot = chart()->mapRectToScene(chart()->plotArea());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(GridColour, 1));
    for (double tick : ticks_) {
        const int y = ValueY(plot, tick, valueAxis_->max());
        painter->drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    for (int x : GridLineXs(plot, barCount_, gridSpacing_, positions_))
        painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    if (shadow_.isValid()) {
        const std::vector<BarSlot> bars = CategoryBarSlots(plot, barCount_, bars_->barWidth(), positions_);
        for (int i = 0; i < barCount_ && i < set_->count(); ++i) {
            if (const auto shadow = BarShadowRect(plot, bars[static_cast<std::size_t>(i)],
                                                  ValueY(plot, set_->at(i), valueAxis_->max())))
                painter->fillRect(*shadow, shadow_);
        }
    }
    painter->setPen(QPen(AxisLine, 1));
    painter->drawLine(QPointF(plot.left(), plot.top()), QPointF(plot.left(), plot.bottom()));
    painter->restore();
}

void RecordChartView::paintEvent(QPaintEvent* event)
{
    QChartView::paintEvent(event);
    QPainter painter(viewport());
    AfterDraw(painter);
}

void RecordChartView::AfterDraw(QPainter& painter)
{
    if (captions_) {
        const ChartCaptions captions = captions_();
        axisCaption_ = captions.Axis;
        // Written only when it changed, so that a paint does not make the label repaint every time.
        if (periodLabel_ && periodLabel_->text() != captions.Period)
            SetAutoSizedText(periodLabel_, captions.Period);
    }
    const ChartOverlay overlay = currentOverlay();
    const QPixmap dot = picture(dotArtwork_);
    if (!dot.isNull()) {
        for (size_t i = 0; i < overlay.Dots.size(); ++i) {
            const QPoint& at = overlay.Dots[i];
            if (i < hollowDots_.size() && hollowDots_[i]) {
                // No data, not a day of 0: a ring in place of the filled dot.
                painter.save();
                painter.setOpacity(0.45);
                painter.setBrush(Qt::NoBrush);
                painter.setPen(QPen(QColor(0xB8, 0xC4, 0xD6), 1.6));
                const QSizeF size = dot.deviceIndependentSize();
                painter.drawEllipse(QRectF(at, size).adjusted(3, 3, -3, -3));
                painter.restore();
            } else {
                painter.drawPixmap(at, dot);
            }
        }
    }
    const QPixmap axisBar = picture(axisBarArtwork_);
    if (!axisBar.isNull())
        painter.drawPixmap(overlay.AxisBar, axisBar);
    painter.setPen(Qt::white);
    painter.setFont(PixelFont(LabelPixels));
    for (const BarLabelSpot& spot : overlay.Labels)
        DrawTextAt(painter, spot.TopLeft, labels_.value(spot.Bar));
    const int lineHeight = painter.fontMetrics().height();
    for (std::size_t i = 0; i < overlay.ValueLabels.size() && i < ticks_.size(); ++i) {
        const QPoint at = overlay.ValueLabels[i];
        painter.drawText(QRect(0, at.y() - lineHeight / 2, at.x(), lineHeight), Qt::AlignRight | Qt::AlignVCenter,
                         AxisValueText(measure_, ticks_[i]));
    }
    painter.setFont(PixelFont(CaptionPixels));
    if (overlay.TargetWord)
        DrawTextAt(painter, *overlay.TargetWord, targetWord_);
    DrawTextAt(painter, overlay.AxisCaption, axisCaption_);
    lastOverlay_ = overlay;
    ++paintCount_;
}
