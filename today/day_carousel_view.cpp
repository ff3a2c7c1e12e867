#include "today/day_carousel_view.h"

#include "today/date_texts.h"
#include "today/day_panel_widget.h"
#include "today/today_view.h"
#include "forms/click_binder.h"

#include <QRect>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace {
constexpr int TickMs = 20;

std::array<QPoint, CarouselSlots> HomesOf(const std::array<DayPanelWidget*, CarouselSlots>& panels)
{
    std::array<QPoint, CarouselSlots> homes;
    for (int k = 0; k < CarouselSlots; ++k)
        homes[k] = panels[k]->pos();
    return homes;
}

// The panels' stacking order among their siblings, the top one first: a parent lists its children
// from the bottom of the stack to the top.
std::array<int, CarouselSlots> StackOf(const std::array<DayPanelWidget*, CarouselSlots>& panels)
{
    const QObjectList& siblings = panels[0]->parentWidget()->children();
    std::array<int, CarouselSlots> order;
    for (int k = 0; k < CarouselSlots; ++k)
        order[k] = k;
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return siblings.indexOf(panels[a]) > siblings.indexOf(panels[b]); });
    return order;
}

void SetCursorAll(QWidget* panel, Qt::CursorShape shape)
{
    panel->setCursor(shape);
    for (QWidget* child : panel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        child->setCursor(shape);
}
}

DayCarouselView::DayCarouselView(const std::array<DayPanelWidget*, CarouselSlots>& panels,
                                 std::array<QWidget*, CarouselSlots>& slotTable, int& dayOffset,
                                 std::function<QDate()> today, std::function<DayPanelTexts(const QDate&)> dayTexts,
                                 QWidget* window)
    : QObject(window)
    , panels_(panels)
    , slotTable_(slotTable)
    , dayOffset_(dayOffset)
    , today_(std::move(today))
    , dayTexts_(std::move(dayTexts))
    , window_(window)
    , model_(HomesOf(panels), StackOf(panels))
    , timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("DayCarousel"));
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(TickMs);
    // Keeps the 20 ms schedule: the default coarse timer may fire up to 5 % late.
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &DayCarouselView::Timer1Timer);
    for (int id = 0; id < CarouselSlots; ++id) {
        connect(panels_[id], &DayPanelWidget::clicked, this, [this, id] { panelClicked(id); });
        // Space and Enter do what a click does (on the front panel: nothing); the arrows turn the wheel
        // by one day, as a click on the front panel's neighbour does.
        BindKeys(panels_[id], [this, id] { panelClicked(id); });
        BindMoreKeys(panels_[id], [this](int key) { return turnKey(key); });
    }
    syncSlotTable();
    arm();
    placeFocus();
}

bool DayCarouselView::turnKey(int key)
{
    int slot = -1;
    // The day after the front stands above it (slot 2), the day before below it (slot 4).
    if (key == Qt::Key_Right || key == Qt::Key_Up)
        slot = SelectedSlot - 1;
    else if (key == Qt::Key_Left || key == Qt::Key_Down)
        slot = SelectedSlot + 1;
    if (slot < 0)
        return false;
    const auto it = std::find(panels_.begin(), panels_.end(), slotTable_[slot]);
    if (it != panels_.end())
        panelClicked(int(it - panels_.begin()));
    return true;
}

void DayCarouselView::placeFocus()
{
    // Only the front panel is a stop of the Tab order; the focus follows it around the wheel.
    QWidget* front = slotTable_[SelectedSlot];
    bool hadFocus = false;
    for (QWidget* panel : slotTable_) {
        hadFocus = hadFocus || panel->hasFocus();
        panel->setFocusPolicy(panel == front ? Qt::TabFocus : Qt::NoFocus);
    }
    if (hadFocus && !front->hasFocus())
        front->setFocus(Qt::TabFocusReason);
}

void DayCarouselView::setShown(bool shown)
{
    shown_ = shown;
    for (int k = 0; k < DayPanelSlots; ++k)
        slotTable_[k]->setVisible(shown);
    slotTable_[SpareSlot]->setVisible(shown && turning());
}

void DayCarouselView::arm()
{
    for (int k = 0; k < DayPanelSlots; ++k)
        SetCursorAll(slotTable_[k], k == SelectedSlot ? Qt::ArrowCursor : Qt::PointingHandCursor);
    SetCursorAll(slotTable_[SpareSlot], Qt::ArrowCursor);
    armed_ = true;
}

void DayCarouselView::disarm()
{
    for (QWidget* panel : slotTable_)
        SetCursorAll(panel, Qt::ArrowCursor);
    armed_ = false;
}

void DayCarouselView::panelClicked(int panel)
{
    if (!armed_)
        return;
    std::array<int, CarouselSlots> heights{};
    for (int id = 0; id < CarouselSlots; ++id)
        heights[id] = panels_[id]->height();
    const std::optional<CarouselMoveStart> start = model_.Click(panel, heights);
    if (!start)
        return;
    // Everything a move changes lies within the rectangles of the homes and of the paths' ends.
    wheelArea_ = QRect();
    for (int k = 0; k < CarouselSlots; ++k) {
        const QSize size = panels_[model_.slotTable()[k]]->size();
        const CarouselPath& path = model_.paths()[k];
        wheelArea_ |= QRect(model_.homes()[k], size) | QRect(path.from(), size) | QRect(path.End, size);
    }
    wheelArea_ &= window_->rect();
    startMove(*start);
    timer_->start();
    disarm();
}

void DayCarouselView::startMove(const CarouselMoveStart& start)
{
    DayPanelWidget* spare = panels_[start.Spare];
    TodayView::FillDayPanel(spare, dayTexts_(SelectedDate(today_(), dayOffset_).addDays(start.SpareDays)));
    SetCursorAll(spare, Qt::ArrowCursor);
    applyStacking();
    spare->move(start.SpareAt);
    spare->setVisible(shown_);
}

void DayCarouselView::Timer1Timer()
{
    if (!turning()) {
        timer_->stop();
        return;
    }
    const CarouselTick tick = model_.Tick();
    for (int id = 0; id < CarouselSlots; ++id) {
        if (tick.Placed[id])
            panels_[id]->move(*tick.Placed[id]);
    }
    if (tick.MoveDone) {
        const CarouselMoveEnd end = model_.FinishMove();
        syncSlotTable();
        applyStacking();
        for (int k = 0; k < DayPanelSlots; ++k) {
            slotTable_[k]->move(model_.homes()[k]);
            slotTable_[k]->setVisible(shown_);
        }
        dayOffset_ += end.DayOffsetChange;
        // The next move keeps the timer running: stopping and starting it again would shift the
        // 20 ms schedule by the time this tick took.
        if (end.Next) {
            startMove(*end.Next);
        } else {
            timer_->stop();
            slotTable_[SpareSlot]->hide();
            arm();
            placeFocus();
            emit rotationFinished();
        }
    }
    // A repaint paints every region of the window that is dirty, so the TODAY labels that the end of
    // a turn changed are painted with the wheel.
    window_->repaint(wheelArea_);
}

void DayCarouselView::applyStacking()
{
    // Each panel directly under the one above it: the wheel keeps its place among the window's other
    // controls, above the background picture.
    const std::array<int, CarouselSlots>& order = model_.stackFromTop();
    for (int i = 1; i < CarouselSlots; ++i)
        panels_[order[i]]->stackUnder(panels_[order[i - 1]]);
}

void DayCarouselView::syncSlotTable()
{
    for (int k = 0; k < CarouselSlots; ++k)
        slotTable_[k] = panels_[model_.slotTable()[k]];
}
