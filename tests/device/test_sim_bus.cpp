#include "device/sim_bus.h"

#include "catalog/catalog_file.h"
#include "device/device_link.h"
#include "device/dir_watch_monitor.h"
#include "device/hid_platform.h"
#include "device/hidapi_bus.h"
#include "device/udev_monitor.h"
#include "emulator/sim_bus_device.h"
#include "protocol/pedometer_protocol.h"
#include "tests/support/scripted_prompts.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr double WaitScale = 0.1;

bool Touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

class TestSimBus : public QObject {
    Q_OBJECT

private slots:
    void deviceNames_data();
    void deviceNames();
    void enumeratesInByteOrderFromNamesOnly();
    void openFailures();
    void exchangesOverSockets();
    void removalOverSockets();
    void deafDeviceRunsOutTheWriteLimit();
    void monitorWaitsForDirectoryAndReportsChanges();
    void platformFollowsEnvironmentValue();
    void watchedBusConnectsAndEndsTheLink();
};

void TestSimBus::deviceNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("vendor");
    QTest::addColumn<int>("product");
    QTest::newRow("pedometer") << "0c45-70c1-1.hid" << true << 0x0C45 << 0x70C1;
    QTest::newRow("tag of 32") << ("046d-c31c-" + QString(32, 'a') + ".hid") << true << 0x046D << 0xC31C;
    QTest::newRow("tag of 33") << ("046d-c31c-" + QString(33, 'a') + ".hid") << false << 0 << 0;
    QTest::newRow("empty tag") << "0c45-70c1-.hid" << false << 0 << 0;
    QTest::newRow("upper-case id") << "0C45-70c1-1.hid" << false << 0 << 0;
    QTest::newRow("short id") << "c45-70c1-1.hid" << false << 0 << 0;
    QTest::newRow("dash in tag") << "0c45-70c1-a-b.hid" << false << 0 << 0;
    QTest::newRow("other suffix") << "0c45-70c1-1.hid.bak" << false << 0 << 0;
}

void TestSimBus::deviceNames()
{
    QFETCH(QString, name);
    QFETCH(bool, valid);
    uint16_t vendor = 0;
    uint16_t product = 0;
    QCOMPARE(SimHidBus::ParseDeviceName(name, &vendor, &product), valid);
    if (valid) {
        QTEST(int(vendor), "vendor");
        QTEST(int(product), "product");
    }
}

void TestSimBus::enumeratesInByteOrderFromNamesOnly()
{
    QTemporaryDir dir;
    // Plain files: enumeration reads ids from names and opens nothing.
    for (const char* name : {"0c45-70c1-b.hid", "0c45-70c1-B.hid", "0c45-70c1-a.hid", "046d-c31c-kbd.hid", "notes.txt"})
        QVERIFY(Touch(dir.filePath(QString::fromLatin1(name))));

    SimHidBus bus(dir.path());
    QStringList names;
    for (const HidInterfaceInfo& info : bus.enumerate())
        names << QFileInfo(info.path).fileName();
    QCOMPARE(names, (QStringList{"046d-c31c-kbd.hid", "0c45-70c1-B.hid", "0c45-70c1-a.hid", "0c45-70c1-b.hid"}));
    QCOMPARE(bus.enumerate().at(0).vendorId, uint16_t(0x046D));
    QCOMPARE(bus.enumerate().at(1).productId, uint16_t(0x70C1));

    QVERIFY(SimHidBus(dir.filePath("missing")).enumerate().empty());
}

void TestSimBus::openFailures()
{
    QTemporaryDir dir;
    SimHidBus bus(dir.path());
    HidOpenError error = HidOpenError::None;
    QVERIFY(!bus.open(dir.filePath("0c45-70c1-gone.hid"), &error));
    QCOMPARE(error, HidOpenError::NotFound);

    // Present but refusing: a file that is no listening socket.
    QVERIFY(Touch(dir.filePath("0c45-70c1-1.hid")));
    QVERIFY(!bus.open(dir.filePath("0c45-70c1-1.hid"), &error));
    QCOMPARE(error, HidOpenError::Failed);

    ScriptedPrompts prompts;
    const TSoftInfo catalog = DefaultCatalog();
    DeviceLink link(bus, prompts, catalog);
    QVERIFY(link.FindPedometer());
    QVERIFY(!link.Connected());
}

void TestSimBus::exchangesOverSockets()
{
    QTemporaryDir dir;
    auto model = std::make_shared<PedometerModel>();
    model->setHistory(GenerateHistory(7, true, 70, 65));
    PedometerFaults faults;
    faults.garbage = true;
    faults.wrongLength = true;
    faults.latencyMs = 1;
    model->setFaults(faults);
    SimBusDevice device(model);
    QString error;
    QVERIFY2(device.start(dir.path(), QStringLiteral("1"), &error), qPrintable(error));

    SimHidBus bus(dir.path());
    ScriptedPrompts prompts;
    const TSoftInfo catalog = DefaultCatalog();
    DeviceLink link(bus, prompts, catalog);
    link.setWaitScale(WaitScale);
    link.ConnectPedometer();
    QVERIFY(link.Connected());
    QTRY_COMPARE(device.connectionCount(), 2);

    const DownloadResult result = link.DownloadDeviceData();
    QVERIFY(result.Complete);
    QCOMPARE(result.Block, model->memoryImage());
    link.setClock([] { return QTime(14, 7); });
    QVERIFY(link.SendProfileAndClock(true, 75, 68, 10000));
    const RawMemory raw = model->rawMemory();
    const std::array<uint8_t, 9> expected{0x05, 0x75, 0x80, 0x06, 0x00, 0x00, 0x71, 0x40, 0x01};
    QVERIFY(std::equal(expected.begin(), expected.end(), raw.begin() + 1));
    QVERIFY(prompts.shown().isEmpty());
    QCOMPARE(device.connectionCount(), 2); // the same two handles served both exchanges
}

void TestSimBus::removalOverSockets()
{
    QTemporaryDir dir;
    auto model = std::make_shared<PedometerModel>();
    SimBusDevice device(model);
    QVERIFY(device.start(dir.path(), QStringLiteral("1")));
    SimHidBus bus(dir.path());

    // A handle of a vanished device fails at once, reading and writing.
    std::unique_ptr<HidHandle> handle = bus.open(device.socketPath());
    QVERIFY(handle);
    device.vanish();
    Report report{};
    QCOMPARE(handle->read(report, 1000), -1);
    QCOMPARE(handle->write(Report{0, 0, 0, 0, 0, 0, 0, 0, 0x02}, 1000), HidWriteResult::FailedAtOnce);
    device.comeBack();

    ScriptedPrompts prompts;
    const TSoftInfo catalog = DefaultCatalog();
    DeviceLink link(bus, prompts, catalog);
    link.setWaitScale(WaitScale);
    link.ConnectPedometer();
    PedometerFaults faults;
    faults.vanishAfter = 3;
    model->setFaults(faults);
    QVERIFY(!link.DownloadDeviceData().Complete);
    QSignalSpy removed(&link, &DeviceLink::pedometerRemoved);
    link.HandleDeviceChange(DeviceLink::DeviceChange::Removal);
    QCOMPARE(removed.count(), 1);
    QVERIFY(!link.ReaderRunning());
    QVERIFY(prompts.shown().isEmpty());
}

void TestSimBus::deafDeviceRunsOutTheWriteLimit()
{
    QTemporaryDir dir;
    auto model = std::make_shared<PedometerModel>();
    PedometerFaults faults;
    faults.deaf = true;
    model->setFaults(faults);
    SimBusDevice device(model);
    QVERIFY(device.start(dir.path(), QStringLiteral("1")));
    SimHidBus bus(dir.path());

    std::unique_ptr<HidHandle> handle = bus.open(device.socketPath());
    QVERIFY(handle);
    const Report handshake = HandshakeRequest();
    HidWriteResult result = HidWriteResult::Written;
    int written = 0;
    for (; written < 64 && result == HidWriteResult::Written; ++written)
        result = handle->write(handshake, 200);
    QCOMPARE(result, HidWriteResult::TimedOut);
    QVERIFY2(written < 32, "a device that never reads must not absorb more than a few reports");
}

void TestSimBus::monitorWaitsForDirectoryAndReportsChanges()
{
    QTemporaryDir root;
    const QString busDir = root.filePath("later/bus");
    DirWatchMonitor monitor(busDir);
    QSignalSpy arrived(&monitor, &HidChangeMonitor::interfaceArrived);
    QSignalSpy removed(&monitor, &HidChangeMonitor::interfaceRemoved);
    QVERIFY(monitor.start());

    SimBusDevice device;
    QVERIFY(device.start(busDir, QStringLiteral("1"))); // creates the directory, then the socket
    QTRY_COMPARE_WITH_TIMEOUT(arrived.count(), 1, 3000);

    // Files that are not devices are no arrivals.
    QVERIFY(Touch(QDir(busDir).filePath("readme.txt")));
    QTest::qWait(100);
    QCOMPARE(arrived.count(), 1);

    device.vanish();
    QTRY_COMPARE_WITH_TIMEOUT(removed.count(), 1, 3000);

    // The whole directory going and coming back is followed too.
    QVERIFY(QDir(busDir).removeRecursively());
    QTest::qWait(100);
    QVERIFY(QDir().mkpath(busDir));
    device.comeBack();
    QTRY_COMPARE_WITH_TIMEOUT(arrived.count(), 2, 3000);
}

void TestSimBus::platformFollowsEnvironmentValue()
{
    QTemporaryDir dir;
    SimBusDevice device;
    QVERIFY(device.start(dir.path(), QStringLiteral("x")));

    qputenv("KINETRAX_HID_BUS", dir.path().toUtf8());
    HidPlatform simulated = CreateHidPlatformFromEnvironment();
    QVERIFY(simulated.simulated);
    QVERIFY(simulated.monitor);
    QCOMPARE(simulated.bus->enumerate().size(), size_t(1));
    QCOMPARE(simulated.bus->enumerate().front().path, device.socketPath());

    QVERIFY(dynamic_cast<SimHidBus*>(simulated.bus.get()));
    QVERIFY(dynamic_cast<DirWatchMonitor*>(simulated.monitor.get()));

    qputenv("KINETRAX_HID_BUS", QByteArray());   // set but empty: the system's devices
    HidPlatform system = CreateHidPlatformFromEnvironment();
    qunsetenv("KINETRAX_HID_BUS");
    QVERIFY(!system.simulated);
    QVERIFY(dynamic_cast<HidapiBus*>(system.bus.get()));
    QVERIFY(dynamic_cast<UdevMonitor*>(system.monitor.get()));
}

void TestSimBus::watchedBusConnectsAndEndsTheLink()
{
    QTemporaryDir root;
    const QString busDir = root.filePath("bus");
    HidPlatform platform = CreateHidPlatform(busDir); // before the device exists, as at start-up
    ScriptedPrompts prompts;
    const TSoftInfo catalog = DefaultCatalog();
    DeviceLink link(*platform.bus, prompts, catalog);
    link.setWaitScale(WaitScale);
    link.ConnectPedometer();
    QVERIFY(!link.Connected());
    QVERIFY(link.RegisterForDeviceChanges(*platform.monitor));
    QSignalSpy removed(&link, &DeviceLink::pedometerRemoved);

    // A keyboard comes and goes: no connection, no removal.
    SimBusDevice keyboard;
    QVERIFY(keyboard.start(busDir, QStringLiteral("kbd"), nullptr, 0x046D, 0xC31C));
    QTest::qWait(200);
    QVERIFY(!link.Connected());

    SimBusDevice pedometer;
    QVERIFY(pedometer.start(busDir, QStringLiteral("1")));
    QTRY_VERIFY_WITH_TIMEOUT(link.Connected(), 3000);
    QVERIFY(link.DownloadDeviceData().Complete);

    keyboard.stop();
    QTest::qWait(200);
    QCOMPARE(removed.count(), 0);
    QVERIFY(link.Connected());

    link.StartReader();
    pedometer.vanish();
    QTRY_COMPARE_WITH_TIMEOUT(removed.count(), 1, 3000);
    QVERIFY(!link.Connected());
    QVERIFY(!link.ReaderRunning());
    QVERIFY(prompts.shown().isEmpty());
}

QTEST_GUILESS_MAIN(TestSimBus)
#include "test_sim_bus.moc"
