#include "loading/loading_window.h"

#include "state/app_state.h"
#include "catalog/catalog_file.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "loading/display_thread.h"
#include "profiles/profile_session.h"
#include "protocol/pedometer_protocol.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_data_dir.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

namespace {
// A message box runs an event loop: the window's timers fire while it is up.
class BoxesWithEventLoop : public ScriptedPrompts {
public:
    std::function<void(const QString& text)> whileShown;

    void showMessage(const QString& caption, const QString& text, int flags) override
    {
        ScriptedPrompts::showMessage(caption, text, flags);
        if (whileShown)
            whileShown(text);
    }
};
} // namespace

// The loading window against the in-process pedometer, with short timer intervals.
class TestLoadingWindow : public QObject {
    Q_OBJECT

    struct Rig {
        AppState state;
        ScriptedPrompts prompts;
        std::shared_ptr<PedometerModel> model = std::make_shared<PedometerModel>();
        EmulatedHidBus bus{model};
        std::unique_ptr<DeviceLink> link;

        Rig()
        {
            state.Catalog = DefaultCatalog();
            link = std::make_unique<DeviceLink>(bus, prompts, state.Catalog);
            link->setWaitScale(0.2);
            link->ConnectPedometer();
        }
    };

    static TForm3::Timing fast(int limitMs)
    {
        TForm3::Timing t;
        t.dotIntervalMs = 20;
        t.limitMs = limitMs;
        return t;
    }

private slots:
    void readyPedometerClosesTheWindowAndHandsOverTheMemory()
    {
        Rig rig;
        QVERIFY(rig.link->Connected());
        rig.model->setProfile(false, 25, 150, 8000, 9, 30);
        TForm3 window(rig.state, *rig.link, rig.prompts, fast(60000));
        QSignalSpy completed(&window, &TForm3::downloadCompleted);
        QCOMPARE(window.findChild<QLabel*>("Label1")->text(), QStringLiteral("Loading"));
        window.show();

        QTRY_VERIFY_WITH_TIMEOUT(window.finished(), 5000);
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(completed.count(), 1);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(!window.worker()->isRunning());
        QCOMPARE(rig.state.DownloadBlock, rig.model->memoryImage());
        QCOMPARE(rig.state.DeviceMetric, false);
        QVERIFY(rig.prompts.shown().isEmpty());
        // The ring turned: exactly one dot is lit.
        int lit = 0;
        for (int i = 1; i <= 8; ++i)
            lit += window.findChild<QLabel*>(QStringLiteral("DotImage%1").arg(i))->isVisibleTo(&window);
        QCOMPARE(lit, 1);
        QVERIFY(window.litDot() >= 0);
    }

    void busyPedometerRunsIntoTheLimitThenALateSuccessIsStillTaken()
    {
        Rig rig;
        PedometerFaults busy;
        busy.busyHandshakes = PedometerFaults::Forever;
        rig.model->setFaults(busy);
        TForm3 window(rig.state, *rig.link, rig.prompts, fast(300));
        QSignalSpy completed(&window, &TForm3::downloadCompleted);
        window.show();

        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 3000);
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QCOMPARE(rig.prompts.shown().size(), 1);
        const ScriptedPrompts::Shown box = rig.prompts.shown().first();
        QCOMPARE(box.caption, QStringLiteral("Kinetrax"));
        QCOMPARE(box.text, QString()); // [Info] 26 is empty in the default catalog
        QCOMPARE(box.flags, 0x30);
        // A busy memory image is not taken for a download.
        QCOMPARE(rig.state.DownloadBlock[0], uint8_t(0));
        QVERIFY(window.worker()->isRunning());
        QTRY_VERIFY(window.worker()->attempts() > 1);

        rig.model->setFaults(PedometerFaults{});
        QTRY_COMPARE_WITH_TIMEOUT(completed.count(), 1, 5000);
        QVERIFY(!window.worker()->isRunning());
        QCOMPARE(rig.state.DownloadBlock[0], uint8_t(0xF4));
        QCOMPARE(rig.prompts.shown().size(), 1);
    }

    // The pedometer is busy past the time limit; once it is ready, the worker's download of the old
    // profile is held back until a Save has sent a new profile (in the other unit system) and read it
    // back. Timer1 then delivers the worker's older image while the Save's "Synchronization OK!" box
    // is up: it must not replace the newer one the Save goes on to read its values from.
    void aLateWorkerDownloadNeverReplacesANewerOne()
    {
        Rig rig;
        TempDataDir dir;
        rig.state.ExeDir = dir.path();
        rig.state.UserListPath = dir.filePath(QStringLiteral("Kinetrax.dat"));
        rig.model->setProfile(false, 25, 150, 6000, 9, 30);
        PedometerFaults busy;
        busy.busyStatusByte = true;
        rig.model->setFaults(busy);

        BoxesWithEventLoop prompts;
        prompts.setDefaultAnswer(true);
        QSemaphore downloaded;
        QSemaphore release;
        TForm3 window(rig.state, std::function<DownloadResult()>([&] {
                          DownloadResult result = rig.link->DownloadDeviceData(ExchangeStart::Automatic);
                          if (result.Complete && IsReadyStatus(result.Block[0])) {
                              downloaded.release();
                              release.acquire();
                          }
                          return result;
                      }),
                      prompts, fast(100));
        struct Unblock {
            QSemaphore& s;
            ~Unblock() { s.release(); }
        } unblock{release};
        QSignalSpy completed(&window, &TForm3::downloadCompleted);
        QTRY_VERIFY(window.finished());

        ProfileSession session(rig.state, *rig.link, prompts);
        session.setSyncDelayMs(0);
        QVERIFY(session.LoadUserList());
        const std::optional<NewProfileDefaults> defaults = session.NewProfile();
        QVERIFY(defaults);
        QVERIFY(rig.state.DownloadValid);
        QVERIFY(!rig.state.DeviceMetric);

        rig.model->setFaults(PedometerFaults{});
        QVERIFY(downloaded.tryAcquire(1, 5000));
        prompts.whileShown = [&](const QString& text) {
            if (text != rig.state.Catalog.Info[12])
                return;
            release.release();
            QTRY_COMPARE_WITH_TIMEOUT(completed.count(), 1, 5000);
        };

        ProfileForm form;
        form.Name = QStringLiteral("Ann");
        form.Gender = 1;
        form.Age = 30;
        form.HeightH = 1;
        form.HeightL = 70;
        form.Weight = 58;
        form.Steplength = 68;
        form.Target = 8000;
        form.Metric = true;
        const SaveOutcome saved = session.SaveProfile(1, false, form);
        QVERIFY(saved.Saved);
        const ActivateOutcome activated = session.ActivateSavedProfile(saved.Row, false, form);
        QVERIFY(activated.Done);
        QCOMPARE(completed.count(), 1);

        QVERIFY(activated.ReadBack);
        QCOMPARE(int(activated.ReadBack->Steplength), 68);
        QCOMPARE(int(activated.ReadBack->Weight), 58);
        QCOMPARE(int(activated.ReadBack->TargetSteps), 8000);
        const TClient& ann = rig.state.Clients.at(0);
        QCOMPARE(int(ann.Steplength), 68);
        QCOMPARE(int(ann.Weight), 58);
        QVERIFY(rig.state.DeviceMetric);
        QCOMPARE(rig.state.DownloadBlock, rig.model->memoryImage());
    }

    void limitCountsFromCreationSoALateShowReturnsAtOnce()
    {
        AppState state;
        state.Catalog = DefaultCatalog();
        ScriptedPrompts prompts;
        TForm3 window(state, [] { QThread::msleep(10); return false; }, prompts, fast(50));
        QTRY_VERIFY(window.finished());
        QElapsedTimer clock;
        clock.start();
        window.exec();
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(prompts.shown().size(), 1);
    }

    void workerEndsPromptlyOnceAsked_data()
    {
        QTest::addColumn<bool>("answering");
        QTest::newRow("pedometer busy, answering") << true;
        QTest::newRow("pedometer silent") << false;
    }

    void workerEndsPromptlyOnceAsked()
    {
        QFETCH(bool, answering);
        Rig rig;
        PedometerFaults faults;
        faults.busyHandshakes = PedometerFaults::Forever;
        faults.dropAll = !answering;
        rig.model->setFaults(faults);
        QElapsedTimer clock;
        {
            TForm3 window(rig.state, *rig.link, rig.prompts, fast(60000));
            window.show();
            QTRY_VERIFY(window.worker()->attempts() >= 2);
            clock.start();
        } // closing the program destroys the window mid-download
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }

    void pedometerThatStopsReadingIsReportedOncePerStreak()
    {
        Rig rig;
        rig.link->setWaitScale(0.01);   // each write runs out after 50 ms
        PedometerFaults deaf;
        deaf.deaf = true;
        rig.model->setFaults(deaf);
        TForm3 window(rig.state, *rig.link, rig.prompts, fast(200));
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(window.worker()->attempts() >= 6, 5000);

        const QString timeout = rig.state.Catalog.Info[8];
        QCOMPARE(rig.prompts.texts().count(timeout), 1);
        // The user's own download is told of its failure; the worker's next ones are the same streak.
        QVERIFY(!rig.link->DownloadDeviceData().Complete);
        QCOMPARE(rig.prompts.texts().count(timeout), 2);
        const int attempts = window.worker()->attempts();
        QTRY_VERIFY_WITH_TIMEOUT(window.worker()->attempts() >= attempts + 4, 5000);
        QCOMPARE(rig.prompts.texts().count(timeout), 2);
    }
};

QTEST_MAIN(TestLoadingWindow)
#include "test_loading_window.moc"
