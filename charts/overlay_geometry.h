#pragma once

#include "charts/period_view.h"

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <optional>
#include <vector>

// Where the record charts' overlays and grid stand, computed from the plot rectangle and the bars
// alone, so that the chart widget only draws what it is given. All positions are in the chart
// widget's pixels; a fractional pixel truncates toward zero, as the chart's own drawing does.

// One bar: its left edge and width.
struct BarSlot {
    int Left = 0;
    int Width = 0;
};

// The bars of a category axis: bar i is centred at position i of an axis that runs from -0.5 to
// positions - 0.5, so the plot is positions categories wide (more than count where the axis reaches
// past the last bar); each bar fills widthFraction (0-1) of its category. A positions below count
// counts as count. No bars for count <= 0.
std::vector<BarSlot> CategoryBarSlots(const QRectF& plot, int count, double widthFraction, double positions);

// The vertical grid on the same axis: a line through the centre of the first category and of every
// spacing-th one after it. A spacing below 1 counts as 1.
std::vector<int> GridLineXs(const QRectF& plot, int count, int spacing, double positions);

// A bar's shadow: the bar's rectangle moved ShadowOffset px right and down, cut off at the horizontal
// axis (plot bottom); none for a bar without height. top is the pixel y of the bar's top.
constexpr int ShadowOffset = 3;
std::optional<QRect> BarShadowRect(const QRectF& plot, const BarSlot& bar, int top);

// Pixel y of a value on a vertical axis from 0 at the plot's bottom to maximum at its top; the
// bottom for a maximum that is not positive.
int ValueY(const QRectF& plot, double value, double maximum);

// Step between the labelled values of a vertical axis from 0 to maximum: 1, 2 or 5 times a power of
// ten, the smallest that gives at most eight steps and is at least smallest (the labels' resolution,
// so that no two labels read the same). smallest for a maximum that is not positive or not finite.
double ValueAxisStep(double maximum, double smallest);
// The labelled values: 0, step, 2 step ... up to maximum.
std::vector<double> ValueAxisTicks(double maximum, double smallest);

struct OverlayInput {
    Measure Chart = MeasureSteps;
    bool hasDayTarget = false;   // the program's flag; only the Steps chart shows the target word
    QRectF Plot;                 // the plotting rectangle: left edge = vertical axis, bottom = horizontal axis
    std::vector<BarSlot> Bars;   // in bar order
    double TargetLineY = 0;      // pixel y of the target line's first point; read only when the word is shown
    QSize DotSize{18, 18};       // the dot picture
    std::vector<int> LabelWidths; // drawn width of each bar's label, in bar order
    double AxisMaximum = 1;       // of the vertical axis, whose minimum is 0
    std::vector<double> ValueTicks; // the labelled values of the vertical axis
};

// A bar label that is drawn: which bar, and the top-left corner of its text.
struct BarLabelSpot {
    int Bar = 0;
    QPoint TopLeft;
};

struct ChartOverlay {
    std::vector<QPoint> Dots;         // top-left corner of the dot under each bar, in bar order
    QPoint AxisBar;                   // top-left corner of the axis bar picture
    QPoint AxisCaption;               // top-left corner of the measure caption above the vertical axis
    std::optional<QPoint> TargetWord; // top-left corner of the target word, when it is shown
    std::vector<BarLabelSpot> Labels; // in bar order; a label that would crowd the one before is left out
    std::vector<QPoint> ValueLabels;  // per tick: the point the label's right edge centres on
};

// Dots 28 px below the axis, centred under their bars (both halves truncated); the bar labels
// centred under their bars 15 px below the axis (the tick length), each drawn only when it starts at
// least 3 px after the last one drawn ends; the value labels right-aligned 6 px left of the vertical
// axis, centred on their values; the axis bar at the axes' corner; the caption 30 px left of and 18 px above the plot's top-left corner; the target
// word 60 px left of the plot's right edge and 25 px above the target line.
ChartOverlay ComputeChartOverlay(const OverlayInput& in);
