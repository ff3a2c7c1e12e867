#include "forms/artwork_widget.h"
#include "forms/click_binder.h"
#include "forms/form_look.h"
#include "catalog/catalog_file.h"
#include "app/main_window.h"
#include "app/prompts_dialog.h"
#include "charts/record_view.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "loading/loading_window.h"
#include "profiles/settings_window.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "tests/support/builders.h"
#include "tests/support/held_prompts.h"
#include "tests/support/scripted_folder_opener.h"
#include "tests/support/scripted_mailer.h"
#include "tests/support/temp_data_dir.h"
#include "today/day_carousel_view.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// A key pressed where the keyboard focus is, as a user's key arrives.
void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    if (to)
        QTest::keyClick(to, Qt::Key(key), modifiers);
}

// Tabs until target has the focus; false when a full round of the window does not reach it.
bool TabTo(QWidget* target)
{
    for (int i = 0; i < 80 && target && !target->hasFocus(); ++i)
        Press(Qt::Key_Tab);
    return target && target->hasFocus();
}

// Runs action once window is up, from the event loop the window's modal showing runs.
void WhenShown(QWidget* window, std::function<void()> action)
{
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, poll, [window, poll, action] {
        if (!window->isVisible() || QApplication::activeWindow() != window)
            return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start(5);
}

bool Underlined(QWidget* w)
{
    return static_cast<QLabel*>(w)->font().underline();
}

// The three windows of a start on an emulated pedometer, as the entry builds them.
struct Start {
    TempDataDir& dir;
    EmulatedHidBus bus;
    HeldPrompts held;
    ScriptedMailer mailer;
    ScriptedFolderOpener folders;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;

    explicit Start(TempDataDir& d)
        : dir(d)
    {
        bus.model()->setHistory(GenerateHistory(11, true, 70, 65));
        bus.model()->setProfile(true, 50, 90, 5000, 8, 0);
        form1 = std::make_unique<TForm1>(bus, held, mailer, folders, dir.path(), nullptr);
        form2 = std::make_unique<TForm2>(form1->state(), form1->link(), held);
        form2->setSyncDelayMs(0);
        TForm3::Timing timing;
        timing.dotIntervalMs = 10;
        timing.retryPauseMs = 1;
        form3 = std::make_unique<TForm3>(form1->state(), form1->link(), held, timing);
        form1->setStartupWindows(form2.get(), form3.get());
    }
    template <typename T = QWidget>
    T* w1(const char* name) const { return form1->findChild<T*>(QString::fromLatin1(name)); }
    template <typename T = QWidget>
    T* w2(const char* name) const { return form2->findChild<T*>(QString::fromLatin1(name)); }
};

// The main window alone with Ann current, on TODAY; the record panels' controls are reached by
// entering RECORD first.
struct MainFixture {
    TempDataDir dir;
    EmulatedHidBus bus;
    ScriptedPrompts prompts;
    ScriptedMailer mailer;
    ScriptedFolderOpener folders;
    std::unique_ptr<TForm1> form;

    MainFixture()
    {
        dir.write(QStringLiteral("Ann.bin"),
                  DayRecordsToBytes({Day(20100720, 5, 8000, 5, 7, 1), Day(20100722, 12345, 10000, 876, 4567, 95)}));
        form = std::make_unique<TForm1>(bus, prompts, mailer, folders, dir.path(), nullptr);
        form->setTodaySource([] { return QDate(2010, 7, 22); });
        form->state().Clients.push_back(MetricClient(QStringLiteral("Ann")));
        form->state().CurrentUser = QStringLiteral("Ann");
        form->DisplayBtnClick();
        form->show();
    }
    QWidget* w(const QString& name) const { return form->findChild<QWidget*>(name); }
    DayCarouselView* wheel() const { return form->findChild<DayCarouselView*>(); }
    // What a press can change, in one line.
    QString snapshot() const
    {
        if (!QTest::qWaitFor([this] { return !wheel()->turning(); }, 5000))
            return QStringLiteral("the wheel did not stop");
        QStringList s;
        for (const char* name : {"TodayLabel", "RecordLabel", "UserSettingLabel", "SendLabel"}) {
            if (TextColor(form->findChild<QLabel*>(QString::fromLatin1(name))) == QColor(255, 255, 255))
                s << QString::fromLatin1(name);
        }
        for (const char* panel : {"StepsPanel", "DistancePanel", "CaloriePanel", "WalkingTimePanel", "TodayPanel"}) {
            if (!w(QString::fromLatin1(panel))->isHidden())
                s << QString::fromLatin1(panel);
        }
        s << QString::number(int(form->state().PeriodMode)) << QString::number(form->state().DayOffset)
          << QString::number(mailer.sent().size());
        return s.join(QLatin1Char(' '));
    }
};

QString PressAction(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (!iface || !iface->actionInterface())
        return QStringLiteral("no action interface");
    if (!iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()))
        return QStringLiteral("no press action");
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    return QString();
}

// Every widget of window that the keyboard reaches by Tab and that is not a standard input.
QStringList KeyboardControls(QWidget* window)
{
    QStringList names;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if ((w->focusPolicy() & Qt::TabFocus) && !qobject_cast<QLineEdit*>(w) && !w->inherits("QAbstractButton")
            && !w->inherits("QAbstractScrollArea") && !qobject_cast<QAbstractScrollArea*>(w->parentWidget()))
            names << w->objectName();
    }
    return names;
}

// The settings window on two profiles; with editor, New has opened the editor, on female when female
// is set (so that choosing male shows).
struct SettingsFixture {
    TempDataDir dir;
    AppState state;
    ScriptedPrompts prompts;
    EmulatedHidBus bus;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<TForm2> form;
    SettingsFixture(bool editor, bool female)
    {
        state.Catalog = DefaultCatalog();
        state.ExeDir = dir.path() + QLatin1Char('/');
        state.UserListPath = dir.filePath(QStringLiteral("Kinetrax.dat"));
        dir.write(QStringLiteral("Kinetrax.dat"), "SoftName:Kinetrax\r\n[Client]\r\n2\r\n"
                                                  "Bob,2,41,510,176,29,10000,0,1\r\n"
                                                  "Ann,1,34,165,58,68,8000,1,1\r\n");
        link = std::make_unique<DeviceLink>(bus, prompts, state.Catalog);
        link->setWaitScale(0.1);
        link->ConnectPedometer();
        form = std::make_unique<TForm2>(state, *link, prompts);
        form->setSyncDelayMs(0);
        form->show();
        if (editor)
            form->NewBtnClick();
        if (female)
            form->FemaleLabelClick();
    }
    QString snapshot() const
    {
        QStringList s;
        s << QString::number(form->selectedRow()) << QString::number(form->isVisible())
          << QString::number(form->findChild<QWidget*>(QStringLiteral("UserPanel2"))->isHidden())
          << QString::number(form->findChild<QWidget*>(QStringLiteral("MaleSelectImage"))->isHidden())
          << QString::number(state.UserCount()) << state.CurrentUser << prompts.texts().join(QLatin1Char('|'));
        return s.join(QLatin1Char(' '));
    }
};

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitFormResources(); }

    // A whole run with the keyboard alone, each step checked by what the windows show.
    void keyboardAloneFromStartToSend()
    {
        TempDataDir dir;
        QVERIFY(SaveUserList(dir.filePath(QStringLiteral("Kinetrax.dat")),
                             {MetricClient(QStringLiteral("Bob")), MetricClient(QStringLiteral("Ann"))}));
        Start s(dir);
        bool chose = false;
        WhenShown(s.form2.get(), [&] {
            // A failed check must not leave the modal window waiting for keys that never come.
            const auto closeOnFailure = qScopeGuard([&] {
                if (!chose && s.form2->isVisible())
                    s.form2->reject();
            });
            QLabel* row1 = s.w2<QLabel>("UserNameLabel1");
            // Round the window back to the list: the row to be chosen shows its frame and the mark.
            Press(Qt::Key_Tab);
            QVERIFY(TabTo(row1));
            QVERIFY(FocusMarkOf(row1));
            QVERIFY(s.w2("UserShape1")->isVisible());
            Press(Qt::Key_Down);
            QCOMPARE(s.form2->selectedRow(), 2);
            QVERIFY(s.w2("UserNameLabel2")->hasFocus());
            QVERIFY(FocusMarkOf(s.w2("UserNameLabel2")));
            QCOMPARE(FocusMarkOf(s.w2("UserNameLabel2"))->geometry(), s.w2("UserShape1")->geometry().adjusted(-3, -3, 3, 3));
            QCOMPARE(s.w2("UserShape1")->y(), 40 * 2 + 106);
            Press(Qt::Key_Home);
            QCOMPARE(s.form2->selectedRow(), 1);
            Press(Qt::Key_End);
            QCOMPARE(s.form2->selectedRow(), 2);
            chose = true;
            Press(Qt::Key_Return); // OK
        });
        QSignalSpy settingsDone(s.form2.get(), &QDialog::finished);
        s.form1->show();
        QVERIFY(QTest::qWaitFor([&] { return !settingsDone.isEmpty(); }, 20000));
        QVERIFY(chose);
        QCOMPARE(s.form1->state().CurrentUser, QStringLiteral("Ann"));
        QVERIFY(s.form1->todayActive());
        // The window manager's part: the main window is active again once the modal window is gone.
        s.form1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.form1.get()));

        // TODAY: the day wheel by two days; a key during a turn is refused as a click is.
        auto* wheel = s.form1->findChild<DayCarouselView*>();
        QVERIFY(TabTo(s.form1->slotTable()[3]));
        QVERIFY(FocusMarkOf(s.form1->slotTable()[3]));
        Press(Qt::Key_Right);
        QVERIFY(wheel->turning());
        Press(Qt::Key_Right);
        QTRY_VERIFY_WITH_TIMEOUT(!wheel->turning(), 5000);
        QCOMPARE(s.form1->state().DayOffset, 1);
        QVERIFY(s.form1->slotTable()[3]->hasFocus());
        Press(Qt::Key_Up);
        QTRY_VERIFY_WITH_TIMEOUT(!wheel->turning(), 5000);
        QCOMPARE(s.form1->state().DayOffset, 2);
        const QDate shown = s.form1->today().addDays(2);
        QCOMPARE(s.w1<QLabel>("DayLabel")->text(), QString::number(shown.day()));

        // RECORD, weekly, the Distance tab.
        QVERIFY(TabTo(s.w1("RecordLabel")));
        Press(Qt::Key_Space);
        QVERIFY(!s.form1->todayActive());
        QVERIFY(s.w1("StepsPanel")->isVisible());
        QVERIFY(s.w1("TodayPanel")->isHidden());
        QVERIFY(TabTo(s.w1("StepsDailyImage")));
        Press(Qt::Key_Right);
        QCOMPARE(s.form1->state().PeriodMode, PeriodMode::Weekly);
        QVERIFY(s.w1("StepsWeeklyImage")->hasFocus());
        QVERIFY(Underlined(s.w1("DistanceWeeklyLabel")));
        QVERIFY(!Underlined(s.w1("DistanceDailyLabel")));
        QVERIFY(TabTo(s.w1("StepsHeadImage2")));
        Press(Qt::Key_Right);
        QVERIFY(s.w1("DistanceHeadImage2")->hasFocus());
        QVERIFY(s.w1("DistancePanel")->isVisible());
        QVERIFY(s.w1("StepsPanel")->isHidden());
        QVERIFY(s.w1("DistanceHeadLabelH")->isVisible());
        QCOMPARE(s.form1->recordView().shownView().Mode, PeriodMode::Weekly);

        // USER SETTING: the editor, a new weight, Save; the pedometer gets it.
        bool saved = false;
        WhenShown(s.form2.get(), [&] {
            const auto closeOnFailure = qScopeGuard([&] {
                if (!saved && s.form2->isVisible())
                    s.form2->reject();
            });
            QVERIFY(TabTo(s.w2("WeightEdit")));
            Press(Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("61"));
            QVERIFY(TabTo(s.w2("SaveImage")));
            QVERIFY(FocusMarkOf(s.w2("SaveImage")));
            saved = true;
            Press(Qt::Key_Return);
        });
        QVERIFY(TabTo(s.w1("UserSettingLabel")));
        Press(Qt::Key_Enter);
        QVERIFY(saved);
        QVERIFY(s.form2->isHidden());
        QCOMPARE(int(s.bus.model()->profile().Weight), 61);
        QVERIFY(TextColor(s.w1<QLabel>("RecordLabel")) == QColor(255, 255, 255));

        // SEND by its shortcut.
        s.form1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.form1.get()));
        Press(Qt::Key_4, Qt::ControlModifier);
        QCOMPARE(s.mailer.sent().size(), 1);
        QCOMPARE(s.mailer.sent().first().AttachmentPath, dir.filePath(QStringLiteral("Ann.csv")));
    }

    // An active window hands the focus to its first control: no mark for a mouse user, whose click
    // takes no focus either; a key shows it.
    void theMarkShowsOnlyForTheKeyboard()
    {
        MainFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        QTest::mouseClick(f.w(QStringLiteral("RecordLabel")), Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(!f.form->todayActive());
        QVERIFY(!f.w(QStringLiteral("RecordLabel"))->hasFocus());
        for (QWidget* mark : f.form->findChildren<QWidget*>(QStringLiteral("FocusMark")))
            QVERIFY(mark->isHidden());
        QVERIFY(TabTo(f.w(QStringLiteral("SendLabel"))));
        QVERIFY(FocusMarkOf(f.w(QStringLiteral("SendLabel"))));
        Press(Qt::Key_Tab);
        QVERIFY(!FocusMarkOf(f.w(QStringLiteral("SendLabel"))));
    }

    // Alt and Ctrl with 1 to 4 choose the sections; not while a message box is open.
    void shortcutsChooseSectionsButNotBehindABox()
    {
        MainFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        Press(Qt::Key_2, Qt::AltModifier);
        QVERIFY(!f.form->todayActive());
        Press(Qt::Key_1, Qt::ControlModifier);
        QVERIFY(f.form->todayActive());
        Press(Qt::Key_2, Qt::ControlModifier);
        Press(Qt::Key_1, Qt::AltModifier);
        QVERIFY(f.form->todayActive());
        QCOMPARE(QAccessible::queryAccessibleInterface(f.w(QStringLiteral("RecordLabel")))
                     ->text(QAccessible::Description),
                 QStringLiteral("Alt+2, Ctrl+2"));

        DialogPrompts prompts;
        prompts.setParentWindow(f.form.get());
        bool boxSeen = false;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(QTest::qWaitForWindowActive(box));
            Press(Qt::Key_2, Qt::AltModifier);
            QTest::keyClick(f.form.get(), Qt::Key_4, Qt::ControlModifier);
            boxSeen = true;
            box->accept();
        });
        prompts.showMessage(QStringLiteral("Kinetrax"), QStringLiteral("No device!"), PromptFlags::Stop);
        QVERIFY(boxSeen);
        QVERIFY(f.form->todayActive());
        QCOMPARE(f.mailer.sent().size(), 0);
    }

    // Every control a click acts on: its role, a name from the catalog, and a press action that does
    // what the click does (each compared on a fresh window).
    void mainWindowControlsAreNamedAndPressLikeAClick_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("inRecord");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("accessibleName");
        const int tab = QAccessible::PageTab;
        const int radio = QAccessible::RadioButton;
        QTest::newRow("TODAY") << "TodayLabel" << true << tab << "Today";
        QTest::newRow("RECORD") << "RecordLabel" << false << tab << "Record";
        QTest::newRow("USER SETTING") << "UserSettingLabel" << false << tab << "User Setting";
        QTest::newRow("SEND") << "SendLabel" << false << tab << "Send";
        QTest::newRow("day panel above the front") << "PanelThree" << false << int(QAccessible::Button)
                                                   << "23 Jul 2010, 0 Step, 0%";
        QTest::newRow("front day panel") << "PanelFour" << false << int(QAccessible::Button)
                                         << "22 Jul 2010, 12,345 Step, 100%";
        const char* const prefixes[] = {"Steps", "Distance", "Calorie", "WalkingTime"};
        const char* const measures[] = {"Steps", "Distance", "Calories", "Walking Time"};
        const char* const periods[] = {"Daily", "Weekly", "Monthly", "Yearly"};
        for (int m = 0; m < 4; ++m) {
            for (const char* p : periods) {
                for (const char* kind : {"Image", "Label"}) {
                    const QString n = QString::fromLatin1(prefixes[m]) + QString::fromLatin1(p) + QString::fromLatin1(kind);
                    QTest::newRow(qPrintable(n)) << n << true << radio
                                                 << QStringLiteral("%1 (%2)").arg(QString::fromLatin1(p),
                                                                                  QString::fromLatin1(measures[m]));
                }
            }
        }
        const char* const tabImages[] = {"StepsHeadImage2", "DistanceHeadImage2", "CalorieHeadImage2",
                                         "WalkingTimeHeadImage2"};
        const char* const tabCaptions[] = {"StepsHeadLabelL", "DistanceHeadLabelL", "CaloriesHeadLabelL",
                                           "WalkingTimeHeadLabelL"};
        for (int m = 0; m < 4; ++m) {
            QTest::newRow(tabImages[m]) << tabImages[m] << true << tab << measures[m];
            QTest::newRow(tabCaptions[m]) << tabCaptions[m] << true << tab << measures[m];
        }
    }

    void mainWindowControlsAreNamedAndPressLikeAClick()
    {
        QFETCH(QString, name);
        QFETCH(bool, inRecord);
        QFETCH(int, role);
        QFETCH(QString, accessibleName);
        // The period buttons and tabs of a panel other than Steps are reached after choosing its tab.
        auto prepare = [&](MainFixture& f) {
            if (!inRecord)
                return;
            f.form->BarChartBtnClick();
            // A tab starts away from the panel it chooses, a period button's panel is shown, and Daily
            // starts from another period, so that every press shows.
            if (name.contains(QStringLiteral("Head"))) {
                ActivateBound(f.w(name.startsWith(QStringLiteral("WalkingTime")) ? QStringLiteral("StepsHeadImage2")
                                                                                  : QStringLiteral("WalkingTimeHeadImage2")));
            } else {
                for (const char* t : {"Distance", "Calorie", "WalkingTime"}) {
                    if (name.startsWith(QString::fromLatin1(t)))
                        ActivateBound(f.w(QString::fromLatin1(t) + QStringLiteral("HeadImage2")));
                }
            }
            if (name.contains(QStringLiteral("Daily")))
                f.form->recordView().YearlyBtnClick();
        };

        MainFixture clicked;
        prepare(clicked);
        QWidget* target = clicked.w(name);
        QVERIFY(target);
        QVERIFY(target->isVisible());
        const QString before = clicked.snapshot();
        if (name.contains(QStringLiteral("HeadImage2")) || name.contains(QStringLiteral("HeadLabelL")))
            QTest::mousePress(target, Qt::LeftButton, {}, QPoint(3, 3));
        else
            QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(3, 3));
        const QString afterClick = clicked.snapshot();

        MainFixture pressed;
        prepare(pressed);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(pressed.w(name));
        QVERIFY(iface);
        QCOMPARE(int(iface->role()), role);
        QCOMPARE(iface->text(QAccessible::Name), accessibleName);
        QCOMPARE(PressAction(pressed.w(name)), QString());
        QCOMPARE(pressed.snapshot(), afterClick);
        // A click on the front panel does nothing; USER SETTING gives its highlight back once the
        // settings window (not built here) returns.
        if (name != QStringLiteral("PanelFour") && name != QStringLiteral("UserSettingLabel"))
            QVERIFY2(afterClick != before, qPrintable(before));

        // The chosen one says so.
        if (role == QAccessible::RadioButton)
            QVERIFY(iface->state().checkable && iface->state().checked);
        if (name.startsWith(QStringLiteral("Today")) || name.contains(QStringLiteral("Head")))
            QVERIFY(iface->state().selectable && iface->state().selected);
    }

    // Nothing the keyboard reaches in the main and loading windows is left out of the table above.
    void everyKeyboardControlOfTheMainWindowIsInTheTable()
    {
        MainFixture f;
        QStringList expected = {"TodayLabel", "RecordLabel", "UserSettingLabel", "SendLabel", "StepsHeadImage2",
                                "DistanceHeadImage2", "CalorieHeadImage2", "WalkingTimeHeadImage2"};
        for (const char* p : {"Steps", "Distance", "Calorie", "WalkingTime", "ModerateSteps", "ModerateTime"})
            for (const char* period : {"Daily", "Weekly", "Monthly", "Yearly"})
                expected << QString::fromLatin1(p) + QString::fromLatin1(period) + QStringLiteral("Image");
        expected << f.form->slotTable()[3]->objectName(); // the front panel: the wheel's one stop
        QStringList found = KeyboardControls(f.form.get());
        found.sort();
        expected.sort();
        QCOMPARE(found.join(QLatin1Char(' ')), expected.join(QLatin1Char(' ')));
    }

    // Tab runs through the sections, then the controls of the section shown, and round again.
    void tabOrderIsSectionsThenTheSectionsControls()
    {
        MainFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        auto walk = [&](int steps) {
            QStringList seen;
            if (!TabTo(f.w(QStringLiteral("TodayLabel"))))
                return QStringList{QStringLiteral("TODAY not reached")};
            for (int i = 0; i < steps; ++i) {
                Press(Qt::Key_Tab);
                seen << QApplication::focusWidget()->objectName();
            }
            return seen;
        };
        const QString front = f.form->slotTable()[3]->objectName();
        QCOMPARE(walk(5), (QStringList{"RecordLabel", "UserSettingLabel", "SendLabel", front, "TodayLabel"}));
        f.form->BarChartBtnClick();
        ActivateBound(f.w(QStringLiteral("DistanceHeadImage2")));
        // The chart, a stop of its own, reads its caption and period.
        QCOMPARE(walk(13), (QStringList{"RecordLabel", "UserSettingLabel", "SendLabel", "StepsHeadImage2",
                                        "DistanceHeadImage2", "CalorieHeadImage2", "WalkingTimeHeadImage2",
                                        "DistanceDailyImage", "DistanceWeeklyImage", "DistanceMonthlyImage",
                                        "DistanceYearlyImage", "DistanceChart", "TodayLabel"}));
    }

    // What a screen reader reads for the figures: each with its caption, in the catalog's words.
    void figuresReadWithTheirCaptions()
    {
        MainFixture f;
        const auto name = [&](const char* control) {
            return f.w(QString::fromLatin1(control))->accessibleName();
        };
        QCOMPARE(name("StepEdit"), QStringLiteral("Step: 12,345"));
        QCOMPARE(name("DistanceEdit"), QStringLiteral("Distance: 8.76km"));
        QCOMPARE(name("TotalPanelTargetSteppercentumLabel"), QStringLiteral("Goal: 100%"));
        QCOMPARE(name("DateLabel"), QStringLiteral("22nd Jul 2010"));
        f.form->BarChartBtnClick();
        QCOMPARE(name("StepsTotalLabel"), QStringLiteral("Steps, Total:12350steps"));
        f.form->recordView().WeeklyBtnClick();
        QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(f.w(QStringLiteral("DistanceChart")));
        QVERIFY(chart);
        QVERIFY2(chart->text(QAccessible::Name).contains(f.w(QStringLiteral("lbDistancePanelDate"))
                                                              ->property("text").toString()),
                 qPrintable(chart->text(QAccessible::Name)));
    }

    // In the settings window: the selected row (the list's one stop), the buttons and the gender choice.
    void everyKeyboardControlOfTheSettingsWindowIsInTheTable()
    {
        SettingsFixture f(true, false);
        QStringList found = KeyboardControls(f.form.get());
        found.sort();
        QCOMPARE(found.join(QLatin1Char(' ')), QStringLiteral("DelImage ExitImage FemaleImage MaleImage1 NewImage "
                                                              "OkImage SaveImage UserNameLabel3"));
    }

    // The settings window: buttons, gender choice and rows, pressed like a click.
    void settingsControlsAreNamedAndPressLikeAClick_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("inEditor");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("accessibleName");
        const int button = QAccessible::Button;
        QTest::newRow("New") << "NewImage" << false << button << "New";
        QTest::newRow("Del") << "DelImage" << false << button << "Del";
        QTest::newRow("OK") << "OkImage" << false << button << "OK";
        QTest::newRow("row 2") << "UserNameLabel2" << false << int(QAccessible::ListItem) << "Ann, Female";
        QTest::newRow("male") << "MaleImage1" << true << int(QAccessible::RadioButton) << "male";
        QTest::newRow("female") << "FemaleImage" << true << int(QAccessible::RadioButton) << "female";
        QTest::newRow("Save") << "SaveImage" << true << button << "Save";
        QTest::newRow("Exit") << "ExitImage" << true << button << "Exit";
    }

    void settingsControlsAreNamedAndPressLikeAClick()
    {
        QFETCH(QString, name);
        QFETCH(bool, inEditor);
        QFETCH(int, role);
        QFETCH(QString, accessibleName);
        const bool female = name == QStringLiteral("MaleImage1");
        SettingsFixture clicked(inEditor, female);
        QWidget* target = clicked.form->findChild<QWidget*>(name);
        QVERIFY(target && target->isVisible());
        const QString before = clicked.snapshot();
        QTest::mousePress(target, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(3, 3));
        const QString afterClick = clicked.snapshot();
        QVERIFY2(afterClick != before, qPrintable(before));

        SettingsFixture pressed(inEditor, female);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(pressed.form->findChild<QWidget*>(name));
        QVERIFY(iface);
        QCOMPARE(int(iface->role()), role);
        QCOMPARE(iface->text(QAccessible::Name), accessibleName);
        QCOMPARE(PressAction(pressed.form->findChild<QWidget*>(name)), QString());
        QCOMPARE(pressed.snapshot(), afterClick);
    }
};

QTEST_MAIN(KeyboardTest)
#include "test_keyboard.moc"
