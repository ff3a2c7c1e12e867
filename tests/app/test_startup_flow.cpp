#include "forms/artwork_widget.h"
#include "app/main_window.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "loading/display_thread.h"
#include "loading/loading_window.h"
#include "profiles/settings_window.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "platform/single_instance.h"
#include "tests/support/builders.h"
#include "tests/support/held_prompts.h"
#include "tests/support/scripted_folder_opener.h"
#include "tests/support/scripted_mailer.h"
#include "tests/support/temp_data_dir.h"
#include "today/figure_texts.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace {
const QString Greeting = QStringLiteral("Welcome to the Kinetrax! Please create your user profile.");

// The three windows of a start, as the entry builds them, on an emulated pedometer with eight days of
// history. Timers are short so that nothing waits long.
struct StartOptions {
    bool pedometer = true;
    PedometerFaults faults;
    int loadingLimitMs = 10000;
    double waitScale = 1.0;   // of the link's waits and write limit
};

// A worker's messages wait for the GUI thread, as with the real boxes.
struct Start {

    TempDataDir& dir;
    EmulatedHidBus bus;
    HeldPrompts held;
    ScriptedPrompts& prompts = held.script();
    ScriptedMailer mailer;
    ScriptedFolderOpener folders;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    bool loadingShown = false;

    explicit Start(TempDataDir& d, const StartOptions& options = StartOptions())
        : dir(d)
    {
        bus.model()->setHistory(GenerateHistory(11, true, 70, 65));
        bus.model()->setProfile(true, 50, 90, 5000, 8, 0);
        bus.model()->setFaults(options.faults);
        if (!options.pedometer)
            bus.unplug();
        form1 = std::make_unique<TForm1>(bus, held, mailer, folders, dir.path(), nullptr);
        form1->link().setWaitScale(options.waitScale);
        form2 = std::make_unique<TForm2>(form1->state(), form1->link(), held);
        form2->setSyncDelayMs(0);
        TForm3::Timing timing;
        timing.dotIntervalMs = 10;
        timing.limitMs = options.loadingLimitMs;
        timing.retryPauseMs = 1;
        form3 = std::make_unique<TForm3>(form1->state(), form1->link(), held, timing);
        form1->setStartupWindows(form2.get(), form3.get());
    }

    // Runs action once the settings window is up for the start-up selection.
    void whenSettingsShown(std::function<void()> action)
    {
        auto* poll = new QTimer(form1.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, action] {
            loadingShown = loadingShown || form3->isVisible();
            if (!form2->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            QTimer::singleShot(50, form2.get(), action);
        });
        poll->start(5);
    }

    // Shows the main window and waits until the start-up selection is over.
    bool runUntilSettled()
    {
        QSignalSpy ended(form1.get(), &TForm1::programEnded);
        QSignalSpy settingsDone(form2.get(), &QDialog::finished);
        form1->show();
        return QTest::qWaitFor([&] { return !ended.isEmpty() || !settingsDone.isEmpty(); }, 15000);
    }

    QString text(const char* label) const
    {
        return form1->findChild<QLabel*>(QString::fromLatin1(label))->text();
    }
};
}

class StartupFlowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitFormResources(); }

    void firstStartCreatesProfileAndSynchronizes()
    {
        TempDataDir dir;
        Start s(dir);
        QSignalSpy ended(s.form1.get(), &TForm1::programEnded);
        s.whenSettingsShown([&] {
            s.form2->findChild<QLineEdit*>(QStringLiteral("NameEdit"))->setText(QStringLiteral("Ann"));
            s.form2->SaveBtnClick();
        });
        QVERIFY(s.runUntilSettled());
        QVERIFY(ended.isEmpty());
        QVERIFY(s.loadingShown);
        QVERIFY(s.prompts.texts().contains(Greeting));
        QVERIFY(s.prompts.texts().contains(QStringLiteral("Synchronization OK!   ")));

        const UserListFile list = LoadUserList(dir.filePath(QStringLiteral("Kinetrax.dat")));
        QCOMPARE(list.Clients.size(), std::size_t(1));
        const TClient& ann = list.Clients.front();
        QCOMPARE(ann.Name, QStringLiteral("Ann"));
        QCOMPARE(s.form1->state().CurrentUser, QStringLiteral("Ann"));
        QCOMPARE(s.form1->windowTitle(), QStringLiteral("Kinetrax V1.0   Ann"));

        // The new profile went to the pedometer (it held step length 50 and weight 90 before).
        const ProfileValues sent = s.bus.model()->profile();
        QVERIFY(sent.Steplength != 50 || sent.Weight != 90);
        QCOMPARE(sent.Steplength, ann.Steplength);
        QCOMPARE(sent.Weight, ann.Weight);

        // The pedometer's days are in the new activity file, and TODAY shows its today.
        const DayRecordList days = DayRecordsFromBytes(dir.read(QStringLiteral("Ann.bin")));
        QVERIFY(!days.empty());
        const PedometerHistory history = s.bus.model()->history();
        QCOMPARE(s.text("StepEdit"), FormatThousands(history.days[0].Steps));
        QCOMPARE(s.text("TotalStepEdit"), FormatThousands(history.stepTotal));
        QVERIFY(s.form1->isVisible());
        QVERIFY(s.form1->todayActive());
    }

    void secondStartChoosesProfileWithOk()
    {
        TempDataDir dir;
        QVERIFY(SaveUserList(dir.filePath(QStringLiteral("Kinetrax.dat")), {MetricClient(QStringLiteral("Bob"))}));
        Start s(dir);
        QCOMPARE(s.form1->windowTitle(), QStringLiteral("Kinetrax V1.0   Bob"));
        s.whenSettingsShown([&] {
            s.form2->HighlightRow(1);
            s.form2->OKBtnClick();
        });
        QVERIFY(s.runUntilSettled());
        QVERIFY(!s.form1->ending());
        QVERIFY(!s.prompts.texts().contains(Greeting));
        QCOMPARE(s.form1->state().CurrentUser, QStringLiteral("Bob"));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Bob.bin"))));
        QCOMPARE(s.text("StepEdit"), FormatThousands(s.bus.model()->history().days[0].Steps));
        QVERIFY(s.form1->isVisible());
    }

    // SEND right after the start mails what the download merged: every day of the activity file, one
    // line each in date order, in the unit the pedometer counts in.
    void sendAfterTheStartMailsTheDownloadedDays()
    {
        TempDataDir dir;
        QVERIFY(SaveUserList(dir.filePath(QStringLiteral("Kinetrax.dat")), {MetricClient(QStringLiteral("Bob"))}));
        Start s(dir);
        s.whenSettingsShown([&] {
            s.form2->HighlightRow(1);
            s.form2->OKBtnClick();
        });
        QVERIFY(s.runUntilSettled());
        s.form1->SendBtnClick();
        QCOMPARE(s.mailer.sent().size(), 1);
        QCOMPARE(s.mailer.sent().first().AttachmentPath, dir.filePath(QStringLiteral("Bob.csv")));

        DayRecordList days = DayRecordsFromBytes(dir.read(QStringLiteral("Bob.bin")));
        QVERIFY(days.size() >= 8);
        std::sort(days.begin(), days.end(), [](const TBINFile& a, const TBINFile& b) { return a.Date < b.Date; });
        const QList<QByteArray> lines = dir.read(QStringLiteral("Bob.csv")).split('\n');
        QCOMPARE(lines.size(), qsizetype(days.size()) + 2);
        QCOMPARE(lines.first(), QByteArray("Date,Steps,Target Step,Distance(km),Calories(kcal),Walking Time(min)\r"));
        QCOMPARE(lines.last(), QByteArray());
        for (std::size_t k = 0; k < days.size(); ++k) {
            const QList<QByteArray> fields = lines[qsizetype(k) + 1].split(',');
            QCOMPARE(fields.size(), 7);
            QCOMPARE(fields[0].toUInt(), days[k].Date);
            QCOMPARE(fields[1].toUInt(), days[k].Steps);
            QCOMPARE(fields[5].toUInt(), days[k].WalkingTime);
            QCOMPARE(fields[6], QByteArray("\r"));
        }
        s.mailer.answer(true);
        QVERIFY(s.form1->todayActive());
    }

    void closingTheSelectionWithoutProfilesEndsTheProgram()
    {
        TempDataDir dir;
        Start s(dir);
        QSignalSpy ended(s.form1.get(), &TForm1::programEnded);
        s.whenSettingsShown([&] { s.form2->close(); });
        QVERIFY(s.runUntilSettled());
        QTRY_COMPARE(ended.size(), 1);
        const ScriptedPrompts::Shown last = s.prompts.shown().last();
        QCOMPARE(last.text, QStringLiteral("No customer information, the system will shut down!  "));
        QCOMPARE(last.caption, QStringLiteral("Kinetrax"));
        QCOMPARE(last.flags, 0);
        QVERIFY(!s.form1->isVisible());
    }

    void withoutPedometerNeitherLoadingNorSettingsAppear()
    {
        TempDataDir dir;
        StartOptions noPedometer;
        noPedometer.pedometer = false;
        Start s(dir, noPedometer);
        int shows = 0;
        auto* watch = new QTimer(s.form1.get());
        QObject::connect(watch, &QTimer::timeout, watch, [&] { shows += s.form2->isVisible() + s.form3->isVisible(); });
        watch->start(1);
        QSignalSpy ended(s.form1.get(), &TForm1::programEnded);
        s.form1->show();
        QVERIFY(ended.wait(3000));
        QTest::qWait(50);
        QCOMPARE(shows, 0);
        QCOMPARE(s.prompts.texts(), QStringList{QStringLiteral("No device!")});
        QVERIFY(!s.form1->isVisible());
    }

    void exitWhileAPedometerThatStopsReadingIsRetriedEndsAndFreesTheLock()
    {
        TempDataDir dir;
        auto instance = std::make_unique<SingleInstanceGuard>(dir.path());
        QVERIFY(instance->tryAcquire());
        StartOptions deaf;
        deaf.faults.deaf = true;
        deaf.loadingLimitMs = 200;
        deaf.waitScale = 0.4;   // each write runs out after 2 s, long after the exit below
        auto s = std::make_unique<Start>(dir, deaf);
        QSignalSpy ended(s->form1.get(), &TForm1::programEnded);
        s->whenSettingsShown([&] { s->form2->close(); });
        QVERIFY(s->runUntilSettled());
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(s->prompts.texts().last(), QStringLiteral("No customer information, the system will shut down!  "));
        // The worker is in the middle of a write whose time-out message would wait for the GUI thread.
        QVERIFY(s->form3->worker()->isRunning());

        QElapsedTimer teardown;
        teardown.start();
        s.reset();   // as the entry ends: the loading window first, then the others
        QVERIFY2(teardown.elapsed() < 4000, qPrintable(QString::number(teardown.elapsed())));
        instance.reset();
        SingleInstanceGuard next(dir.path());
        QVERIFY(next.tryAcquire());
    }

    // No profiles yet and a pedometer that stops reading: the worker's attempts, the new profile the
    // greeting opens and the time the settings window then waits untouched are one failing streak that
    // nobody started, told by a single time-out box. Time runs 100 times as fast as the program's own.
    void pedometerThatStopsReadingIsToldOnceWhileTheSelectionWaits()
    {
        TempDataDir dir;
        StartOptions deaf;
        deaf.faults.deaf = true;
        deaf.waitScale = 0.01;       // a write runs out after 50 ms, a download attempt after 60 ms
        deaf.loadingLimitMs = 200;   // the loading window's 20 s
        Start s(dir, deaf);

        // Well over a minute of the program's time after the greeting (fourteen attempts of six seconds
        // each), then the window is closed.
        int attemptsAtGreeting = -1;
        bool editorOpen = false;
        bool stillChoosing = false;
        QStringList shown;
        QElapsedTimer clock;
        s.whenSettingsShown([&] {
            auto* watch = new QTimer(s.form2.get());
            QObject::connect(watch, &QTimer::timeout, watch, [&, watch] {
                const int attempts = s.form3->worker()->attempts();
                if (attemptsAtGreeting < 0) {
                    if (!s.prompts.texts().contains(Greeting))
                        return;
                    editorOpen = s.form2->findChild<QWidget*>(QStringLiteral("UserPanel2"))->isVisible();
                    attemptsAtGreeting = attempts;
                    clock.start();
                    return;
                }
                if (attempts < attemptsAtGreeting + 14 || clock.elapsed() < 750)
                    return;
                watch->stop();
                shown = s.prompts.texts();
                stillChoosing = s.form2->isVisible() && !s.form1->ending();
                s.form2->close();
            });
            watch->start(5);
        });
        QVERIFY(s.runUntilSettled());
        QVERIFY(editorOpen);
        QVERIFY(stillChoosing);
        QCOMPARE(shown.count(s.form1->state().Catalog.Info[8]), 1);
        QCOMPARE(shown.count(Greeting), 1);
    }

    void listedNameOutsideTheDataDirectoryIsRefused()
    {
        TempDataDir dir;
        const QString listPath = dir.filePath(QStringLiteral("Kinetrax.dat"));
        const QByteArray list = "SoftName:Kinetrax\r\n[Client]\r\n1\r\n../outside,1,34,165,58,68,8000,1,1\r\n";
        {
            QFile file(listPath);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(list);
        }
        const QString outside = QFileInfo(dir.path() + QStringLiteral("/../outside.bin")).absoluteFilePath();
        QFile::remove(outside);
        Start s(dir);
        // Never made current at start-up, so TODAY read nothing for it.
        QCOMPARE(s.form1->state().CurrentUser, QString());
        s.whenSettingsShown([&] {
            s.form2->HighlightRow(1);
            s.form2->OKBtnClick();   // refused
            s.form2->UserInfoImageDblClick();   // refused again
            s.form2->close();
        });
        QVERIFY(s.runUntilSettled());
        const QString refused =
            QStringLiteral("The profile \"../outside\" cannot be used. The name must not contain / or \\.");
        QCOMPARE(s.prompts.texts().count(refused), 2);
        QCOMPARE(s.form1->state().CurrentUser, QString());
        QVERIFY(!QFile::exists(outside));
        QCOMPARE(dir.read(QStringLiteral("Kinetrax.dat")), list);
        // SEND has no user to export.
        s.form1->SendBtnClick();
        QVERIFY(!QFile::exists(QFileInfo(dir.path() + QStringLiteral("/../outside.csv")).absoluteFilePath()));
    }

    void listWithoutProfilesSetsTheEmptyCaption()
    {
        TempDataDir dir;
        QVERIFY(SaveUserList(dir.filePath(QStringLiteral("Kinetrax.dat")), {}));
        Start s(dir);
        QCOMPARE(s.form1->windowTitle(), QStringLiteral("Kinetrax V1.0   "));
    }
};

QTEST_MAIN(StartupFlowTest)
#include "test_startup_flow.moc"
