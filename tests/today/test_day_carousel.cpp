#include "today/day_carousel.h"

#include <QTest>

#include <vector>

using Homes = std::array<QPoint, CarouselSlots>;
using Ids = std::array<int, CarouselSlots>;
Q_DECLARE_METATYPE(CarouselDirection)

namespace {
// The main window's design positions: the arc at the right edge, the spare beyond it.
const Homes FormHomes = {QPoint(835, 47), QPoint(753, 108), QPoint(702, 179), QPoint(667, 268),
                         QPoint(699, 364), QPoint(752, 421), QPoint(833, 487), QPoint(996, 52)};
// A nearly straight arc whose paths all end on the tenth tick.
const Homes StraightHomes = {QPoint(103, 100), QPoint(102, 200), QPoint(101, 300), QPoint(100, 400),
                             QPoint(101, 500), QPoint(102, 600), QPoint(103, 700), QPoint(300, 100)};
// The same with one path, from slot 2 to the front, that falls short after ten tenths.
const Homes OneShortHomes = {QPoint(137, 111), QPoint(136, 211), QPoint(135, 311), QPoint(100, 400),
                             QPoint(101, 500), QPoint(102, 600), QPoint(103, 700), QPoint(300, 100)};

Ids Heights(int h = 176)
{
    Ids ids;
    ids.fill(h);
    return ids;
}

// The positions every tick of the current move gives each panel, by panel id, until the move is done.
std::array<std::vector<QPoint>, CarouselSlots> RunMove(DayCarousel& wheel, int* ticks)
{
    std::array<std::vector<QPoint>, CarouselSlots> placed;
    *ticks = 0;
    for (bool done = false; !done && *ticks < 100;) {
        const CarouselTick tick = wheel.Tick();
        ++*ticks;
        for (int id = 0; id < CarouselSlots; ++id)
            if (tick.Placed[id])
                placed[id].push_back(*tick.Placed[id]);
        done = tick.MoveDone;
    }
    return placed;
}

std::vector<int> Lefts(const std::vector<QPoint>& points)
{
    std::vector<int> lefts;
    for (const QPoint& p : points)
        lefts.push_back(p.x());
    return lefts;
}
}

class DayCarouselTest : public QObject {
    Q_OBJECT
private slots:
    void movesOfAClick_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("turns");
        QTest::addColumn<CarouselDirection>("direction");
        QTest::addColumn<int>("moves");
        QTest::newRow("top") << 0 << true << CarouselDirection::Down << 3;
        QTest::newRow("slot 1") << 1 << true << CarouselDirection::Down << 2;
        QTest::newRow("just above the front") << 2 << true << CarouselDirection::Down << 1;
        QTest::newRow("front") << 3 << false << CarouselDirection::Down << 0;
        QTest::newRow("just below the front") << 4 << true << CarouselDirection::Up << 1;
        QTest::newRow("slot 5") << 5 << true << CarouselDirection::Up << 2;
        QTest::newRow("bottom") << 6 << true << CarouselDirection::Up << 3;
        QTest::newRow("spare") << 7 << false << CarouselDirection::Down << 0;
    }
    // Every move turns the table by one slot and the day offset by one; the clicked panel ends at the
    // front after as many moves as it stood away from it.
    void movesOfAClick()
    {
        QFETCH(int, slot);
        QFETCH(bool, turns);
        QFETCH(CarouselDirection, direction);
        QFETCH(int, moves);
        DayCarousel wheel(FormHomes);
        const int panel = wheel.slotTable()[slot];
        const std::optional<CarouselMoveStart> start = wheel.Click(panel, Heights());
        QCOMPARE(start.has_value(), turns);
        if (!turns) {
            QVERIFY(!wheel.turning());
            QVERIFY(!wheel.Tick().MoveDone);
            QCOMPARE(wheel.slotTable(), (Ids{0, 1, 2, 3, 4, 5, 6, 7}));
            QCOMPARE(wheel.stackFromTop(), DayCarousel::FormStackFromTop());
            return;
        }
        QCOMPARE(wheel.direction(), direction);
        QCOMPARE(wheel.stepsLeft(), moves);
        QCOMPARE(wheel.clickedPanel(), panel);
        int dayOffset = 0;
        int done = 0;
        for (bool last = false; !last;) {
            int ticks = 0;
            RunMove(wheel, &ticks);
            const CarouselMoveEnd end = wheel.FinishMove();
            dayOffset += end.DayOffsetChange;
            last = end.RotationDone;
            QCOMPARE(end.Next.has_value(), !last);
            QVERIFY(++done <= moves);
        }
        QCOMPARE(done, moves);
        QVERIFY(!wheel.turning());
        QCOMPARE(dayOffset, direction == CarouselDirection::Down ? moves : -moves);
        QCOMPARE(wheel.slotOf(panel), SelectedSlot);
        QCOMPARE(wheel.stackFromTop()[0], panel);
    }

    void threeMovesTurnTheTable_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<Ids>("afterFirstMove");
        QTest::addColumn<Ids>("afterTurn");
        QTest::addColumn<Ids>("stackAfterTurn");
        // Down: the spare comes in at the top, the bottom panel becomes the spare. The clicked panel is
        // on top, then slots 4, 5, 6, 2, 1, 0 and the spare last.
        QTest::newRow("down") << 0 << Ids{7, 0, 1, 2, 3, 4, 5, 6} << Ids{5, 6, 7, 0, 1, 2, 3, 4}
                              << Ids{0, 1, 2, 3, 7, 6, 5, 4};
        // Up: the spare comes in at the bottom, the top panel becomes the spare, stacked below slot 6.
        QTest::newRow("up") << 6 << Ids{1, 2, 3, 4, 5, 6, 7, 0} << Ids{3, 4, 5, 6, 7, 0, 1, 2}
                            << Ids{6, 7, 0, 1, 2, 5, 4, 3};
    }
    void threeMovesTurnTheTable()
    {
        QFETCH(int, slot);
        QFETCH(Ids, afterFirstMove);
        QFETCH(Ids, afterTurn);
        QFETCH(Ids, stackAfterTurn);
        DayCarousel wheel(FormHomes);
        QVERIFY(wheel.Click(slot, Heights()));
        int ticks = 0;
        RunMove(wheel, &ticks);
        QVERIFY(!wheel.FinishMove().RotationDone);
        QCOMPARE(wheel.slotTable(), afterFirstMove);
        for (int move = 2; move <= 3; ++move) {
            RunMove(wheel, &ticks);
            QCOMPARE(wheel.FinishMove().RotationDone, move == 3);
        }
        QCOMPARE(wheel.slotTable(), afterTurn);
        QCOMPARE(wheel.stackFromTop(), stackAfterTurn);
    }

    void stackWhileTurning()
    {
        DayCarousel wheel(FormHomes);
        // Clicked: on top at once; the spare at the bottom for its entry.
        QVERIFY(wheel.Click(1, Heights()));
        QCOMPARE(wheel.stackFromTop(), (Ids{1, 3, 4, 5, 6, 2, 0, 7}));
        int ticks = 0;
        RunMove(wheel, &ticks);
        const CarouselMoveEnd end = wheel.FinishMove();
        QVERIFY(end.Next);
        // Restacked as slots 4, 5, 6, 3, 2, 1, 0 and the new spare, then the clicked panel (now in slot 2)
        // raised.
        QCOMPARE(wheel.slotTable(), (Ids{7, 0, 1, 2, 3, 4, 5, 6}));
        QCOMPARE(wheel.stackFromTop(), (Ids{1, 3, 4, 5, 2, 0, 7, 6}));
    }

    void clicksThatStartNothing()
    {
        DayCarousel wheel(FormHomes);
        QVERIFY(!wheel.Click(-1, Heights()));
        QVERIFY(!wheel.Click(8, Heights()));
        QVERIFY(wheel.Click(0, Heights()));
        int ticks = 0;
        RunMove(wheel, &ticks);
        // During a turn, not even a panel that would start one at rest.
        for (int panel = 0; panel < CarouselSlots; ++panel)
            QVERIFY(!wheel.Click(panel, Heights()));
        QCOMPARE(wheel.stepsLeft(), 3);
        QCOMPARE(wheel.clickedPanel(), 0);
        QCOMPARE(wheel.direction(), CarouselDirection::Down);
    }

    void ticksOfAMove_data()
    {
        QTest::addColumn<Homes>("homes");
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<Ids>("placements"); // how many ticks placed each panel (by id = start slot)
        // On the form's arc several paths fall a little short after ten tenths, so each move takes an
        // eleventh tick. Counts worked out apart in single precision.
        QTest::newRow("form, down") << FormHomes << 2 << 11 << Ids{11, 11, 11, 11, 10, 10, 11, 11};
        QTest::newRow("form, up") << FormHomes << 4 << 11 << Ids{11, 10, 11, 11, 11, 11, 10, 11};
        QTest::newRow("straight arc, down") << StraightHomes << 2 << 10 << Ids{10, 10, 10, 10, 10, 10, 10, 10};
        QTest::newRow("straight arc, up") << StraightHomes << 4 << 10 << Ids{10, 10, 10, 10, 10, 10, 10, 10};
        // One short path keeps the whole move waiting for it; the slides go on meanwhile.
        QTest::newRow("one path short, down") << OneShortHomes << 2 << 11 << Ids{10, 10, 11, 10, 10, 10, 11, 11};
        QTest::newRow("one path short, up") << OneShortHomes << 4 << 11 << Ids{11, 10, 10, 11, 10, 10, 10, 11};
    }
    void ticksOfAMove()
    {
        QFETCH(Homes, homes);
        QFETCH(int, slot);
        QFETCH(int, ticks);
        QFETCH(Ids, placements);
        DayCarousel wheel(homes);
        QVERIFY(wheel.Click(slot, Heights()));
        int taken = 0;
        const auto placed = RunMove(wheel, &taken);
        QCOMPARE(taken, ticks);
        for (int id = 0; id < CarouselSlots; ++id)
            QCOMPARE(int(placed[id].size()), placements[id]);
        // Every panel that travels between two slots goes in ten equal steps from its start.
        for (int id = 0; id < DayPanelSlots; ++id) {
            const QPoint from = placed[id].front();
            const QPoint to = wheel.paths()[id].End;
            for (int i = 0; i < 10; ++i) {
                const QPointF exact = QPointF(from) + QPointF(to - from) * (i / 10.0);
                const QPoint at = placed[id][i];
                QVERIFY2(qAbs(at.x() - exact.x()) <= 1 && qAbs(at.y() - exact.y()) <= 1,
                         qPrintable(QStringLiteral("panel %1, tick %2").arg(id).arg(i + 1)));
            }
        }
    }

    void firstTickAtTheStartOfEachPath_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<Homes>("starts"); // by slot, the spare last
        QTest::newRow("down") << 0
                              << Homes{QPoint(835, 47), QPoint(753, 108), QPoint(702, 179), QPoint(667, 268),
                                       QPoint(699, 364), QPoint(752, 421), QPoint(833, 487), QPoint(996, 47)};
        QTest::newRow("up") << 6
                            << Homes{QPoint(835, 47), QPoint(753, 108), QPoint(702, 179), QPoint(667, 268),
                                     QPoint(699, 364), QPoint(752, 421), QPoint(833, 487), QPoint(996, 487)};
    }
    void firstTickAtTheStartOfEachPath()
    {
        QFETCH(int, slot);
        QFETCH(Homes, starts);
        DayCarousel wheel(FormHomes);
        QVERIFY(wheel.Click(slot, Heights()));
        const CarouselTick first = wheel.Tick();
        for (int k = 0; k < CarouselSlots; ++k)
            QCOMPARE(*first.Placed[k], starts[k]);
    }

    // Slides have no end test: only Left changes, by a tenth of the way on every tick.
    void slides_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("panel");
        QTest::addColumn<int>("top");
        QTest::addColumn<std::vector<int>>("lefts");
        QTest::newRow("down: the spare enters at the top")
            << 0 << 7 << 47 << std::vector<int>{996, 979, 963, 947, 931, 915, 899, 883, 867, 851, 834};
        QTest::newRow("down: the bottom panel leaves")
            << 0 << 6 << 487 << std::vector<int>{833, 849, 865, 881, 898, 914, 930, 947, 963, 979, 996};
        QTest::newRow("up: the top panel leaves")
            << 6 << 0 << 47 << std::vector<int>{835, 851, 867, 883, 899, 915, 931, 947, 963, 979, 996};
        QTest::newRow("up: the spare enters at the bottom")
            << 6 << 7 << 487 << std::vector<int>{996, 979, 963, 947, 930, 914, 898, 881, 865, 849, 832};
    }
    void slides()
    {
        QFETCH(int, slot);
        QFETCH(int, panel);
        QFETCH(int, top);
        QFETCH(std::vector<int>, lefts);
        DayCarousel wheel(FormHomes);
        QVERIFY(wheel.Click(slot, Heights()));
        int ticks = 0;
        const auto placed = RunMove(wheel, &ticks);
        QCOMPARE(Lefts(placed[panel]), lefts);
        for (const QPoint& p : placed[panel])
            QCOMPARE(p.y(), top);
    }

    // Going down, a panel of another height keeps its bottom edge on the slots' bottom edges in the
    // lower half of the arc; the upper half runs between top-left corners.
    void lowerHalfRunsByTheBottomEdge()
    {
        Ids heights = Heights();
        heights[4] = 150;
        heights[5] = 200;
        DayCarousel wheel(FormHomes);
        QVERIFY(wheel.Click(2, heights));
        QCOMPARE(*wheel.Tick().Placed[3], FormHomes[3]);
        const auto& paths = wheel.paths();
        for (int k : {3, 4, 5}) {
            const QPoint end = paths[k].at(paths[k].L);
            QCOMPARE(paths[k].at(0), FormHomes[k]);
            QCOMPARE(end.x(), FormHomes[k + 1].x());
            QCOMPARE(end.y() + heights[k], FormHomes[k + 1].y() + heights[k + 1]);
        }
        for (int k : {0, 1, 2}) {
            QCOMPARE(paths[k].at(paths[k].L), FormHomes[k]);
            QCOMPARE(paths[k].at(0), FormHomes[k + 1]);
        }
    }

    void spareOfEachMove_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("days");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<Ids>("spares"); // the spare of moves 1, 2, 3
        QTest::newRow("down: four days after, at the top") << 0 << 4 << QPoint(835, 47) << Ids{7, 6, 5};
        QTest::newRow("up: four days before, beyond the bottom") << 6 << -4 << QPoint(996, 487) << Ids{7, 0, 1};
    }
    void spareOfEachMove()
    {
        QFETCH(int, slot);
        QFETCH(int, days);
        QFETCH(QPoint, at);
        QFETCH(Ids, spares);
        DayCarousel wheel(FormHomes);
        std::optional<CarouselMoveStart> start = wheel.Click(slot, Heights());
        for (int move = 0; move < 3; ++move) {
            QVERIFY(start);
            QCOMPARE(start->Spare, spares[move]);
            QCOMPARE(start->SpareDays, days);
            QCOMPARE(start->SpareAt, at);
            QCOMPARE(wheel.slotTable()[SpareSlot], start->Spare);
            QCOMPARE(wheel.stackFromTop().back(), start->Spare);
            int ticks = 0;
            RunMove(wheel, &ticks);
            start = wheel.FinishMove().Next;
        }
        QVERIFY(!start);
    }
};

QTEST_MAIN(DayCarouselTest)
#include "test_day_carousel.moc"
