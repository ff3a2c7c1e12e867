#include "emulator/sim_bus_device.h"
#include "device/sim_bus.h"
#include "protocol/pedometer_protocol.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A client connection as the program's side of the bus makes it.
class Connection {
public:
    explicit Connection(const QString& path)
    {
        fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(path);
        std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~Connection()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }
    bool send(const QByteArray& message) const
    {
        return ::send(fd_, message.constData(), size_t(message.size()), MSG_NOSIGNAL) == message.size();
    }
    // The next message; empty on time-out, "EOF" when the device closed the connection.
    QByteArray receive(int timeoutMs = 1000) const
    {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return {};
        char buffer[128];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n <= 0)
            return "EOF";
        return QByteArray(buffer, int(n));
    }

private:
    int fd_ = -1;
};

QByteArray bytes(const char* hex)
{
    return QByteArray::fromHex(hex);
}

const char* const Handshake = "00000000000000c802";
const char* const HandshakeAnswer = "000000000000f4c812";

} // namespace

class TestSimBusDevice : public QObject {
    Q_OBJECT

private slots:
    void servesReportsToEveryConnection()
    {
        QTemporaryDir dir;
        SimBusDevice device;
        QString error;
        QVERIFY2(device.start(dir.filePath("bus"), "dev_1", &error), qPrintable(error));
        QCOMPARE(device.socketPath(), dir.filePath("bus/0c45-70c1-dev_1.hid"));
        QVERIFY(QFileInfo(device.socketPath()).exists());

        Connection writer(device.socketPath()), reader(device.socketPath());
        QVERIFY(writer.isOpen() && reader.isOpen());
        QTRY_COMPARE(device.connectionCount(), 2);

        // Messages that are not 9 bytes are ignored, not answered.
        QVERIFY(writer.send(bytes("00000000000000c8")));
        QVERIFY(writer.send(bytes("00000000000000c80200")));
        QVERIFY(writer.send(bytes(Handshake)));
        QCOMPARE(reader.receive().toHex(), QByteArray(HandshakeAnswer));
        QCOMPARE(writer.receive().toHex(), QByteArray(HandshakeAnswer));
        QVERIFY(reader.receive(100).isEmpty());
        QCOMPARE(device.model()->outputReportCount(), 1);

        // A read request comes back with the memory bytes, last byte first.
        QVERIFY(writer.send(bytes("000000000000000102")));
        QCOMPARE(reader.receive().toHex(), QByteArray("000006507005f40112"));
    }

    // The program's side of the bus and this device meet on the same rules: a whole download through
    // the program's bus, with noise on the wire, reads the device's memory exactly.
    void programBusDownloadsThroughTheSocket()
    {
        QTemporaryDir dir;
        auto model = std::make_shared<PedometerModel>();
        model->setHistory(GenerateHistory(9, true, 70, 65));
        PedometerFaults f;
        f.garbage = true;
        f.wrongLength = true;
        model->setFaults(f);
        SimBusDevice device(model);
        QVERIFY(device.start(dir.path(), "1"));
        SimHidBus bus(dir.path());
        const auto list = bus.enumerate();
        QCOMPARE(int(list.size()), 1);
        QCOMPARE(list[0].vendorId, uint16_t(0x0C45));
        QCOMPARE(list[0].productId, uint16_t(0x70C1));
        auto writer = bus.open(list[0].path);
        auto reader = bus.open(list[0].path);
        QVERIFY(writer && reader);

        MemoryImage image{};
        for (int s = 0; s <= ReadRequestCount; ++s) {
            const Report request = s == 0 ? HandshakeRequest() : ReadRequest(s);
            QCOMPARE(writer->write(request, 1000), HidWriteResult::Written);
            Report answer{};
            do {
                QCOMPARE(reader->read(answer, 1000), 1);
            } while (!IsAnswer(answer, request[7]));
            if (s > 0)
                TakeReadAnswer(answer, ReadRequestAddress(s), image);
        }
        QVERIFY(image == model->memoryImage());

        device.vanish();
        Report r{};
        QCOMPARE(reader->read(r, 1000), -1);
        QVERIFY(bus.enumerate().empty());
    }

    void fullQueueDropsCopiesWithoutBlockingOthers()
    {
        QTemporaryDir dir;
        SimBusDevice device;
        QVERIFY(device.start(dir.path(), "1"));
        Connection idle(device.socketPath()), active(device.socketPath());
        QTRY_COMPARE(device.connectionCount(), 2);
        // The idle connection never reads: its queue fills, the active one still gets every answer.
        for (int i = 0; i < 200; ++i) {
            QVERIFY(active.send(bytes("000000000000000002")));
            QCOMPARE(active.receive().toHex(), QByteArray("000000000000f40012"));
        }
        int queued = 0;
        while (!idle.receive(50).isEmpty())
            ++queued;
        QVERIFY(queued > 0 && queued < 200);
    }

    void vanishClosesConnectionsAndRemovesTheFile()
    {
        QTemporaryDir dir;
        auto model = std::make_shared<PedometerModel>();
        PedometerFaults f;
        f.vanishAfter = 2;
        f.returnAfterMs = 300;
        model->setFaults(f);
        ReportLog log;
        SimBusDevice device(model, &log);
        QVERIFY(device.start(dir.path(), "1"));
        Connection c(device.socketPath());
        QVERIFY(c.send(bytes(Handshake)));
        QCOMPARE(c.receive().toHex(), QByteArray(HandshakeAnswer));
        QVERIFY(c.send(bytes(Handshake)));
        QCOMPARE(c.receive(), QByteArray("EOF")); // removed without answering
        QVERIFY(!QFileInfo::exists(device.socketPath()));
        QVERIFY(!c.send(bytes(Handshake)));
        QVERIFY(!Connection(device.socketPath()).isOpen());

        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(device.socketPath()), 2000);
        Connection again(device.socketPath());
        QVERIFY(again.send(bytes(Handshake)));
        QCOMPARE(again.receive().toHex(), QByteArray(HandshakeAnswer));
        QCOMPARE(log.lines().filter(" event vanished").size(), 1);
        QCOMPARE(log.lines().filter(" event returned").size(), 1);

        device.vanish();
        QCOMPARE(again.receive(), QByteArray("EOF"));
        QVERIFY(!device.isPresent());
        device.comeBack();
        QVERIFY(device.isPresent());
        QVERIFY(Connection(device.socketPath()).isOpen());
    }

    void stopRemovesTheSocketAndEndsConnections()
    {
        QTemporaryDir dir;
        SimBusDevice device;
        QVERIFY(device.start(dir.path(), "1"));
        const QString path = device.socketPath();
        Connection c(path);
        QTRY_COMPARE(device.connectionCount(), 1);
        device.stop();
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(c.receive(), QByteArray("EOF"));
        device.stop();
    }

    void deafDeviceTakesNothing()
    {
        QTemporaryDir dir;
        auto model = std::make_shared<PedometerModel>();
        PedometerFaults f;
        f.deaf = true;
        model->setFaults(f);
        SimBusDevice device(model);
        QVERIFY(device.start(dir.path(), "1"));
        Connection c(device.socketPath());
        QVERIFY(c.send(bytes(Handshake)));
        QVERIFY(c.receive(200).isEmpty());
        QCOMPARE(model->outputReportCount(), 0);
    }

    void refusesWhatItCannotServe()
    {
        QTemporaryDir dir;
        QString error;
        SimBusDevice device;
        QVERIFY(!device.start(dir.path(), "bad-tag", &error));
        QVERIFY(error.contains("bad-tag"));
        QVERIFY(!device.start(dir.path(), QString(33, 'a'), &error));

        QFile plain(dir.filePath("0c45-70c1-1.hid"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QVERIFY(!device.start(dir.path(), "1", &error));
        QVERIFY(error.contains("not a socket"));
        QVERIFY(plain.exists());

        SimBusDevice first, second;
        QVERIFY(first.start(dir.path(), "2"));
        QVERIFY(!second.start(dir.path(), "2", &error));
        QVERIFY(error.contains("already serves"));
        QVERIFY(Connection(first.socketPath()).isOpen());
    }

    void replacesAStaleSocketFile()
    {
        QTemporaryDir dir;
        QString path;
        {
            // A device that died without cleaning up leaves a socket nobody listens on.
            const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            path = dir.filePath("0c45-70c1-1.hid");
            const QByteArray p = QFile::encodeName(path);
            std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
            ::close(fd);
        }
        QVERIFY(QFileInfo::exists(path));
        SimBusDevice device;
        QString error;
        QVERIFY2(device.start(dir.path(), "1", &error), qPrintable(error));
        Connection c(path);
        QVERIFY(c.send(bytes(Handshake)));
        QCOMPARE(c.receive().toHex(), QByteArray(HandshakeAnswer));
    }
};

QTEST_GUILESS_MAIN(TestSimBusDevice)
#include "test_sim_bus_device.moc"
