#include "platform/atomic_file.h"
#include "platform/data_dir.h"
#include "platform/gui_thread_prompts.h"
#include "platform/stderr_prompts.h"
#include "platform/window_placement.h"
#include "tests/support/builders.h"
#include "tests/support/temp_data_dir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <atomic>
#include <cstdio>
#include <thread>

#include <unistd.h>


namespace {
// Answers on the GUI thread: Yes to every question, and counts what it served.
class CountingPrompts : public GuiThreadPrompts {
public:
    std::atomic<int> served{0};
    Qt::HANDLE servedOn = nullptr;

protected:
    bool answerOnGuiThread(const QString&, const QString&, int, const QString&) override
    {
        ++served;
        servedOn = QThread::currentThreadId();
        return true;
    }
};
}

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    // An unattended run's reader counts boxes by lines: every box is one line, whatever its text holds.
    void stderrPromptsWriteOneLinePerBox()
    {
        TempDataDir dir;
        const QString path = dir.filePath(QStringLiteral("stderr"));
        std::fflush(stderr);
        const int saved = dup(2);
        FILE* capture = std::fopen(QFile::encodeName(path).constData(), "w");
        QVERIFY(saved >= 0 && capture);
        dup2(fileno(capture), 2);
        StderrPrompts prompts(QStringLiteral("kx: "));
        prompts.showMessage(QStringLiteral("Kinetrax"), QStringLiteral("Open file error !     \r\n/data/Anna.bin"), 0);
        const bool answer = prompts.askYesNo(QStringLiteral("Q"), QStringLiteral("first\nsecond\rthird\r\n"), 0);
        const bool action = prompts.showMessageWithAction(QString(), QStringLiteral("Mail Send failed!  \n\nsaved as:\n/x.csv"),
                                                          0, QStringLiteral("Open Folder"));
        prompts.showMessage(QStringLiteral("C"), QStringLiteral("plain"), 0);
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
        std::fclose(capture);
        QVERIFY(!answer && !action);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 QStringLiteral("kx: [Kinetrax] Open file error !      / /data/Anna.bin\n"
                                "kx: [Q] first / second / third\n"
                                "kx: [] Mail Send failed!   /  / saved as: / /x.csv\n"
                                "kx: [C] plain\n"));
    }

    void windowIsCentredButNeverAboveOrLeftOfTheScreen_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("fits") << QSize(973, 724) << QRect(0, 0, 1920, 1080) << QPoint(473, 178);
        QTest::newRow("panel above") << QSize(400, 200) << QRect(0, 32, 1000, 700) << QPoint(300, 282);
        QTest::newRow("second screen") << QSize(400, 200) << QRect(1920, 0, 1000, 800) << QPoint(2220, 300);
        // 1280 x 1024 at scale 1.5, less a 27-pixel panel: the main window is taller and wider.
        QTest::newRow("larger than the screen") << QSize(973, 724) << QRect(0, 27, 853, 656) << QPoint(0, 27);
    }
    void windowIsCentredButNeverAboveOrLeftOfTheScreen()
    {
        QFETCH(QSize, window);
        QFETCH(QRect, area);
        QFETCH(QPoint, topLeft);
        QCOMPARE(CentredTopLeft(window, area), topLeft);
    }

    void workerCallIsServedOnTheGuiThreadWhileItWaits()
    {
        CountingPrompts prompts;
        bool yes = false;
        std::thread worker([&] { yes = prompts.askYesNo(QString(), QStringLiteral("Override?"), 0x24); });
        QTRY_COMPARE(prompts.served.load(), 1);
        worker.join();
        QVERIFY(yes);
        QCOMPARE(prompts.servedOn, QThread::currentThreadId());
    }

    void endingReleasesAWaitingWorkerAndLaterCallsReturnAtOnce()
    {
        CountingPrompts prompts;
        std::atomic<bool> returned{false};
        bool yes = true;
        std::thread worker([&] {
            yes = prompts.askYesNo(QString(), QStringLiteral("Override?"), 0x24);
            returned = true;
        });
        // The GUI thread serves no events, as when it waits for the worker at the program's end.
        QElapsedTimer waited;
        waited.start();
        while (prompts.waitingCalls() == 0 && waited.elapsed() < 5000)
            QThread::msleep(1);
        QCOMPARE(prompts.waitingCalls(), 1);
        QVERIFY(!returned);
        prompts.programEnding();
        worker.join();
        QVERIFY(!yes);

        std::thread late([&] { prompts.showMessage(QString(), QStringLiteral("late"), 0); });
        late.join();
        // The queued call of the released worker is not served later either.
        QCoreApplication::processEvents();
        QCOMPARE(prompts.served.load(), 0);
    }

    void dataDirPrefersEnvironment()
    {
        TempDataDir env, exe;
        QCOMPARE(ResolveDataDir(env.path(), exe.path()), env.path());
        QCOMPARE(ResolveDataDir(QString(), exe.path()), exe.path());

        // The program's own choice reads KINETRAX_DATA_DIR; without it the test binary's directory is
        // writable here, so it is taken.
        qputenv("KINETRAX_DATA_DIR", env.path().toUtf8());
        QCOMPARE(DataDirFromEnvironment(), env.path());
        qputenv("KINETRAX_DATA_DIR", QByteArray());
        QCOMPARE(DataDirFromEnvironment(), QCoreApplication::applicationDirPath() + QLatin1Char('/'));
        qunsetenv("KINETRAX_DATA_DIR");
    }

    // A writable installed prefix (a user's ~/.local, a test's temporary prefix) is still not
    // portable use: the data goes to the per-user directory.
    void dataDirOfAnInstalledProgramIsThePerUserOne()
    {
        TempDataDir prefix, home;
        QVERIFY(QDir().mkpath(prefix.filePath("bin")) && QDir().mkpath(prefix.filePath("share/applications")));
        QVERIFY(!IsInstalledLayout(prefix.filePath("bin")));
        QVERIFY(prefix.write("share/applications/" + ApplicationId() + ".desktop", "[Desktop Entry]\n"));
        QVERIFY(IsInstalledLayout(prefix.filePath("bin")));
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        const QString chosen = ResolveDataDir(QString(), prefix.filePath("bin"));
        QVERIFY2(chosen.startsWith(home.path()), qPrintable(chosen));
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

        QString error;
        bool written = true;
        {
            FileSizeLimit limit(16);
            written = WriteFileAtomically(path, QByteArray(4096, 'x'), &error);
        }

        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(dir.read("a.bin"), QByteArray("kept"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.bin"});
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "test_platform.moc"
