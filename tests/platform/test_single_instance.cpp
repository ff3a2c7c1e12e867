#include "platform/single_instance.h"

#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void oneHolderAtATime()
    {
        QTemporaryDir dir;
        auto first = std::make_unique<SingleInstanceGuard>(dir.path());
        QVERIFY(first->tryAcquire());
        QVERIFY(first->tryAcquire()); // asking again keeps it
        QCOMPARE(first->lockPath(), dir.filePath(QStringLiteral("Kinetrax")));
        SingleInstanceGuard second(dir.path());
        QVERIFY(!second.tryAcquire());
        first.reset();
        QVERIFY(second.tryAcquire());
    }

    void lockOfADeadRunDoesNotBlock()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Kinetrax"));
        const pid_t child = fork();
        if (child == 0) {
            QLockFile lock(path);
            _exit(lock.tryLock(0) ? 0 : 1); // ends without unlocking, as a crash would
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QVERIFY(QFile::exists(path));
        SingleInstanceGuard guard(dir.path());
        QVERIFY(guard.tryAcquire());
    }

    void secondStartOfTheProgramEndsAtOnce()
    {
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/kinetrax");
        if (!QFile::exists(program))
            QSKIP("kinetrax is not built");
        QTemporaryDir runtime;
        QTemporaryDir data;
        SingleInstanceGuard running(runtime.path());
        QVERIFY(running.tryAcquire());

        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("KINETRAX_DATA_DIR"), data.path());
        env.insert(QStringLiteral("KINETRAX_HID_BUS"), data.filePath(QStringLiteral("bus")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        second.setProcessEnvironment(env);
        second.start(program, {});
        // A run that got past the lock would show its window and wait for the user.
        const bool ended = second.waitForFinished(10000);
        if (!ended)
            second.kill();
        QVERIFY(ended);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        // It never got as far as the catalog.
        QVERIFY(!QFile::exists(data.filePath(QStringLiteral("Step.ini"))));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "test_single_instance.moc"
