#pragma once

#include "today/today_figures.h"

#include <QPoint>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

// The wheel of day panels beside TODAY, as numbers: which panel stands in which slot, where each
// moving panel goes on every tick, the stacking order and what a finished move changes. Panels are
// ids 0-7, the panels that stand in slots 0-7 at start-up. Positions are top-left corners in the
// main window. The view moves and stacks the panels as told; nothing here knows a widget.

// Slots 0 (top of the arc) ... 3 (the front, the selected date) ... 6 (bottom); slot 7 is the spare,
// beyond the right edge, that enters to fill the freed end of the arc on every move.
constexpr int CarouselSlots = 8;
constexpr int SpareSlot = 7;
static_assert(DayPanelSlots == SpareSlot, "slots 0-6 are the day panels of TODAY");

// Down: the clicked panel stood above the front, the selected date moves forward a day per move.
enum class CarouselDirection : uint8_t { Down = 0, Up = 1 };

// One panel's way through one move.
// Line: the panel stands at Origin + R·(cos Theta, sin Theta), each coordinate + 0.5 and truncated;
// Origin is the end R is measured from; R runs from 0 up to L (Rising) or from L down to 0, by S.
// Slide: only Left changes, Left = Origin.x + Sign·R truncated, Top = Origin.y; R starts at Start and
// changes by Step each tick without an end.
struct CarouselPath {
    enum class Kind : uint8_t { Line, Slide };
    Kind PathKind = Kind::Line;
    QPoint Origin;
    QPoint End; // where the path ends: the slot the panel is bound for, or beyond the right edge
    float L = 0;
    float Theta = 0;
    float S = 0;
    bool Rising = true;
    int Sign = 1;
    float Start = 0;
    float Step = 0;

    static CarouselPath Line(const QPoint& measuredFrom, const QPoint& otherEnd, bool rising);
    static CarouselPath Slide(int baseX, int top, int sign, float start, float step, const QPoint& end);

    // R at the start of a move.
    float initialR() const;
    QPoint at(float r) const;
    // Where the first tick of a move puts the panel.
    QPoint from() const { return at(initialR()); }
};

// The paths of slots 0-6 and of the spare (7) for one direction, from the home positions and the
// heights of the panels in the slots when the rotation starts. The lower half of the arc is run by the
// bottom edges, so there a panel of another height keeps its bottom on the slots' bottom edges.
std::array<CarouselPath, CarouselSlots> ComputeCarouselPaths(CarouselDirection direction,
                                                            const std::array<QPoint, CarouselSlots>& homes,
                                                            const std::array<int, CarouselSlots>& heights);

// What the view does when a move begins: fill the spare for the selected date + SpareDays (the
// selected date of the day offset at that moment), send it to the bottom, put it at SpareAt, show it.
struct CarouselMoveStart {
    int Spare = SpareSlot;
    int SpareDays = 0;
    QPoint SpareAt;
};

// One tick: where each panel (by id) is placed, when it moved; MoveDone when the move is complete.
struct CarouselTick {
    std::array<std::optional<QPoint>, CarouselSlots> Placed;
    bool MoveDone = false;
};

// What a completed move changes: the slot table is turned, the panels of slots 0-6 go exactly to their
// homes, the stacking order is restacked (stackFromTop()), the day offset changes by DayOffsetChange.
// RotationDone: no move is left; the spare is then hidden and the clicks armed again. Otherwise Next
// starts the next move at once.
struct CarouselMoveEnd {
    int DayOffsetChange = 0;
    bool RotationDone = true;
    std::optional<CarouselMoveStart> Next;
};

class DayCarousel {
public:
    // homes: P0 ... P7, taken once. stackFromTop: panel ids in stacking order, the top one first.
    explicit DayCarousel(const std::array<QPoint, CarouselSlots>& homes,
                         const std::array<int, CarouselSlots>& stackFromTop = FormStackFromTop());

    // The form's creation order, bottom to top: PanelOne, PanelTwo, PanelThree, PanelSeven, PanelSix,
    // PanelFive, PanelFour, PanelBack.
    static std::array<int, CarouselSlots> FormStackFromTop();

    // Moves a click on a slot starts: Down by 3, 2, 1 for slots 0-2, Up by 1, 2, 3 for 4-6; none for
    // the front and the spare.
    static std::optional<std::pair<CarouselDirection, int>> MovesForSlot(int slot);

    const std::array<QPoint, CarouselSlots>& homes() const { return homes_; }
    // Panel id by slot.
    const std::array<int, CarouselSlots>& slotTable() const { return slots_; }
    int slotOf(int panel) const;
    // Panel ids, the top one first.
    const std::array<int, CarouselSlots>& stackFromTop() const { return stack_; }

    bool turning() const { return stepsLeft_ > 0; }
    CarouselDirection direction() const { return direction_; }
    int stepsLeft() const { return stepsLeft_; }
    int clickedPanel() const { return clicked_; }
    const std::array<CarouselPath, CarouselSlots>& paths() const { return paths_; }

    // A click on a panel: starts a rotation, raises the clicked panel to the top and prepares the first
    // move. Nothing happens (nullopt) for the front panel, the spare, an unknown id or during a turn.
    // heights: the height of each panel by id.
    std::optional<CarouselMoveStart> Click(int panel, const std::array<int, CarouselSlots>& heights);

    // Advances the current move by one tick; during a turn only.
    CarouselTick Tick();

    // After the tick that completed a move: turns the slot table, restacks, and prepares the next move
    // when one remains.
    CarouselMoveEnd FinishMove();

private:
    CarouselMoveStart prepareMove();
    bool moveComplete() const;
    void sendToBottom(int panel);
    void raiseToTop(int panel);

    std::array<QPoint, CarouselSlots> homes_;
    std::array<int, CarouselSlots> slots_{};
    std::array<int, CarouselSlots> stack_{};
    std::array<CarouselPath, CarouselSlots> paths_{};
    std::array<float, CarouselSlots> r_{};
    CarouselDirection direction_ = CarouselDirection::Down;
    int stepsLeft_ = 0;
    int clicked_ = -1;
};
