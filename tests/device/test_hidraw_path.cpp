// The real device path, hidapi on hidraw and the udev monitor, against a pedometer that umockdev
// fakes in sysfs, /dev and the uevent socket. Runs under umockdev-wrapper (LD_PRELOAD); the reports
// are answered by the same PedometerModel as on the simulated bus.

// glib names a member "signals", which Qt defines as a keyword: glib comes first.
#include <umockdev.h>

#include "app/main_window.h"
#include "catalog/catalog_file.h"
#include "device/device_link.h"
#include "device/hidapi_bus.h"
#include "device/udev_monitor.h"
#include "emulator/pedometer_history.h"
#include "emulator/pedometer_model.h"
#include "forms/artwork_widget.h"
#include "loading/loading_window.h"
#include "profiles/settings_window.h"
#include "protocol/pedometer_protocol.h"
#include "store/activity_file.h"
#include "tests/support/file_capabilities.h"
#include "tests/support/held_prompts.h"
#include "tests/support/scripted_folder_opener.h"
#include "tests/support/scripted_mailer.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_data_dir.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Vendor page, 8-byte input and output reports without report ids.
guint8 PedometerDescriptor[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
                                0x95, 0x08, 0x09, 0x01, 0x81, 0x02, 0x95, 0x08, 0x09, 0x01, 0x91, 0x02, 0xC0};

// How long an idle read waits before it reports nothing, as a hidraw read with a short poll would.
constexpr auto IdleReadLimit = std::chrono::milliseconds(20);

// The pedometer's hidraw node: answers the descriptor ioctls, takes 9-byte writes into the model and
// hands its answers to reads, 8 bytes each, without the report id. A read with nothing to deliver is
// held and completed when an answer is due or after IdleReadLimit, from a thread of its own, since
// umockdev's worker must not be blocked.
class PedometerNode {
public:
    explicit PedometerNode(std::shared_ptr<PedometerModel> model) : model_(std::move(model))
    {
        handler_ = umockdev_ioctl_base_new();
        g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&PedometerNode::onIoctl), this);
        g_signal_connect(handler_, "handle-read", G_CALLBACK(&PedometerNode::onRead), this);
        g_signal_connect(handler_, "handle-write", G_CALLBACK(&PedometerNode::onWrite), this);
        completer_ = std::thread([this] { completeHeldReads(); });
    }
    ~PedometerNode()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        completer_.join();
        g_object_unref(handler_);
    }
    PedometerNode(const PedometerNode&) = delete;
    PedometerNode& operator=(const PedometerNode&) = delete;

    UMockdevIoctlBase* handler() const { return handler_; }

    // Every later read and write fails as on an unplugged device; held reads end at once.
    void unplug()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            gone_ = true;
        }
        wake_.notify_all();
    }

    // The writes taken so far, as the program sent them.
    std::vector<QByteArray> writes() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return writes_;
    }

private:
    struct Due {
        Clock::time_point at;
        QByteArray bytes;
    };
    struct HeldRead {
        UMockdevIoctlClient* client;
        Clock::time_point giveUp;
    };

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer)
    {
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        const gulong request = umockdev_ioctl_client_get_request(client);
        if (request == HIDIOCGRDESCSIZE) {
            UMockdevIoctlData* size = umockdev_ioctl_data_resolve(arg, 0, sizeof(int), nullptr);
            const int value = sizeof PedometerDescriptor;
            memcpy(size->data, &value, sizeof value);
            umockdev_ioctl_client_complete(client, 0, 0);
        } else if (request == HIDIOCGRDESC) {
            UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(hidraw_report_descriptor), nullptr);
            auto* descriptor = reinterpret_cast<hidraw_report_descriptor*>(d->data);
            descriptor->size = sizeof PedometerDescriptor;
            memcpy(descriptor->value, PedometerDescriptor, sizeof PedometerDescriptor);
            umockdev_ioctl_client_complete(client, 0, 0);
        } else {
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
        }
        return TRUE;
    }

    static gboolean onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        auto* node = static_cast<PedometerNode*>(self);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        const QByteArray bytes(reinterpret_cast<const char*>(arg->data), arg->data_len);
        std::unique_lock<std::mutex> lock(node->mutex_);
        if (node->gone_) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        node->writes_.push_back(bytes);
        // The kernel takes the report id as byte 0; an unnumbered device gets 0 there.
        if (bytes.size() == ReportSize) {
            Report report{};
            std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(report.data()));
            lock.unlock();
            const PedometerReply reply = node->model_->handleOutputReport(report);
            const auto at = Clock::now() + std::chrono::milliseconds(node->model_->faults().latencyMs);
            lock.lock();
            for (const QByteArray& m : reply.messages)
                node->due_.push_back({at, m.size() == ReportSize ? m.mid(1) : m});
        }
        umockdev_ioctl_client_complete(client, arg->data_len, 0);
        lock.unlock();
        node->wake_.notify_all();
        return TRUE;
    }

    static gboolean onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        auto* node = static_cast<PedometerNode*>(self);
        {
            std::lock_guard<std::mutex> lock(node->mutex_);
            g_object_ref(client);
            node->held_.push_back({client, Clock::now() + IdleReadLimit});
        }
        node->wake_.notify_all();
        return TRUE;
    }

    // Under mutex_: completes the held reads that can be completed now. Returns when to look again.
    Clock::time_point serveLocked()
    {
        const auto now = Clock::now();
        Clock::time_point next = now + std::chrono::seconds(1);
        while (!held_.empty()) {
            HeldRead read = held_.front();
            UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(read.client);
            if (gone_) {
                umockdev_ioctl_client_complete(read.client, -1, ENODEV);
            } else if (!due_.empty() && due_.front().at <= now) {
                const QByteArray m = due_.front().bytes;
                due_.pop_front();
                const int n = std::min<int>(int(m.size()), arg->data_len);
                memcpy(arg->data, m.constData(), size_t(n));
                umockdev_ioctl_client_complete(read.client, n, 0);
            } else if (read.giveUp <= now) {
                umockdev_ioctl_client_complete(read.client, -1, EAGAIN);
            } else {
                next = std::min(read.giveUp, due_.empty() ? next : due_.front().at);
                break;
            }
            g_object_unref(read.client);
            held_.pop_front();
        }
        return next;
    }

    void completeHeldReads()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            const auto next = serveLocked();
            wake_.wait_until(lock, next);
        }
        for (const HeldRead& read : held_) {
            umockdev_ioctl_client_complete(read.client, -1, ENODEV);
            g_object_unref(read.client);
        }
        held_.clear();
    }

    std::shared_ptr<PedometerModel> model_;
    UMockdevIoctlBase* handler_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Due> due_;
    std::deque<HeldRead> held_;
    std::vector<QByteArray> writes_;
    bool gone_ = false;
    bool stop_ = false;
    std::thread completer_;
};

constexpr const char* UsbPath = "/sys/devices/pci0000:00/usb1/1-1";
constexpr const char* HidrawPath = "/sys/devices/pci0000:00/usb1/1-1/1-1:1.0/0003:0C45:70C1.0001/hidraw/hidraw2";

// A USB bus with two foreign HID devices and, once plugged in, the pedometer at hidraw2: a keyboard
// at hidraw1 and, enumerated first, another device of the pedometer's vendor (0x0C45 makes many) at
// hidraw0.
class Testbed {
public:
    Testbed() : bed_(umockdev_testbed_new())
    {
        addHidDevice("usb1/1-3", "0c45", "7401", "0003:0C45:7401.0003", "0003:00000C45:00007401", "hidraw0");
        addHidDevice("usb1/1-2", "046d", "c31c", "0003:046D:C31C.0002", "0003:0000046D:0000C31C", "hidraw1");
    }
    ~Testbed() { g_object_unref(bed_); }
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    // Adds the pedometer's USB device, interface, HID device and hidraw node, answered by model.
    void plugIn(std::shared_ptr<PedometerModel> model)
    {
        addHidDevice("usb1/1-1", "0c45", "70c1", "0003:0C45:70C1.0001", "0003:00000C45:000070C1", "hidraw2");
        node_ = std::make_unique<PedometerNode>(std::move(model));
        GError* error = nullptr;
        if (!umockdev_testbed_attach_ioctl(bed_, "/dev/hidraw2", node_->handler(), &error))
            qFatal("attach_ioctl: %s", error->message);
        // hidapi polls before it reads; one byte the reads never consume keeps the node readable, and
        // the handler decides what a read returns.
        const int master = umockdev_testbed_get_dev_fd(bed_, "/dev/hidraw2");
        const char byte = 1;
        if (master < 0 || ::write(master, &byte, 1) != 1)
            qFatal("cannot make the node readable");
        umockdev_testbed_uevent(bed_, HidrawPath, "add");
    }

    void unplug()
    {
        node_->unplug();
        umockdev_testbed_uevent(bed_, HidrawPath, "remove");
        umockdev_testbed_remove_device(bed_, HidrawPath);
        umockdev_testbed_remove_device(bed_, UsbPath);
    }

    PedometerNode& node() { return *node_; }
    QString devNode(const char* name) const
    {
        gchar* root = umockdev_testbed_get_root_dir(bed_);
        const QString path = QString::fromLocal8Bit(root) + QStringLiteral("/dev/") + QLatin1String(name);
        g_free(root);
        return path;
    }

private:
    void addHidDevice(const char* usb, const char* vendor, const char* product, const char* hidName,
                      const char* hidId, const char* hidraw)
    {
        const QByteArray base = QByteArray("/devices/pci0000:00/") + usb;
        const QByteArray usbName = QByteArray(usb).mid(QByteArray(usb).lastIndexOf('/') + 1);
        const QByteArray hid = base + "/" + usbName + ":1.0/" + hidName;
        const QByteArray description =
            "P: " + base + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + vendor
            + "\nA: idProduct=" + product + "\nA: manufacturer=Test\nA: product=Test device\nA: serial=1\n"
            + "A: busnum=1\nA: devnum=2\nA: bcdDevice=0100\n\n"
            + "P: " + base + "/" + usbName + ":1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n"
            + "A: bInterfaceNumber=00\n\n"
            + "P: " + hid + "\nE: SUBSYSTEM=hid\nE: HID_ID=" + hidId + "\nE: HID_NAME=Test device\n"
            + "E: HID_PHYS=usb-0000:00:14.0-1/input0\nE: HID_UNIQ=1\n\n"
            + "P: " + hid + "/hidraw/" + hidraw + "\nN: " + hidraw + "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/"
            + hidraw + "\nL: device=../../../" + hidName + "\n";
        GError* error = nullptr;
        if (!umockdev_testbed_add_from_string(bed_, description.constData(), &error))
            qFatal("testbed: %s", error->message);
        const QByteArray hidSys = "/sys" + hid;
        umockdev_testbed_set_attribute_binary(bed_, hidSys.constData(), "report_descriptor", PedometerDescriptor,
                                              sizeof PedometerDescriptor);
    }

    UMockdevTestbed* bed_;
    std::unique_ptr<PedometerNode> node_;
};

} // namespace

class TestHidrawPath : public QObject {
    Q_OBJECT

    struct Rig {
        Testbed bed;
        std::shared_ptr<PedometerModel> model = std::make_shared<PedometerModel>();
        TSoftInfo catalog = DefaultCatalog();
        ScriptedPrompts prompts;
        HidapiBus bus;
        UdevMonitor monitor;   // bound before the first enumeration, as the program does
        std::unique_ptr<DeviceLink> link;

        Rig() { model->setHistory(GenerateHistory(9, true, 70, 65)); }
        DeviceLink& connect(bool plugged = true)
        {
            if (plugged)
                bed.plugIn(model);
            link = std::make_unique<DeviceLink>(bus, prompts, catalog);
            link->setWaitScale(0.2);
            if (!link->RegisterForDeviceChanges(monitor))
                qFatal("the udev monitor did not start");
            link->ConnectPedometer();
            return *link;
        }
    };

private slots:
    void initTestCase()
    {
        if (!qEnvironmentVariable("LD_PRELOAD").contains(QLatin1String("libumockdev-preload")))
            QSKIP("not under umockdev-wrapper: the faked hidraw nodes need its LD_PRELOAD library");
        InitFormResources();
    }

    void findsThePedometerAmongOtherHidDevicesAndTalksInUnnumberedReports()
    {
        Rig rig;
        rig.bed.plugIn(rig.model);
        QCOMPARE(rig.bus.enumerate().size(), size_t(3));
        const auto matching = rig.bus.enumerateMatching(PedometerVendorId, PedometerProductId);
        QCOMPARE(matching.size(), size_t(1));
        QCOMPARE(matching[0].path, QStringLiteral("/dev/hidraw2"));

        std::unique_ptr<HidHandle> handle = rig.bus.open(matching[0].path);
        QVERIFY(handle);
        Report idle{};
        QCOMPARE(handle->read(idle, 50), 0);
        QCOMPARE(handle->write(HandshakeRequest(), 1000), HidWriteResult::Written);
        Report answer{};
        QCOMPARE(handle->read(answer, 1000), 1);
        QCOMPARE(answer, Answer(HandshakeTag, rig.model->rawMemory()[0]));
        const QByteArray written = rig.bed.node().writes().at(0);
        QCOMPARE(written.size(), 9);
        QCOMPARE(int(written[0]), 0);
    }

    void downloadAndUploadThroughTheLink()
    {
        Rig rig;
        DeviceLink& link = rig.connect();
        QVERIFY(link.Connected());
        QCOMPARE(link.DevicePath(), QStringLiteral("/dev/hidraw2"));

        const DownloadResult download = link.DownloadDeviceData();
        QVERIFY(download.Complete);
        QVERIFY(download.Block == rig.model->memoryImage());

        QVERIFY(link.SendProfileAndClock(true, 72, 61, 12345));
        const ProfileValues written = rig.model->profile();
        QCOMPARE(int(written.Steplength), 72);
        QCOMPARE(int(written.Weight), 61);
        QCOMPARE(int(written.TargetSteps), 12345);
        QVERIFY(rig.prompts.shown().isEmpty());
    }

    void pedometerPluggedInAfterStartIsConnected()
    {
        Rig rig;
        DeviceLink& link = rig.connect(false);
        QVERIFY(!link.Connected());
        rig.bed.plugIn(rig.model);
        QTRY_VERIFY_WITH_TIMEOUT(link.Connected(), 5000);
        QVERIFY(link.DownloadDeviceData().Complete);
    }

    void removalDuringADownloadEndsItAndTellsTheProgram()
    {
        Rig rig;
        PedometerFaults slow;
        slow.latencyMs = 40;
        rig.model->setFaults(slow);
        DeviceLink& link = rig.connect();
        QSignalSpy removed(&link, &DeviceLink::pedometerRemoved);

        DownloadResult result;
        QElapsedTimer clock;
        qint64 endedAfterMs = -1;
        clock.start();
        std::thread download([&] {
            result = link.DownloadDeviceData();
            endedAfterMs = clock.elapsed();
        });
        QTRY_VERIFY(rig.model->outputReportCount() >= 4);
        const qint64 unpluggedAt = clock.elapsed();
        rig.bed.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(removed.count(), 1, 5000);
        download.join();

        QVERIFY(!result.Complete);
        QVERIFY(!link.Connected());
        // Within one read request's wait (2000 ms at this scale: 400 ms) of the removal.
        QVERIFY2(endedAfterMs - unpluggedAt < 1500, qPrintable(QString::number(endedAfterMs - unpluggedAt)));
        QVERIFY(!rig.prompts.texts().contains(rig.catalog.Info[0]));
    }

    void pedometerThatStopsAnsweringFailsTheExchangeWithItsMessage()
    {
        Rig rig;
        DeviceLink& link = rig.connect();
        PedometerFaults silent;
        silent.dropAll = true;
        rig.model->setFaults(silent);
        QVERIFY(!link.DownloadDeviceData().Complete);
        QVERIFY(!link.SendProfileAndClock(true, 70, 65, 10000));
        QVERIFY(rig.prompts.texts().contains(rig.catalog.Info[10]));
        QVERIFY(link.Connected());
    }

    // Root opens any file, so the refusal is made real by dropping that power in a child process.
    void nodeThatRefusesOpeningNamesTheUdevRule()
    {
        Rig rig;
        rig.bed.plugIn(rig.model);
        QCOMPARE(::chmod(QFile::encodeName(rig.bed.devNode("hidraw2")).constData(), 0), 0);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (!DropFileCapabilities())
                _exit(3);
            ScriptedPrompts prompts;
            DeviceLink link(rig.bus, prompts, rig.catalog);
            link.ConnectPedometer();
            const QStringList texts = prompts.texts();
            const bool named = texts.size() == 1 && texts[0].contains(QLatin1String(PedometerUdevRuleFile));
            _exit(!link.Connected() && link.OpenProblem() == HidOpenError::PermissionDenied && named ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    // The program itself, unchanged, on the faked system: it downloads at start-up, and ends with
    // "No device!" once the pedometer is unplugged.
    void programDownloadsAtStartAndEndsWhenThePedometerIsRemoved()
    {
        Rig rig;
        rig.bed.plugIn(rig.model);
        TempDataDir data;
        TempDataDir runtime;
        QVERIFY(data.write("Kinetrax.dat", "SoftName:Kinetrax\r\n[Client]\r\n1\r\nAnna,1,34,165,58,68,8000,1,1\r\n"));

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("KINETRAX_HID_BUS"));
        env.insert(QStringLiteral("KINETRAX_DATA_DIR"), data.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("KINETRAX_PROMPTS"), QStringLiteral("stderr"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(KX_KINETRAX_PATH), {});
        QVERIFY(program.waitForStarted());

        // The handshake and the 17 read requests of the start-up download.
        QTRY_VERIFY_WITH_TIMEOUT(rig.model->outputReportCount() >= 18, 20000);
        QTest::qWait(300);
        QCOMPARE(program.state(), QProcess::Running);
        rig.bed.unplug();
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitCode(), 0);
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(errors.contains(QStringLiteral("] ") + rig.catalog.Info[0]), qPrintable(errors));
    }

    // The program's three windows, built as the entry builds them, on the faked system: the start-up
    // download, OK on the listed profile, and the pedometer's eight days in that user's activity file.
    void startupDownloadReachesTheChosenUsersActivityFile()
    {
        Rig rig;
        rig.bed.plugIn(rig.model);
        TempDataDir data;
        QVERIFY(data.write("Kinetrax.dat", "SoftName:Kinetrax\r\n[Client]\r\n1\r\nAnna,1,34,165,58,68,8000,1,1\r\n"));
        HeldPrompts held;
        ScriptedMailer mailer;
        ScriptedFolderOpener folders;
        TForm1 form1(rig.bus, held, mailer, folders, data.path(), &rig.monitor);
        TForm2 form2(form1.state(), form1.link(), held);
        form2.setSyncDelayMs(0);
        TForm3 form3(form1.state(), form1.link(), held);
        form1.setStartupWindows(&form2, &form3);
        const QDate today = QDate::currentDate();
        form1.setTodaySource([today] { return today; });
        form2.setTodaySource([today] { return today; });

        QTimer choose;
        QObject::connect(&choose, &QTimer::timeout, &form2, [&] {
            if (!form2.isVisible())
                return;
            choose.stop();
            form2.HighlightRow(1);
            form2.OKBtnClick();
        });
        choose.start(5);
        QSignalSpy chosen(&form2, &QDialog::finished);
        form1.show();
        QVERIFY(QTest::qWaitFor([&] { return !chosen.isEmpty(); }, 30000));
        QCOMPARE(form1.state().CurrentUser, QStringLiteral("Anna"));
        QVERIFY2(held.script().texts().contains(QStringLiteral("Synchronization OK!   ")),
                 qPrintable(held.script().texts().join(QLatin1Char('|'))));

        const DayRecordList records = DayRecordsFromBytes(data.read(QStringLiteral("Anna.bin")));
        const PedometerHistory history = rig.model->history();
        QCOMPARE(records.size(), history.days.size());
        for (std::size_t k = 0; k < history.days.size(); ++k) {
            const uint32_t key = uint32_t(today.addDays(-qint64(k)).toString(QStringLiteral("yyyyMMdd")).toUInt());
            const auto day = std::find_if(records.begin(), records.end(), [key](const TBINFile& r) { return r.Date == key; });
            QVERIFY2(day != records.end(), qPrintable(QString::number(key)));
            QCOMPARE(day->Steps, history.days[k].Steps);
            QCOMPARE(day->Distance, history.days[k].Distance);
            QCOMPARE(day->Calories, history.days[k].Calories);
            QCOMPARE(day->WalkingTime, history.days[k].WalkingTime);
        }

        QSignalSpy ended(&form1, &TForm1::programEnded);
        rig.bed.unplug();
        QVERIFY(ended.wait(10000));
        QCOMPARE(held.script().texts().last(), rig.catalog.Info[0]);
    }
};

QTEST_MAIN(TestHidrawPath)
#include "test_hidraw_path.moc"
