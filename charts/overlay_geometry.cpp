#include "charts/overlay_geometry.h"

#include <algorithm>
#include <cmath>

namespace {

int Pixel(double x)
{
    return static_cast<int>(std::trunc(x));
}

} // namespace

std::vector<BarSlot> CategoryBarSlots(const QRectF& plot, int count, double widthFraction, double positions)
{
    std::vector<BarSlot> bars;
    if (count <= 0)
        return bars;
    bars.reserve(static_cast<std::size_t>(count));
    const double category = plot.width() / std::max(positions, static_cast<double>(count));
    const double width = category * widthFraction;
    for (int i = 0; i < count; ++i) {
        const double centre = plot.left() + (i + 0.5) * category;
        bars.push_back({Pixel(centre - width / 2), Pixel(width)});
    }
    return bars;
}

std::vector<int> GridLineXs(const QRectF& plot, int count, int spacing, double positions)
{
    std::vector<int> xs;
    if (count <= 0)
        return xs;
    if (spacing < 1)
        spacing = 1;
    const double category = plot.width() / std::max(positions, static_cast<double>(count));
    for (int i = 0; i < count; i += spacing)
        xs.push_back(Pixel(plot.left() + (i + 0.5) * category));
    return xs;
}

std::optional<QRect> BarShadowRect(const QRectF& plot, const BarSlot& bar, int top)
{
    const int bottom = Pixel(plot.bottom());
    const int shadowTop = std::max(top, Pixel(plot.top())) + ShadowOffset;
    if (top >= bottom || bar.Width <= 0 || shadowTop >= bottom)
        return std::nullopt;
    return QRect(QPoint(bar.Left + ShadowOffset, shadowTop), QPoint(bar.Left + ShadowOffset + bar.Width - 1, bottom - 1));
}

int ValueY(const QRectF& plot, double value, double maximum)
{
    if (!(maximum > 0))
        return Pixel(plot.bottom());
    return Pixel(plot.bottom() - plot.height() * (value / maximum));
}

double ValueAxisStep(double maximum, double smallest)
{
    if (!(maximum > 0) || !std::isfinite(maximum) || maximum / 8 <= smallest)
        return smallest;
    double power = std::pow(10.0, std::floor(std::log10(maximum / 8)));
    for (;;) {
        for (double factor : {1.0, 2.0, 5.0}) {
            const double step = factor * power;
            if (maximum / step <= 8 && step >= smallest * 0.999999)
                return step;
        }
        power *= 10;
    }
}

std::vector<double> ValueAxisTicks(double maximum, double smallest)
{
    std::vector<double> ticks;
    if (!(smallest > 0))
        return ticks;
    const double step = ValueAxisStep(maximum, smallest);
    // Multiples of the step, not a running sum, so that no rounding error piles up.
    for (int k = 0; k <= 8 && k * step <= maximum * (1 + 1e-9); ++k)
        ticks.push_back(k * step);
    if (ticks.empty())
        ticks.push_back(0);
    return ticks;
}

ChartOverlay ComputeChartOverlay(const OverlayInput& in)
{
    ChartOverlay out;
    const int axisX = Pixel(in.Plot.left());
    const int axisY = Pixel(in.Plot.bottom());
    out.Dots.reserve(in.Bars.size());
    for (const BarSlot& bar : in.Bars)
        out.Dots.emplace_back(bar.Left + (bar.Width / 2 - in.DotSize.width() / 2), axisY + 28);
    int lastRight = 0;
    const std::size_t labelled = std::min(in.Bars.size(), in.LabelWidths.size());
    for (std::size_t i = 0; i < labelled; ++i) {
        const BarSlot& bar = in.Bars[i];
        const int left = bar.Left + bar.Width / 2 - in.LabelWidths[i] / 2;
        if (!out.Labels.empty() && left < lastRight + 3)
            continue;
        out.Labels.push_back({static_cast<int>(i), QPoint(left, axisY + 15)});
        lastRight = left + in.LabelWidths[i];
    }
    for (double tick : in.ValueTicks)
        out.ValueLabels.emplace_back(axisX - 6, ValueY(in.Plot, tick, in.AxisMaximum));
    out.AxisBar = QPoint(axisX, axisY);
    out.AxisCaption = QPoint(axisX - 30, Pixel(in.Plot.top()) - 18);
    if (in.Chart == MeasureSteps && in.hasDayTarget)
        out.TargetWord = QPoint(Pixel(in.Plot.right()) - 60, Pixel(in.TargetLineY) - 25);
    return out;
}
