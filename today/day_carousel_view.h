#pragma once

#include "today/day_carousel.h"
#include "today/today_figures.h"

#include <QDate>
#include <QObject>
#include <QRect>

#include <array>
#include <functional>

class DayPanelWidget;
class QTimer;
class QWidget;

// Turns the wheel of day panels on the main window: arms the panels for clicks, runs Timer1 (20 ms,
// stopped at rest), places and stacks the panels as the DayCarousel model says, fills the spare and
// keeps the main window's slot table and day offset in step. The window's TODAY figures are left to
// whoever listens to rotationFinished(), which comes once, when the last move of a turn has ended.
class DayCarouselView : public QObject {
    Q_OBJECT
public:
    // panels: the panels standing in slots 0-7 now, at their home positions, all children of window.
    // slotTable is turned with the wheel; dayOffset changes by one per move; dayTexts gives the texts
    // of the panel that shows a date (the spare's). slotTable, dayOffset and the panels must outlive
    // the view.
    DayCarouselView(const std::array<DayPanelWidget*, CarouselSlots>& panels,
                    std::array<QWidget*, CarouselSlots>& slotTable, int& dayOffset, std::function<QDate()> today,
                    std::function<DayPanelTexts(const QDate&)> dayTexts, QWidget* window);

    const DayCarousel& model() const { return model_; }
    QTimer* timer() const { return timer_; }
    bool turning() const { return model_.turning(); }

    // The wheel shows with the TODAY section and hides with it; a turn goes on while it is hidden.
    void setShown(bool shown);

public slots:
    // One tick of the current move; what Timer1 runs.
    void Timer1Timer();

signals:
    void rotationFinished();

private:
    void panelClicked(int panel);
    // An arrow key on a panel; false for other keys.
    bool turnKey(int key);
    void placeFocus();
    void startMove(const CarouselMoveStart& start);
    void arm();
    void disarm();
    void applyStacking();
    void syncSlotTable();

    std::array<DayPanelWidget*, CarouselSlots> panels_;
    std::array<QWidget*, CarouselSlots>& slotTable_;
    int& dayOffset_;
    std::function<QDate()> today_;
    std::function<DayPanelTexts(const QDate&)> dayTexts_;
    QWidget* window_;
    DayCarousel model_;
    QTimer* timer_;
    QRect wheelArea_; // of the window, repainted after every tick of a turn
    bool armed_ = false;
    bool shown_ = true;
};
