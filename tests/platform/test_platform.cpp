#include "platform/atomic_file.h"
#include "platform/data_dir.h"
#include "../support/temp_data_dir.h"

#include <QFile>
#include <QDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void dataDirPrefersEnvironment()
    {
        TempDataDir env, exe;
        QCOMPARE(ResolveDataDir(env.path(), exe.path()), env.path());
        QCOMPARE(ResolveDataDir(QString(), exe.path()), exe.path());
    }

    void dataDirFallsBackWhenExecutableDirIsUnusable()
    {
        TempDataDir home;
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        const QString chosen = ResolveDataDir(QString(), home.filePath("no-such-dir"));
        QVERIFY(chosen.startsWith(home.path()));
        QVERIFY(chosen.endsWith('/'));
        QVERIFY(QFileInfo(chosen).isDir());
    }

    void atomicWriteReplacesWholeFile()
    {
        TempDataDir dir;
        const QString path = dir.filePath("a.bin");
        QVERIFY(WriteFileAtomically(path, "first version"));
        QVERIFY(WriteFileAtomically(path, "2"));
        QCOMPARE(dir.read("a.bin"), QByteArray("2"));
    }

    void failedAtomicWriteKeepsOldFile()
    {
        TempDataDir dir;
        const QString path = dir.filePath("a.bin");
        QVERIFY(WriteFileAtomically(path, "kept"));

        // A file size limit fails the write the way a full disk does, even for root.
        signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit tiny = old;
        tiny.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &tiny);
        QString error;
        const bool written = WriteFileAtomically(path, QByteArray(4096, 'x'), &error);
        setrlimit(RLIMIT_FSIZE, &old);

        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(dir.read("a.bin"), QByteArray("kept"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.bin"});
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "test_platform.moc"
