#include "today/day_carousel.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int Ticks = 10;

// A tenth of a whole-pixel distance, in single precision.
float Tenth(double distance)
{
    return static_cast<float>(distance / Ticks);
}

int Truncated(double v)
{
    return static_cast<int>(std::trunc(v));
}
}

CarouselPath CarouselPath::Line(const QPoint& measuredFrom, const QPoint& otherEnd, bool rising)
{
    CarouselPath p;
    p.PathKind = Kind::Line;
    p.Origin = measuredFrom;
    p.End = rising ? otherEnd : measuredFrom;
    const double dx = otherEnd.x() - measuredFrom.x();
    const double dy = otherEnd.y() - measuredFrom.y();
    p.L = static_cast<float>(std::sqrt(dx * dx + dy * dy));
    // atan2 is atan(dy / dx) for the paths of the arc (dx > 0) and stays defined where two homes meet.
    p.Theta = static_cast<float>(std::atan2(dy, dx));
    p.S = static_cast<float>(double(p.L) * 0.1);
    p.Rising = rising;
    return p;
}

CarouselPath CarouselPath::Slide(int baseX, int top, int sign, float start, float step, const QPoint& end)
{
    CarouselPath p;
    p.PathKind = Kind::Slide;
    p.Origin = QPoint(baseX, top);
    p.End = end;
    p.Sign = sign;
    p.Start = start;
    p.Step = step;
    return p;
}

float CarouselPath::initialR() const
{
    if (PathKind == Kind::Slide)
        return Start;
    return Rising ? 0.0f : L;
}

QPoint CarouselPath::at(float r) const
{
    if (PathKind == Kind::Slide)
        return QPoint(Truncated(Origin.x() + Sign * double(r)), Origin.y());
    return QPoint(Truncated(Origin.x() + double(r) * std::cos(double(Theta)) + 0.5),
                  Truncated(Origin.y() + double(r) * std::sin(double(Theta)) + 0.5));
}

std::array<CarouselPath, CarouselSlots> ComputeCarouselPaths(CarouselDirection direction,
                                                            const std::array<QPoint, CarouselSlots>& P,
                                                            const std::array<int, CarouselSlots>& H)
{
    const auto X = [&](int k) { return P[k].x(); };
    const auto Y = [&](int k) { return P[k].y(); };
    // The top-left corner that puts the bottom edge of the panel from slot k - 1 on that of slot k.
    const auto byBottom = [&](int k) { return QPoint(X(k), Y(k) + H[k] - H[k - 1]); };
    using Path = CarouselPath;
    if (direction == CarouselDirection::Down) {
        return {
            Path::Line(P[1], P[0], false),
            Path::Line(P[2], P[1], false),
            Path::Line(P[3], P[2], false),
            Path::Line(P[3], byBottom(4), true),
            Path::Line(P[4], byBottom(5), true),
            Path::Line(P[5], byBottom(6), true),
            Path::Slide(X(6), Y(6), 1, 0.0f, Tenth(X(7) - X(6)), QPoint(X(7), Y(6))),
            Path::Slide(X(0), Y(0), 1, float(X(7) - X(0)), -Tenth(X(7) - X(0)), P[0]),
        };
    }
    return {
        Path::Slide(X(0), Y(0), 1, 0.0f, Tenth(X(7) - X(0)), QPoint(X(7), Y(0))),
        Path::Line(P[1], P[0], true),
        Path::Line(P[2], P[1], true),
        Path::Line(P[3], P[2], true),
        Path::Line(P[3], byBottom(4), false),
        Path::Line(P[4], byBottom(5), false),
        Path::Line(P[5], byBottom(6), false),
        Path::Slide(X(7), Y(6), -1, 0.0f, Tenth(X(7) - X(6)), P[6]),
    };
}

DayCarousel::DayCarousel(const std::array<QPoint, CarouselSlots>& homes,
                         const std::array<int, CarouselSlots>& stackFromTop)
    : homes_(homes)
    , stack_(stackFromTop)
{
    for (int k = 0; k < CarouselSlots; ++k)
        slots_[k] = k;
}

std::array<int, CarouselSlots> DayCarousel::FormStackFromTop()
{
    return {7, 3, 4, 5, 6, 2, 1, 0};
}

std::optional<std::pair<CarouselDirection, int>> DayCarousel::MovesForSlot(int slot)
{
    if (slot >= 0 && slot < SelectedSlot)
        return std::make_pair(CarouselDirection::Down, SelectedSlot - slot);
    if (slot > SelectedSlot && slot < SpareSlot)
        return std::make_pair(CarouselDirection::Up, slot - SelectedSlot);
    return std::nullopt;
}

int DayCarousel::slotOf(int panel) const
{
    const auto it = std::find(slots_.begin(), slots_.end(), panel);
    return it == slots_.end() ? -1 : int(it - slots_.begin());
}

std::optional<CarouselMoveStart> DayCarousel::Click(int panel, const std::array<int, CarouselSlots>& heights)
{
    if (turning())
        return std::nullopt;
    const auto moves = MovesForSlot(slotOf(panel));
    if (!moves)
        return std::nullopt;
    std::array<int, CarouselSlots> bySlot{};
    for (int k = 0; k < CarouselSlots; ++k)
        bySlot[k] = heights[slots_[k]];
    direction_ = moves->first;
    stepsLeft_ = moves->second;
    paths_ = ComputeCarouselPaths(direction_, homes_, bySlot);
    clicked_ = panel;
    raiseToTop(panel);
    return prepareMove();
}

CarouselMoveStart DayCarousel::prepareMove()
{
    for (int k = 0; k < CarouselSlots; ++k)
        r_[k] = paths_[k].initialR();
    CarouselMoveStart start;
    start.Spare = slots_[SpareSlot];
    sendToBottom(start.Spare);
    if (direction_ == CarouselDirection::Down) {
        start.SpareDays = 4;
        start.SpareAt = homes_[0];
    } else {
        start.SpareDays = -4;
        start.SpareAt = QPoint(homes_[SpareSlot].x(), homes_[6].y());
    }
    return start;
}

CarouselTick DayCarousel::Tick()
{
    CarouselTick tick;
    if (!turning())
        return tick;
    for (int k = 0; k < CarouselSlots; ++k) {
        const CarouselPath& path = paths_[k];
        float& r = r_[k];
        std::optional<QPoint>& placed = tick.Placed[slots_[k]];
        if (path.PathKind == CarouselPath::Kind::Slide) {
            placed = path.at(r);
            r += path.Step;
        } else if (path.Rising ? r < path.L : r > 0) {
            placed = path.at(r);
            r = path.Rising ? r + path.S : r - path.S;
        }
    }
    tick.MoveDone = moveComplete();
    return tick;
}

bool DayCarousel::moveComplete() const
{
    const auto reached = [&](int k) { return r_[k] >= paths_[k].L; };
    const auto back = [&](int k) { return r_[k] <= 0; };
    if (direction_ == CarouselDirection::Down)
        return back(0) && back(1) && back(2) && reached(3) && reached(4) && reached(5);
    return reached(1) && reached(2) && reached(3) && back(4) && back(5);
}

CarouselMoveEnd DayCarousel::FinishMove()
{
    CarouselMoveEnd end;
    if (!turning())
        return end;
    const std::array<int, CarouselSlots> old = slots_;
    const bool down = direction_ == CarouselDirection::Down;
    if (down) {
        for (int k = 0; k < SpareSlot; ++k)
            slots_[k + 1] = old[k];
        slots_[0] = old[SpareSlot];
        slots_[SpareSlot] = old[SpareSlot - 1];
    } else {
        for (int k = 1; k < CarouselSlots; ++k)
            slots_[k - 1] = old[k];
        slots_[SpareSlot] = old[0];
    }

    // From the top: slots 4, 5, 6, (the spare going up), 3, 2, 1, 0, (the spare going down).
    for (int k : {4, 5, 6})
        sendToBottom(slots_[k]);
    if (!down)
        sendToBottom(slots_[SpareSlot]);
    for (int k : {3, 2, 1, 0})
        sendToBottom(slots_[k]);
    if (down)
        sendToBottom(slots_[SpareSlot]);
    const int clickedSlot = slotOf(clicked_);
    if (clickedSlot >= 0 && clickedSlot < SpareSlot)
        raiseToTop(clicked_);

    end.DayOffsetChange = down ? 1 : -1;
    --stepsLeft_;
    end.RotationDone = stepsLeft_ == 0;
    if (!end.RotationDone)
        end.Next = prepareMove();
    return end;
}

void DayCarousel::sendToBottom(int panel)
{
    const auto it = std::find(stack_.begin(), stack_.end(), panel);
    if (it != stack_.end())
        std::rotate(it, it + 1, stack_.end());
}

void DayCarousel::raiseToTop(int panel)
{
    const auto it = std::find(stack_.begin(), stack_.end(), panel);
    if (it != stack_.end())
        std::rotate(stack_.begin(), it, it + 1);
}
