#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QString simProgram()
{
    return QCoreApplication::applicationDirPath() + "/pedometer-sim";
}

// One request on a fresh connection; the answer as hex, empty when none came.
QByteArray ask(const QString& socketPath, const QByteArray& request)
{
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(socketPath);
    std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
    QByteArray answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0
        && ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size()) {
        pollfd pfd{fd, POLLIN, 0};
        char buffer[64];
        if (::poll(&pfd, 1, 2000) == 1) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n > 0)
                answer = QByteArray(buffer, int(n)).toHex();
        }
    }
    ::close(fd);
    return answer;
}

} // namespace

class TestPedometerSim : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (!QFileInfo::exists(simProgram()))
            QSKIP("pedometer-sim is not built beside the tests");
    }

    void helpNamesEveryOption()
    {
        QProcess sim;
        sim.start(simProgram(), {"--help"});
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 0);
        const QString help = QString::fromUtf8(sim.readAllStandardOutput());
        for (const char* option : {"--bus", "--tag", "--seed", "--history", "--imperial", "--latency", "--busy",
                                   "--drop", "--garbage", "--wrong-length", "--deaf", "--vanish-after",
                                   "--return-after", "--log", "Examples"})
            QVERIFY2(help.contains(option), option);
    }

    void servesAHistoryFileUntilTerminated()
    {
        QTemporaryDir dir;
        QFile history(dir.filePath("week.txt"));
        QVERIFY(history.open(QIODevice::WriteOnly));
        history.write("# today\n0 12345 1250 9876 23\n");
        history.close();

        QProcess sim;
        sim.start(simProgram(), {"--bus", dir.filePath("bus"), "--tag", "t", "--history", history.fileName(),
                                 "--log", "-"});
        QVERIFY(sim.waitForStarted());
        const QString socket = dir.filePath("bus/0c45-70c1-t.hid");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 5000);

        // Memory bytes 10-15: the start of today's day block 45 23 61 87 09 50.
        QCOMPARE(ask(socket, QByteArray::fromHex("000a00000000000302")), QByteArray("005009876123450312"));

        ::kill(pid_t(sim.processId()), SIGTERM);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(socket));
        const QString log = QString::fromUtf8(sim.readAllStandardOutput());
        QVERIFY(log.contains("recv 00 0A 00 00 00 00 00 03 02"));
        QVERIFY(log.contains("send 00 50 09 87 61 23 45 03 12"));
    }

    void rejectsABadHistoryFile()
    {
        QTemporaryDir dir;
        QFile history(dir.filePath("week.txt"));
        QVERIFY(history.open(QIODevice::WriteOnly));
        history.write("0 12345 1250 9876\n");
        history.close();
        QProcess sim;
        sim.start(simProgram(), {"--bus", dir.filePath("bus"), "--history", history.fileName()});
        QVERIFY(sim.waitForFinished(5000));
        QVERIFY(sim.exitCode() != 0);
        QVERIFY(QString::fromLocal8Bit(sim.readAllStandardError()).contains("line 1"));
        QVERIFY(!QFileInfo::exists(dir.filePath("bus/0c45-70c1-1.hid")));
    }
};

QTEST_GUILESS_MAIN(TestPedometerSim)
#include "test_pedometer_sim.moc"
