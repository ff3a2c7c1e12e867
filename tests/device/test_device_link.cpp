#include "device/device_link.h"

#include "catalog/catalog_file.h"
#include "protocol/memory_image.h"
#include "device/read_data_thread.h"
#include "emulator/emulated_hid_bus.h"
#include "emulator/report_log.h"
#include "tests/support/scripted_prompts.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace {

// Test waits: W(1000) lasts 100 ms, the write limit 500 ms.
constexpr double WaitScale = 0.1;

PedometerHistory SampleHistory()
{
    PedometerHistory history;
    history.days[0] = {12345, 9876, 1250, 23};
    history.days[1] = {99999, 54321, 88888, 1234};
    history.days[7] = {1, 2, 3, 4};
    history.stepTotal = 67890;
    return history;
}

// A bus in front of the emulator that can refuse opens for lack of permission and rewrite what the
// device sends, to show how the link takes answers it must not trust.
class TamperingBus : public HidBus {
public:
    using Rewrite = std::function<std::vector<Report>(const Report&)>;

    explicit TamperingBus(HidBus& inner) : inner_(inner) {}

    std::vector<HidInterfaceInfo> enumerate() override { return inner_.enumerate(); }
    std::unique_ptr<HidHandle> open(const QString& path, HidOpenError* error) override
    {
        if (denyOpen) {
            if (error)
                *error = HidOpenError::PermissionDenied;
            return nullptr;
        }
        auto handle = inner_.open(path, error);
        return handle ? std::make_unique<Handle>(std::move(handle), this) : nullptr;
    }

    std::atomic<bool> denyOpen{false};
    Rewrite rewrite;

private:
    class Handle : public HidHandle {
    public:
        Handle(std::unique_ptr<HidHandle> inner, TamperingBus* bus) : inner_(std::move(inner)), bus_(bus) {}
        int read(Report& report, int timeoutMs) override
        {
            if (!pending_.empty()) {
                report = pending_.front();
                pending_.pop_front();
                return 1;
            }
            const int got = inner_->read(report, timeoutMs);
            if (got <= 0 || !bus_->rewrite)
                return got;
            for (const Report& r : bus_->rewrite(report))
                pending_.push_back(r);
            if (pending_.empty())
                return 0;
            report = pending_.front();
            pending_.pop_front();
            return 1;
        }
        HidWriteResult write(const Report& report, int timeoutMs) override { return inner_->write(report, timeoutMs); }

    private:
        std::unique_ptr<HidHandle> inner_;
        TamperingBus* bus_;
        std::deque<Report> pending_;
    };

    HidBus& inner_;
};

struct Rig {
    Rig()
        : model(std::make_shared<PedometerModel>()),
          bus(model, &log),
          front(bus),
          catalog(DefaultCatalog()),
          link(front, prompts, catalog)
    {
        model->setHistory(SampleHistory());
        link.setWaitScale(WaitScale);
    }

    // Output reports the device took, as hex lines.
    QStringList received() const
    {
        QStringList out;
        for (const QString& line : log.lines()) {
            const int at = line.indexOf(QLatin1String(" recv "));
            if (at >= 0)
                out << line.mid(at + 6);
        }
        return out;
    }

    ReportLog log;
    std::shared_ptr<PedometerModel> model;
    EmulatedHidBus bus;
    TamperingBus front;   // passes everything through unless told otherwise
    TSoftInfo catalog;
    ScriptedPrompts prompts;
    DeviceLink link;
};

} // namespace

class TestDeviceLink : public QObject {
    Q_OBJECT

private slots:
    void completeDownloadDecodesMemory();
    void profileUploadLandsInMemory();
    void busyHandshakeStillReadsMemory();
    void unansweredRequestLeavesDownloadIncomplete_data();
    void unansweredRequestLeavesDownloadIncomplete();
    void unansweredUploadStepShowsMessage();
    void junkReportsAreIgnored();
    void wrongSequenceNumbers();
    void exchangesWhenNotConnectedDoNothing();

    void discoveryTakesFirstPedometerOnly();
    void otherDeviceRemovalKeepsHandles();
    void pedometerRemovalStopsReaderAndSignals();
    void removalMidExchangeEndsQuietly();
    void arrivalConnectsOnlyWhenNotConnected();
    void permissionDeniedIsExplained();
    void unopenablePedometerIsNotConnected();

    void deafDeviceTimesOutWrite();
    void writeFailingAtOnceShowsOneMessageAndRecovers();
    void readerStopsPromptly();
    void concurrentExchangesDoNotOverlap();
    void clockIsReadOnceTheExchangeHoldsThePedometer();
    void automaticRepetitionShowsOneMessagePerFailingStreak();
    void cancelledExchangesEndAtOnceAndStayQuiet();
    void bufferWaiterSeesEveryReport();
};

void TestDeviceLink::completeDownloadDecodesMemory()
{
    Rig rig;
    rig.link.ConnectPedometer();
    QVERIFY(rig.link.Connected());

    const DownloadResult result = rig.link.DownloadDeviceData();
    QVERIFY(result.Complete);
    QCOMPARE(result.Block, rig.model->memoryImage());
    QCOMPARE(DecodeDayBlock(result.Block, 0), SampleHistory().days[0]);
    QCOMPARE(DecodeDayBlock(result.Block, 7), SampleHistory().days[7]);
    QCOMPARE(DeviceStepTotal(result.Block), 67890u);
    QVERIFY(result.Metric);
    QVERIFY(!rig.link.ReaderRunning());
    QVERIFY(rig.prompts.shown().isEmpty());

    // The requests on the wire: handshake, then addresses 0, 6 … 96 with sequence numbers 1 … 17.
    const QStringList sent = rig.received();
    QCOMPARE(sent.size(), 18);
    QCOMPARE(sent.first(), QStringLiteral("00 00 00 00 00 00 00 C8 02"));
    QCOMPARE(sent.at(1), QStringLiteral("00 00 00 00 00 00 00 01 02"));
    QCOMPARE(sent.last(), QStringLiteral("00 60 00 00 00 00 00 11 02"));
}

void TestDeviceLink::profileUploadLandsInMemory()
{
    Rig rig;
    rig.link.ConnectPedometer();
    rig.link.setClock([] { return QTime(23, 59); });
    QVERIFY(rig.link.SendProfileAndClock(false, 62, 150, 99999));
    QVERIFY(rig.prompts.shown().isEmpty());
    QVERIFY(!rig.link.ReaderRunning());

    const RawMemory raw = rig.model->rawMemory();
    const std::array<uint8_t, 9> expected{0x04, 0x62, 0x00, 0x15, 0x99, 0x99, 0x99, 0x35, 0x02};
    QCOMPARE(std::vector<uint8_t>(raw.begin() + 1, raw.begin() + 10),
             std::vector<uint8_t>(expected.begin(), expected.end()));

    // Read back through a download, as the settings window does.
    const DownloadResult back = rig.link.DownloadDeviceData();
    QVERIFY(back.Complete);
    QVERIFY(!back.Metric);
    const ProfileValues values = DecodeProfileValues(back.Block);
    QCOMPARE(values.Steplength, uint16_t(62));
    QCOMPARE(values.Weight, uint16_t(150));
    QCOMPARE(values.TargetSteps, 99999u);
}

void TestDeviceLink::busyHandshakeStillReadsMemory()
{
    Rig rig;
    PedometerFaults faults;
    faults.busyHandshakes = 1;
    rig.model->setFaults(faults);
    rig.link.ConnectPedometer();

    QElapsedTimer timer;
    timer.start();
    const DownloadResult result = rig.link.DownloadDeviceData();
    // The busy answer does not satisfy the wait, which runs its full (scaled) length.
    QVERIFY(timer.elapsed() >= 1000 * WaitScale);
    QVERIFY(result.Complete);
    QCOMPARE(result.Block[0], StatusBusy);
    QCOMPARE(DecodeDayBlock(result.Block, 1), SampleHistory().days[1]);
}

void TestDeviceLink::unansweredRequestLeavesDownloadIncomplete_data()
{
    QTest::addColumn<int>("dropped");   // 1-based output report left unanswered
    QTest::addColumn<int>("filledUpTo"); // image bytes read before it
    QTest::newRow("handshake") << 1 << 0;
    QTest::newRow("first read") << 2 << 0;
    QTest::newRow("middle read") << 10 << 48;
    QTest::newRow("last read") << 18 << 96;
}

void TestDeviceLink::unansweredRequestLeavesDownloadIncomplete()
{
    QFETCH(int, dropped);
    QFETCH(int, filledUpTo);
    Rig rig;
    PedometerFaults faults;
    faults.dropAnswerTo = dropped;
    rig.model->setFaults(faults);
    rig.link.ConnectPedometer();

    const DownloadResult result = rig.link.DownloadDeviceData();
    QVERIFY(!result.Complete);
    QVERIFY(!result.Metric);
    QCOMPARE(rig.received().size(), dropped); // nothing was asked after the unanswered request
    const MemoryImage full = rig.model->memoryImage();
    for (int i = 0; i < MemoryImageSize; ++i)
        QCOMPARE(result.Block[i], i < filledUpTo ? full[i] : uint8_t(0));
    QVERIFY(rig.prompts.shown().isEmpty());
}

void TestDeviceLink::unansweredUploadStepShowsMessage()
{
    Rig rig;
    const RawMemory before = rig.model->rawMemory();
    PedometerFaults faults;
    faults.dropAnswerTo = 2; // the first set address
    rig.model->setFaults(faults);
    rig.link.ConnectPedometer();

    rig.link.setClock([] { return QTime(14, 7); });
    QVERIFY(!rig.link.SendProfileAndClock(true, 75, 68, 10000));
    QCOMPARE(rig.received().size(), 2);
    QCOMPARE(rig.prompts.texts(), QStringList{rig.catalog.Info[10]});
    QCOMPARE(rig.prompts.shown().first().caption, rig.catalog.SoftName[0]);
    QCOMPARE(rig.prompts.shown().first().flags, 0);
    QCOMPARE(rig.model->rawMemory(), before);
}

void TestDeviceLink::junkReportsAreIgnored()
{
    Rig rig;
    PedometerFaults faults;
    faults.garbage = true;
    faults.wrongLength = true;
    rig.model->setFaults(faults);
    rig.link.ConnectPedometer();

    const DownloadResult result = rig.link.DownloadDeviceData();
    QVERIFY(result.Complete);
    QCOMPARE(result.Block, rig.model->memoryImage());
    rig.link.setClock([] { return QTime(14, 7); });
    QVERIFY(rig.link.SendProfileAndClock(true, 75, 68, 10000));
    QCOMPARE(rig.model->profile().TargetSteps, 10000u);
}

void TestDeviceLink::wrongSequenceNumbers()
{
    // A stale copy of the previous answer arriving first is skipped; the right one is still taken,
    // even though another report follows it at once.
    {
        Rig rig;
        rig.front.rewrite = [](const Report& r) {
            if (r[8] != 0x12 || r[7] != 5)
                return std::vector<Report>{r};
            Report stale = r;
            stale[7] = 4;
            stale[1] = stale[2] = stale[3] = 0x77;
            return std::vector<Report>{stale, r, stale};
        };
        rig.link.ConnectPedometer();
        const DownloadResult result = rig.link.DownloadDeviceData();
        QVERIFY(result.Complete);
        QCOMPARE(result.Block, rig.model->memoryImage());
    }
    // An answer carrying the wrong number is never taken for the right one.
    {
        Rig rig;
        rig.front.rewrite = [](const Report& r) {
            Report out = r;
            if (r[8] == 0x12 && r[7] == 9)
                out[7] = 10;
            return std::vector<Report>{out};
        };
        rig.link.ConnectPedometer();
        const DownloadResult result = rig.link.DownloadDeviceData();
        QVERIFY(!result.Complete);
        QCOMPARE(result.Block[48], uint8_t(0));
        QCOMPARE(rig.received().size(), 10);
    }
}

void TestDeviceLink::exchangesWhenNotConnectedDoNothing()
{
    Rig rig;
    rig.bus.unplug();
    rig.link.ConnectPedometer();
    QVERIFY(!rig.link.Connected());
    QVERIFY(!rig.link.DownloadDeviceData().Complete);
    rig.link.setClock([] { return QTime(14, 7); });
    QVERIFY(!rig.link.SendProfileAndClock(true, 75, 68, 10000));
    QVERIFY(!rig.link.ReaderRunning());
    QVERIFY(rig.received().isEmpty());
    QVERIFY(rig.prompts.shown().isEmpty());
}

void TestDeviceLink::discoveryTakesFirstPedometerOnly()
{
    Rig rig;
    // Same vendor, other product: sorted before the pedometer, yet skipped.
    const QString other = rig.bus.addDevice(0x0C45, 0x70C0);
    auto secondModel = std::make_shared<PedometerModel>();
    const QString second = rig.bus.addDevice(0x0C45, 0x70C1, secondModel);
    QVERIFY(other < rig.bus.pedometerPath());
    QVERIFY(rig.bus.pedometerPath() < second);

    rig.link.ConnectPedometer();
    QCOMPARE(rig.link.DevicePath(), rig.bus.pedometerPath());
    QCOMPARE(rig.bus.openHandleCount(other), 0);
    QCOMPARE(rig.bus.openHandleCount(second), 0);
    QVERIFY(rig.link.DownloadDeviceData().Complete);
    QCOMPARE(secondModel->outputReportCount(), 0);

    // With the first gone, the second is the pedometer.
    rig.bus.unplug();
    QVERIFY(rig.link.FindPedometer());
    QCOMPARE(rig.link.DevicePath(), second);
}

void TestDeviceLink::otherDeviceRemovalKeepsHandles()
{
    Rig rig;
    const QString keyboard = rig.bus.addDevice(0x046D, 0xC31C);
    rig.link.ConnectPedometer();
    QCOMPARE(rig.bus.openHandleCount(), 2);
    QSignalSpy removed(&rig.link, &DeviceLink::pedometerRemoved);

    rig.link.StartReader();
    rig.bus.unplug(keyboard);
    rig.link.HandleDeviceChange(DeviceLink::DeviceChange::Removal);
    QVERIFY(rig.link.Connected());
    QCOMPARE(removed.count(), 0);
    QCOMPARE(rig.bus.openHandleCount(), 2); // kept, not closed and reopened
    QVERIFY(rig.link.ReaderRunning());
    rig.link.StopReader();
    QVERIFY(rig.link.DownloadDeviceData().Complete);
    QVERIFY(rig.prompts.shown().isEmpty());
}

void TestDeviceLink::pedometerRemovalStopsReaderAndSignals()
{
    Rig rig;
    rig.link.ConnectPedometer();
    rig.link.StartReader();
    QSignalSpy removed(&rig.link, &DeviceLink::pedometerRemoved);

    rig.bus.unplug();
    rig.link.HandleDeviceChange(DeviceLink::DeviceChange::Removal);
    QCOMPARE(removed.count(), 1);
    QVERIFY(!rig.link.Connected());
    QVERIFY(!rig.link.ReaderRunning());
    rig.bus.plugIn();
    QCOMPARE(rig.bus.openHandleCount(), 0);

    // A pedometer whose reopening failed (so no longer Connected) still ends the program when removed.
    rig.link.ConnectPedometer();
    QVERIFY(rig.link.Connected());
    rig.bus.unplug();
    rig.bus.plugIn();
    rig.bus.setRefuseOpen(true);
    rig.link.StartReader(); // its failing read marks the handles for reopening
    QTRY_VERIFY(!rig.link.WriteReport(Report{}) && !rig.link.Connected());
    rig.bus.unplug();
    rig.link.HandleDeviceChange(DeviceLink::DeviceChange::Removal);
    QCOMPARE(removed.count(), 2);
    QVERIFY(!rig.link.ReaderRunning());
}

void TestDeviceLink::removalMidExchangeEndsQuietly()
{
    Rig rig;
    PedometerFaults faults;
    faults.vanishAfter = 5;
    rig.model->setFaults(faults);
    rig.link.ConnectPedometer();

    QElapsedTimer timer;
    timer.start();
    const DownloadResult result = rig.link.DownloadDeviceData();
    QVERIFY(!result.Complete);
    // One scaled read wait after the vanishing, plus slack; never the full unscaled waits.
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(rig.prompts.shown().isEmpty()); // the unplugged device's write failure is not an error box

    QSignalSpy removed(&rig.link, &DeviceLink::pedometerRemoved);
    timer.restart();
    rig.link.HandleDeviceChange(DeviceLink::DeviceChange::Removal);
    QVERIFY(timer.elapsed() < 1000);
    QCOMPARE(removed.count(), 1);
    QVERIFY(!rig.link.ReaderRunning());
}

void TestDeviceLink::arrivalConnectsOnlyWhenNotConnected()
{
    Rig rig;
    rig.bus.unplug();
    rig.link.ConnectPedometer();
    QVERIFY(!rig.link.Connected());

    rig.bus.plugIn();
    rig.link.HandleDeviceChange(DeviceLink::DeviceChange::Arrival);
    QVERIFY(rig.link.Connected());
    QCOMPARE(rig.bus.openHandleCount(), 2);

    // A second pedometer arriving changes nothing while connected.
    const QString second = rig.bus.addDevice(0x0C45, 0x70C1, std::make_shared<PedometerModel>());
    rig.link.HandleDeviceChange(DeviceLink::DeviceChange::Arrival);
    QCOMPARE(rig.bus.openHandleCount(second), 0);
    QCOMPARE(rig.bus.openHandleCount(), 2);
    QVERIFY(rig.prompts.shown().isEmpty());
}

void TestDeviceLink::permissionDeniedIsExplained()
{
    Rig rig;
    rig.front.denyOpen = true;

    rig.link.ConnectPedometer();
    QVERIFY(!rig.link.Connected());
    QCOMPARE(rig.link.OpenProblem(), HidOpenError::PermissionDenied);
    QCOMPARE(rig.prompts.shown().size(), 1);
    QVERIFY(rig.prompts.texts().first().contains(QLatin1String("70-kinetrax-pedometer.rules")));
    QCOMPARE(rig.prompts.shown().first().flags, PromptFlags::Stop);

    // Told once, not at every notification; fixed permissions then connect on the next arrival.
    rig.link.HandleDeviceChange(DeviceLink::DeviceChange::Arrival);
    QCOMPARE(rig.prompts.shown().size(), 1);
    rig.front.denyOpen = false;
    rig.link.HandleDeviceChange(DeviceLink::DeviceChange::Arrival);
    QVERIFY(rig.link.Connected());
    QCOMPARE(rig.link.OpenProblem(), HidOpenError::None);
    QVERIFY(rig.link.DownloadDeviceData().Complete);
}

void TestDeviceLink::unopenablePedometerIsNotConnected()
{
    Rig rig;
    rig.bus.setRefuseOpen(true);
    QVERIFY(rig.link.FindPedometer()); // present …
    QVERIFY(!rig.link.Connected());     // … but not usable
    QCOMPARE(rig.link.OpenProblem(), HidOpenError::Failed);
    QVERIFY(!rig.link.DownloadDeviceData().Complete);
    QVERIFY(rig.received().isEmpty());
}

void TestDeviceLink::deafDeviceTimesOutWrite()
{
    Rig rig;
    PedometerFaults faults;
    faults.deaf = true;
    rig.model->setFaults(faults);
    rig.link.ConnectPedometer();

    QElapsedTimer timer;
    timer.start();
    rig.link.setClock([] { return QTime(14, 7); });
    QVERIFY(!rig.link.SendProfileAndClock(true, 75, 68, 10000));
    QVERIFY(timer.elapsed() >= 5000 * WaitScale);
    const QList<ScriptedPrompts::Shown> shown = rig.prompts.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).text, rig.catalog.Info[8]);
    QCOMPARE(shown.at(0).caption, rig.catalog.applicationTitle());
    QCOMPARE(shown.at(1).text, rig.catalog.Info[10]);
}

void TestDeviceLink::writeFailingAtOnceShowsOneMessageAndRecovers()
{
    Rig rig;
    rig.link.ConnectPedometer();
    // Unplugged and back between two writes: the old handles are dead, the pedometer is present.
    rig.bus.unplug();
    rig.bus.plugIn();

    QElapsedTimer timer;
    timer.start();
    const Report status{0, 0, 0, 0, 0, 0, 0, 0x00, 0x02};
    QVERIFY(!rig.link.WriteReport(status));
    QVERIFY(timer.elapsed() < 5000 * WaitScale); // no wait for a write that never started
    QCOMPARE(rig.prompts.texts(), QStringList{rig.catalog.Info[6]});

    // The broken handles are replaced by the next discovery.
    QVERIFY(rig.link.WriteReport(status));
    QVERIFY(rig.link.DownloadDeviceData().Complete);
    QCOMPARE(rig.prompts.shown().size(), 1);
}

void TestDeviceLink::readerStopsPromptly()
{
    Rig rig;
    rig.link.ConnectPedometer();
    rig.link.StartReader();
    QTest::qWait(50); // let it settle into a read with no input
    QVERIFY(rig.link.ReaderRunning());

    QElapsedTimer timer;
    timer.start();
    rig.link.StopReader();
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!rig.link.ReaderRunning());

    // A reader without a pedometer pauses between passes and stops as promptly.
    rig.bus.unplug();
    rig.link.StartReader();
    QTest::qWait(50);
    QVERIFY(rig.link.ReaderRunning());
    timer.restart();
    rig.link.StopReader();
    QVERIFY(timer.elapsed() < 1000);
}

void TestDeviceLink::concurrentExchangesDoNotOverlap()
{
    Rig rig;
    PedometerFaults faults;
    faults.latencyMs = 1;
    rig.model->setFaults(faults);
    rig.link.ConnectPedometer();

    bool downloaded = false;
    std::thread worker([&] { downloaded = rig.link.DownloadDeviceData().Complete; });
    // The download holds the pedometer once its handshake is on the wire; the upload must wait for it.
    QVERIFY(QTest::qWaitFor([&] { return !rig.received().isEmpty(); }, 5000));
    rig.link.setClock([] { return QTime(9, 30); });
    const bool sent = rig.link.SendProfileAndClock(true, 80, 70, 12000);
    worker.join();
    QVERIFY(downloaded);
    QVERIFY(sent);

    // Each exchange's requests form one unbroken run on the wire.
    const QStringList wire = rig.received();
    QCOMPARE(wire.size(), 18 + 5);
    const auto isUpload = [](const QString& line) {
        return line.endsWith(QLatin1String("C9 02")) || line.endsWith(QLatin1String("01 03"))
            || line == QLatin1String("00 00 00 00 00 00 00 00 02");
    };
    int runs = 1;
    for (int i = 1; i < wire.size(); ++i)
        runs += isUpload(wire.at(i)) != isUpload(wire.at(i - 1));
    QCOMPARE(runs, 2);
    QCOMPARE(rig.model->profile().Steplength, uint16_t(80));
}

void TestDeviceLink::clockIsReadOnceTheExchangeHoldsThePedometer()
{
    Rig rig;
    PedometerFaults faults;
    faults.latencyMs = 2;
    rig.model->setFaults(faults);
    rig.link.ConnectPedometer();

    // The clock says 9:31 once the download that held the pedometer has had all its 18 answers, 9:30
    // before: an upload that read the clock while it waited for the lock would write 9:30.
    rig.link.setClock([&rig] { return QTime(9, rig.received().size() >= 18 ? 31 : 30); });
    std::thread worker([&] { rig.link.DownloadDeviceData(); });
    QVERIFY(QTest::qWaitFor([&] { return !rig.received().isEmpty(); }, 5000));
    QVERIFY(rig.link.SendProfileAndClock(true, 80, 70, 12000));
    worker.join();
    const auto expected = BuildProfileBlock(true, 80, 70, 12000, 9, 31);
    const RawMemory raw = rig.model->rawMemory();
    QCOMPARE(std::vector<uint8_t>(raw.begin() + 1, raw.begin() + 10),
             std::vector<uint8_t>(expected.begin(), expected.end()));
}

void TestDeviceLink::automaticRepetitionShowsOneMessagePerFailingStreak()
{
    Rig rig;
    rig.link.setWaitScale(0.01);
    PedometerFaults faults;
    faults.deaf = true;
    rig.model->setFaults(faults);
    rig.link.ConnectPedometer();
    const auto automatic = DeviceLink::ExchangeStart::Automatic;

    for (int i = 0; i < 3; ++i)
        QVERIFY(!rig.link.DownloadDeviceData(automatic).Complete);
    QCOMPARE(rig.prompts.texts(), QStringList{rig.catalog.Info[8]});

    // The user's own exchange is told, and the automatic repetition does not tell the same streak again.
    QVERIFY(!rig.link.DownloadDeviceData().Complete);
    QVERIFY(!rig.link.DownloadDeviceData(automatic).Complete);
    QVERIFY(!rig.link.DownloadDeviceData(automatic).Complete);
    QCOMPARE(rig.prompts.texts(), QStringList(2, rig.catalog.Info[8]));

    // A success ends the streak: the next failure is shown again, once.
    rig.model->setFaults(PedometerFaults{});
    QVERIFY(rig.link.DownloadDeviceData(automatic).Complete);
    rig.model->setFaults(faults);
    QVERIFY(!rig.link.DownloadDeviceData(automatic).Complete);
    QVERIFY(!rig.link.DownloadDeviceData(automatic).Complete);
    QCOMPARE(rig.prompts.texts(), QStringList(3, rig.catalog.Info[8]));

    // A streak the user's upload told first: the automatic repetition stays quiet.
    rig.model->setFaults(PedometerFaults{});
    QVERIFY(rig.link.SendProfileAndClock(true, 75, 68, 10000));
    rig.model->setFaults(faults);
    QVERIFY(!rig.link.SendProfileAndClock(true, 75, 68, 10000));
    QVERIFY(!rig.link.DownloadDeviceData(automatic).Complete);
    QCOMPARE(rig.prompts.texts(), QStringList(4, rig.catalog.Info[8]) << rig.catalog.Info[10]);
}

void TestDeviceLink::cancelledExchangesEndAtOnceAndStayQuiet()
{
    Rig rig;
    PedometerFaults faults;
    faults.dropAll = true;   // every wait would run to its limit
    rig.model->setFaults(faults);
    rig.link.setWaitScale(1.0);
    rig.link.ConnectPedometer();

    // Cancelled while the handshake waits its full second: the download ends well before that.
    std::atomic<bool> ended{false};
    std::thread worker([&] {
        QVERIFY(!rig.link.DownloadDeviceData().Complete);
        ended = true;
    });
    QVERIFY(QTest::qWaitFor([&] { return !rig.received().isEmpty(); }, 5000));
    QElapsedTimer timer;
    timer.start();
    rig.link.CancelExchanges();
    worker.join();
    QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(ended);

    const int asked = rig.received().size();
    QVERIFY(!rig.link.SendProfileAndClock(true, 75, 68, 10000));
    QCOMPARE(rig.received().size(), asked);
    QVERIFY(rig.prompts.shown().isEmpty());
}

void TestDeviceLink::bufferWaiterSeesEveryReport()
{
    InputReportBuffer buffer;
    buffer.store(Report{0, 0, 0, 0, 0, 0, 0, 3, 0x12}); // before the mark: not an answer
    const uint64_t mark = buffer.arm();
    QCOMPARE(buffer.latest()[8], uint8_t(0xFF));
    const auto isThree = [](const Report& r) { return r[8] == 0x12 && r[7] == 3; };

    auto early = buffer.waitFor(mark, std::chrono::milliseconds(20), 1000, isThree);
    QVERIFY(!early.matched);
    QVERIFY(!early.any);

    // The answer followed at once by another report: the waiter still finds the answer.
    std::thread reader([&] {
        buffer.store(Report{0, 9, 9, 9, 9, 9, 9, 3, 0x12});
        buffer.store(Report{0, 1, 1, 1, 1, 1, 1, 4, 0x12});
    });
    reader.join();
    auto w = buffer.waitFor(mark, std::chrono::milliseconds(200), 1000, isThree);
    QVERIFY(w.matched);
    QCOMPARE(w.report[1], uint8_t(9));

    // The check bound ends a wait flooded with non-answers before its time limit.
    const uint64_t flooded = buffer.arm();
    for (int i = 0; i < 10; ++i)
        buffer.store(Report{0, 0, 0, 0, 0, 0, 0, 7, 0x12});
    QElapsedTimer timer;
    timer.start();
    auto bounded = buffer.waitFor(flooded, std::chrono::seconds(5), 10, isThree);
    QVERIFY(!bounded.matched);
    QVERIFY(bounded.any);
    QVERIFY(timer.elapsed() < 1000);
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "test_device_link.moc"
