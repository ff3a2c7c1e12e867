#include "app/main_window.h"
#include "emulator/emulated_hid_bus.h"
#include "forms/artwork_widget.h"
#include "store/activity_file.h"
#include "tests/support/builders.h"
#include "tests/support/scripted_folder_opener.h"
#include "tests/support/scripted_mailer.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_data_dir.h"
#include "today/date_texts.h"
#include "today/day_carousel_view.h"
#include "today/figure_texts.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {
const QDate Today(2010, 7, 21);
const char* const StartupPanels[] = {"PanelOne", "PanelTwo", "PanelThree", "PanelFour",
                                     "PanelFive", "PanelSix", "PanelSeven", "PanelBack"};
const QPoint Homes[] = {QPoint(835, 47), QPoint(753, 108), QPoint(702, 179), QPoint(667, 268),
                        QPoint(699, 364), QPoint(752, 421), QPoint(833, 487)};

// Steps that tell the days apart: 1000 + the day's distance from today, target 10000.
uint32_t StepsOf(int fromToday)
{
    return uint32_t(1000 + 100 * (fromToday + 10));
}

QLabel* Tagged(QWidget* panel, int tag)
{
    for (QLabel* l : panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        if (l->property("Tag").toInt() == tag)
            return l;
    return nullptr;
}

// The main window on TODAY for Ann, whose file holds every day from ten before today to ten after.
struct Fixture {
    TempDataDir dir;
    EmulatedHidBus bus;
    ScriptedPrompts prompts;
    ScriptedMailer mailer;
    ScriptedFolderOpener folders;
    std::unique_ptr<TForm1> form;
    DayCarouselView* wheel = nullptr;
    QTimer* timer = nullptr;

    Fixture()
    {
        DayRecordList days;
        for (int d = -10; d <= 10; ++d)
            days.push_back(Day(DateKey(Today.addDays(d)), StepsOf(d), 10000));
        dir.write(QStringLiteral("Ann.bin"), DayRecordsToBytes(days));
        form = std::make_unique<TForm1>(bus, prompts, mailer, folders, dir.path(), nullptr);
        form->setTodaySource([] { return Today; });
        form->state().CurrentUser = QStringLiteral("Ann");
        form->DisplayBtnClick();
        form->show();
        wheel = form->findChild<DayCarouselView*>();
        timer = form->findChild<QTimer*>(QStringLiteral("Timer1"));
    }

    QWidget* panel(const char* name) const { return form->findChild<QWidget*>(QString::fromLatin1(name)); }
    QWidget* slot(int k) const { return form->slotTable()[k]; }

    // A left click where the panel shows, not under a panel stacked above it.
    void click(QWidget* target) const
    {
        for (int y = target->height() - 4; y > 0; y -= 8) {
            for (int x = target->width() - 4; x > 0; x -= 8) {
                const QPoint at = target->mapTo(form.get(), QPoint(x, y));
                QWidget* hit = form->childAt(at);
                if (hit && (hit == target || target->isAncestorOf(hit))) {
                    QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(form.get(), at));
                    return;
                }
            }
        }
        QFAIL("panel covered");
    }
    void click(const char* name) const { click(panel(name)); }

    // Runs Timer1's ticks at once until the turn ends; the number of ticks it took.
    int finishTurn() const
    {
        int ticks = 0;
        while (timer->isActive() && ticks < 200) {
            wheel->Timer1Timer();
            ++ticks;
        }
        return ticks;
    }

    // The eight panels from the top of the stacking order down.
    QList<QWidget*> stackFromTop() const
    {
        QList<QWidget*> order;
        for (QObject* o : form->children())
            if (auto* w = qobject_cast<QWidget*>(o); w && form->slotTable().end()
                    != std::find(form->slotTable().begin(), form->slotTable().end(), w))
                order.prepend(w);
        return order;
    }
};
}

class DayWheelTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitFormResources(); }

    void atRest()
    {
        Fixture f;
        QVERIFY(f.wheel);
        QVERIFY(f.timer);
        QCOMPARE(f.timer->interval(), 20);
        QVERIFY(!f.timer->isActive());
        for (int k = 0; k < 8; ++k) {
            QCOMPARE(f.slot(k)->objectName(), QString::fromLatin1(StartupPanels[k]));
            if (k < 7)
                QCOMPARE(f.slot(k)->pos(), Homes[k]);
        }
        QVERIFY(!f.panel("PanelBack")->isVisible());
        // The hand over every part of a panel that turns the wheel; not over the front and the spare.
        for (int k = 0; k < 8; ++k) {
            const Qt::CursorShape expected = (k == 3 || k == 7) ? Qt::ArrowCursor : Qt::PointingHandCursor;
            QCOMPARE(f.slot(k)->cursor().shape(), expected);
            for (QWidget* part : f.slot(k)->findChildren<QWidget*>())
                QVERIFY2(part->cursor().shape() == expected, qPrintable(part->objectName()));
        }
    }

    // The top panel: three moves down, a day ahead each.
    void topPanelTurnsThreeDaysAhead()
    {
        Fixture f;
        QWidget* one = f.panel("PanelOne");
        f.click(one);
        QVERIFY(f.timer->isActive());
        QVERIFY(f.wheel->turning());
        // Disarmed: no hand anywhere while the wheel turns.
        for (int k = 0; k < 8; ++k)
            QCOMPARE(f.slot(k)->cursor().shape(), Qt::ArrowCursor);
        // The spare enters at the top with today + 4, below every other panel.
        QWidget* back = f.panel("PanelBack");
        QVERIFY(back->isVisible());
        QCOMPARE(Tagged(back, 0)->text(), FormatThousands(StepsOf(4)));
        QCOMPARE(Tagged(back, 2)->text(), QStringLiteral("25"));
        QCOMPARE(f.stackFromTop().first(), one);
        QCOMPARE(f.stackFromTop().last(), back);

        QCOMPARE(f.finishTurn(), 33);
        QVERIFY(!f.timer->isActive());
        QCOMPARE(f.form->state().DayOffset, 3);
        QCOMPARE(f.slot(3), one);
        for (int k = 0; k < 7; ++k) {
            QCOMPARE(f.slot(k)->pos(), Homes[k]);
            QVERIFY(f.slot(k)->isVisible());
            QCOMPARE(Tagged(f.slot(k), 0)->text(), FormatThousands(StepsOf(3 + 3 - k)));
        }
        QVERIFY(!f.slot(7)->isVisible());
        // The clicked panel on top, then slots 4, 5, 6, 2, 1, 0.
        const QList<QWidget*> stack = f.stackFromTop();
        QCOMPARE(stack.mid(0, 7), (QList<QWidget*>{one, f.slot(4), f.slot(5), f.slot(6), f.slot(2), f.slot(1),
                                                    f.slot(0)}));
        // Above the window's background picture.
        QVERIFY(f.form->children().indexOf(f.form->findChild<QWidget*>(QStringLiteral("MainBMPImage")))
                < f.form->children().indexOf(stack.last()));
        // TODAY shows the new day, and the wheel is armed again around the new front.
        QCOMPARE(f.form->findChild<QLabel*>(QStringLiteral("DayLabel"))->text(), QStringLiteral("24"));
        QCOMPARE(f.form->findChild<QLabel*>(QStringLiteral("StepEdit"))->text(), FormatThousands(StepsOf(3)));
        QCOMPARE(one->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(f.slot(0)->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(f.slot(6)->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(f.slot(7)->cursor().shape(), Qt::ArrowCursor);
    }

    // The bottom panel: three moves up; each brings in at the bottom the day four before the selected
    // date of that moment.
    void bottomPanelTurnsThreeDaysBack()
    {
        Fixture f;
        QWidget* seven = f.panel("PanelSeven");
        f.click(seven);
        QVERIFY(f.timer->isActive());
        for (int move = 0; move < 3; ++move) {
            QWidget* spare = f.slot(7);
            QCOMPARE(Tagged(spare, 0)->text(), FormatThousands(StepsOf(-move - 4)));
            QCOMPARE(Tagged(spare, 4)->text(), TargetPercentText(StepsOf(-move - 4), 10000));
            f.wheel->Timer1Timer();
            QCOMPARE(spare->pos(), QPoint(996, 487));
            while (f.slot(6) != spare && f.timer->isActive())
                f.wheel->Timer1Timer();
            QCOMPARE(f.slot(6), spare);
            QCOMPARE(f.form->state().DayOffset, -move - 1);
        }
        QVERIFY(!f.timer->isActive());
        QCOMPARE(f.slot(3), seven);
        QCOMPARE(f.stackFromTop().first(), seven);
        QCOMPARE(f.form->findChild<QLabel*>(QStringLiteral("StepEdit"))->text(), FormatThousands(StepsOf(-3)));
        QCOMPARE(Tagged(f.slot(0), 2)->text(), QStringLiteral("21"));
        QCOMPARE(Tagged(f.slot(6), 2)->text(), QStringLiteral("15"));
    }

    void clicksThatChangeNothing()
    {
        Fixture f;
        // The front panel, and the spare even where it would show.
        f.click("PanelFour");
        QTest::mouseClick(f.panel("PanelBack"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!f.timer->isActive());
        QCOMPARE(f.form->state().DayOffset, 0);
        QCOMPARE(f.slot(3), f.panel("PanelFour"));

        // During a turn: neither another panel nor the clicked one again.
        f.click("PanelThree");
        f.wheel->Timer1Timer();
        f.click("PanelSeven");
        f.click("PanelOne");
        f.click("PanelThree");
        QCOMPARE(f.wheel->model().stepsLeft(), 1);
        QCOMPARE(f.wheel->model().direction(), CarouselDirection::Down);
        // The rest of the move's eleven ticks.
        QCOMPARE(f.finishTurn(), 10);
        QCOMPARE(f.form->state().DayOffset, 1);
        QCOMPARE(f.slot(3), f.panel("PanelThree"));
    }

    // A turn runs through all its moves whatever the sections do meanwhile; TODAY afterwards shows
    // today again, the panels stay where the wheel left them.
    void sectionsDuringAndAfterATurn()
    {
        Fixture f;
        f.click("PanelOne");
        for (int t = 0; t < 5; ++t)
            f.wheel->Timer1Timer();
        f.click(f.form->findChild<QWidget*>(QStringLiteral("RecordLabel")));
        for (int k = 0; k < 8; ++k)
            QVERIFY(!f.slot(k)->isVisible());
        while (f.form->state().DayOffset < 1)
            f.wheel->Timer1Timer();
        // A move ended and the next began while RECORD is shown: no panel of the wheel over the charts.
        for (int k = 0; k < 8; ++k)
            QVERIFY(!f.slot(k)->isVisible());
        QVERIFY(f.form->findChild<QWidget*>(QStringLiteral("StepsPanel"))->isVisible());
        // Entering TODAY resets the day offset; the remaining moves still count from there.
        f.form->DisplayBtnClick();
        QCOMPARE(f.form->state().DayOffset, 0);
        QVERIFY(f.slot(7)->isVisible());
        f.finishTurn();
        QCOMPARE(f.form->state().DayOffset, 2);
        QCOMPARE(f.form->findChild<QLabel*>(QStringLiteral("DayLabel"))->text(), QStringLiteral("23"));

        f.click(f.form->findChild<QWidget*>(QStringLiteral("RecordLabel")));
        for (int k = 0; k < 8; ++k)
            QVERIFY(!f.slot(k)->isVisible());
        f.click(f.form->findChild<QWidget*>(QStringLiteral("TodayLabel")));
        QCOMPARE(f.form->state().DayOffset, 0);
        QCOMPARE(f.slot(3), f.panel("PanelOne"));
        QCOMPARE(Tagged(f.slot(3), 0)->text(), FormatThousands(StepsOf(0)));
        QCOMPARE(f.form->findChild<QLabel*>(QStringLiteral("StepEdit"))->text(), FormatThousands(StepsOf(0)));
        QVERIFY(!f.slot(7)->isVisible());
    }

    // The spare shows zeros for a day without a record, also when the user's file is gone.
    void spareOfADayWithoutRecord()
    {
        Fixture f;
        f.form->state().CurrentUser = QStringLiteral("Nobody");
        f.form->DisplayBtnClick();
        f.click("PanelOne");
        QCOMPARE(Tagged(f.slot(7), 0)->text(), QStringLiteral("0"));
        QCOMPARE(Tagged(f.slot(7), 4)->text(), QStringLiteral("0%"));
        QCOMPARE(Tagged(f.slot(7), 3)->text(), QStringLiteral(" Step"));
        f.finishTurn();
    }

    // At the real 20 ms: two moves up take 22 ticks, so well under a second.
    void realTimer()
    {
        Fixture f;
        QSignalSpy finished(f.wheel, &DayCarouselView::rotationFinished);
        QElapsedTimer clock;
        clock.start();
        f.click("PanelSix");
        QVERIFY(finished.wait(3000));
        QVERIFY(clock.elapsed() >= 22 * 20 - 5);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(f.form->state().DayOffset, -2);
        QCOMPARE(f.slot(3), f.panel("PanelSix"));
        QVERIFY(!f.timer->isActive());
    }
};

QTEST_MAIN(DayWheelTest)
#include "test_day_wheel.moc"
