#include "emulator/emulated_hid_bus.h"
#include "protocol/pedometer_protocol.h"

#include <QElapsedTimer>
#include <QtTest>

#include <future>

namespace {

// Reads until an answer with the given tag arrives, skipping anything else; false on time-out or failure.
bool awaitAnswer(HidHandle& reader, uint8_t tag, Report* answer, int timeoutMs = 2000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        Report r{};
        const int got = reader.read(r, 50);
        if (got < 0)
            return false;
        if (got == 1 && IsAnswer(r, tag)) {
            *answer = r;
            return true;
        }
    }
    return false;
}

// The download exchange as the program runs it: handshake, then 17 reads of six bytes.
bool download(HidHandle& writer, HidHandle& reader, MemoryImage* image)
{
    Report a{};
    if (writer.write(HandshakeRequest(), 1000) != HidWriteResult::Written || !awaitAnswer(reader, HandshakeTag, &a))
        return false;
    image->fill(0);
    for (int s = 1; s <= ReadRequestCount; ++s) {
        if (writer.write(ReadRequest(s), 1000) != HidWriteResult::Written || !awaitAnswer(reader, uint8_t(s), &a))
            return false;
        TakeReadAnswer(a, ReadRequestAddress(s), *image);
    }
    return true;
}

} // namespace

class TestEmulatedHidBus : public QObject {
    Q_OBJECT

private slots:
    void enumeratesInPathOrderAndOpensOnlyPresentDevices()
    {
        EmulatedHidBus bus;
        const QString keyboard = bus.addDevice(0x046D, 0xC31C);
        const QString sibling = bus.addDevice(0x0C45, 0x1234);
        const QString second = bus.addDevice(0x0C45, 0x70C1, std::make_shared<PedometerModel>());
        const auto list = bus.enumerate();
        QCOMPARE(int(list.size()), 4);
        QCOMPARE(list[0].path, keyboard);
        QCOMPARE(list[0].vendorId, uint16_t(0x046D));
        QCOMPARE(list[1].path, sibling);
        QCOMPARE(list[2].path, bus.pedometerPath()); // the first pedometer comes before the second
        QCOMPARE(list[2].productId, uint16_t(0x70C1));
        QCOMPARE(list[3].path, second);

        HidOpenError error = HidOpenError::None;
        QVERIFY(!bus.open("emu/none", &error));
        QCOMPARE(error, HidOpenError::NotFound);
        bus.setRefuseOpen(true);
        QVERIFY(!bus.open(bus.pedometerPath(), &error));
        QCOMPARE(error, HidOpenError::Failed);
        QVERIFY(bus.isPresent());
        bus.setRefuseOpen(false);
        QVERIFY(bus.open(bus.pedometerPath(), &error));
        QCOMPARE(error, HidOpenError::None);

        // A device without a model takes reports and never answers.
        auto k = bus.open(keyboard);
        QCOMPARE(k->write(HandshakeRequest(), 100), HidWriteResult::Written);
        Report r{};
        QCOMPARE(k->read(r, 50), 0);
    }

    void downloadReadsTheWholeMemory_data()
    {
        QTest::addColumn<bool>("noisy");
        QTest::newRow("plain") << false;
        QTest::newRow("late, with garbage and wrong lengths") << true;
    }

    void downloadReadsTheWholeMemory()
    {
        QFETCH(bool, noisy);
        auto model = std::make_shared<PedometerModel>();
        model->setHistory(GenerateHistory(5, true, 70, 65));
        if (noisy) {
            PedometerFaults f;
            f.latencyMs = 5;
            f.garbage = true;
            f.wrongLength = true;
            model->setFaults(f);
        }
        EmulatedHidBus bus(model);
        auto writer = bus.open(bus.pedometerPath());
        auto reader = bus.open(bus.pedometerPath());
        MemoryImage image{};
        QVERIFY(download(*writer, *reader, &image));
        QVERIFY(image == model->memoryImage());
        QCOMPARE(image[0], StatusReadyAlt);
    }

    void everyOpenHandleGetsItsOwnCopy()
    {
        EmulatedHidBus bus;
        auto writer = bus.open(bus.pedometerPath());
        auto a = bus.open(bus.pedometerPath());
        auto b = bus.open(bus.pedometerPath());
        QCOMPARE(bus.openHandleCount(), 3);
        QCOMPARE(writer->write(StatusRequest(), 100), HidWriteResult::Written);
        auto late = bus.open(bus.pedometerPath());
        Report ra{}, rb{}, rw{}, rl{};
        QCOMPARE(a->read(ra, 100), 1);
        QCOMPARE(b->read(rb, 100), 1);
        QCOMPARE(writer->read(rw, 100), 1);
        QVERIFY(ra == rb && rb == rw);
        QCOMPARE(ra[6], StatusReadyAlt);
        QCOMPARE(late->read(rl, 50), 0); // opened after the report was sent
        late.reset();
        QCOMPARE(bus.openHandleCount(), 3);
    }

    void latencyDelaysTheAnswer()
    {
        auto model = std::make_shared<PedometerModel>();
        PedometerFaults f;
        f.latencyMs = 300;
        model->setFaults(f);
        EmulatedHidBus bus(model);
        auto h = bus.open(bus.pedometerPath());
        QElapsedTimer t;
        t.start();
        h->write(HandshakeRequest(), 100);
        Report r{};
        QCOMPARE(h->read(r, 100), 0);
        QCOMPARE(h->read(r, 1000), 1);
        QVERIFY(t.elapsed() >= 290);
        QCOMPARE(r[7], HandshakeTag);
    }

    void deafDeviceLetsWritesRunOut()
    {
        auto model = std::make_shared<PedometerModel>();
        PedometerFaults f;
        f.deaf = true;
        model->setFaults(f);
        EmulatedHidBus bus(model);
        auto h = bus.open(bus.pedometerPath());
        QElapsedTimer t;
        t.start();
        QCOMPARE(h->write(HandshakeRequest(), 200), HidWriteResult::TimedOut);
        QVERIFY(t.elapsed() >= 190);
        QCOMPARE(model->outputReportCount(), 0);
        Report r{};
        QCOMPARE(h->read(r, 50), 0);
    }

    void unplugFailsHandlesAndWakesABlockedReader()
    {
        EmulatedHidBus bus;
        auto writer = bus.open(bus.pedometerPath());
        auto reader = bus.open(bus.pedometerPath());
        auto blocked = std::async(std::launch::async, [&reader] {
            Report r{};
            QElapsedTimer t;
            t.start();
            const int got = reader->read(r, 5000);
            return std::make_pair(got, t.elapsed());
        });
        QTest::qWait(50);
        bus.unplug();
        const auto [got, waited] = blocked.get();
        QCOMPARE(got, -1);
        QVERIFY(waited < 2000);
        QCOMPARE(writer->write(HandshakeRequest(), 100), HidWriteResult::FailedAtOnce);
        QVERIFY(bus.enumerate().size() == 0);
        QVERIFY(!bus.open(bus.pedometerPath()));

        bus.plugIn();
        QCOMPARE(int(bus.enumerate().size()), 1);
        Report r{};
        QCOMPARE(reader->read(r, 10), -1); // a handle from before the removal stays dead
        auto fresh = bus.open(bus.pedometerPath());
        QCOMPARE(fresh->write(HandshakeRequest(), 100), HidWriteResult::Written);
        QCOMPARE(fresh->read(r, 100), 1);
    }

    void vanishesMidExchangeAndComesBack()
    {
        auto model = std::make_shared<PedometerModel>();
        PedometerFaults f;
        f.vanishAfter = 3;
        f.returnAfterMs = 300;
        model->setFaults(f);
        ReportLog log;
        EmulatedHidBus bus(model, &log);
        auto writer = bus.open(bus.pedometerPath());
        auto reader = bus.open(bus.pedometerPath());
        MemoryImage image{};
        QVERIFY(!download(*writer, *reader, &image));
        QVERIFY(!bus.isPresent());
        QCOMPARE(writer->write(HandshakeRequest(), 100), HidWriteResult::FailedAtOnce);
        QTRY_VERIFY_WITH_TIMEOUT(bus.isPresent(), 2000);

        writer = bus.open(bus.pedometerPath());
        reader = bus.open(bus.pedometerPath());
        QVERIFY(download(*writer, *reader, &image));
        QVERIFY(image == model->memoryImage());

        const QStringList lines = log.lines();
        QVERIFY(lines.filter(" event vanished").size() == 1);
        QVERIFY(lines.filter(" event returned").size() == 1);
        QVERIFY(lines.first().endsWith(" recv 00 00 00 00 00 00 00 C8 02"));
        QVERIFY(lines[1].endsWith(" send 00 00 00 00 00 00 F4 C8 12"));
    }

    void handlesFailSafelyAfterTheBusIsGone()
    {
        std::unique_ptr<HidHandle> h;
        {
            EmulatedHidBus bus;
            h = bus.open(bus.pedometerPath());
        }
        Report r{};
        QCOMPARE(h->read(r, 10), -1);
        QCOMPARE(h->write(r, 10), HidWriteResult::FailedAtOnce);
    }
};

QTEST_GUILESS_MAIN(TestEmulatedHidBus)
#include "test_emulated_hid_bus.moc"
