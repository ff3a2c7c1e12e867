// Start-up time and memory of the program's windows against a pedometer that answers at once:
//   - time from process start (exec) to the settings window shown, the first moment a user can act;
//   - resident memory once a profile with a 20-year activity file is chosen and TODAY shows it.
// The parent prepares the data and times a child that builds the windows as the entry does, with the
// in-process emulator instead of a system bus. Goals: under 0.5 s and under 80 MB.
#include "forms/artwork_widget.h"
#include "app/main_window.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "loading/loading_window.h"
#include "profiles/settings_window.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "tests/support/builders.h"
#include "tests/support/scripted_folder_opener.h"
#include "tests/support/scripted_mailer.h"
#include "tests/support/scripted_prompts.h"
#include "today/date_texts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {
constexpr int Runs = 5;

long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

bool Prepare(const QString& dir)
{
    if (!SaveUserList(dir + QStringLiteral("/Kinetrax.dat"), {MetricClient(QStringLiteral("Ann"))}))
        return false;
    DayRecordList days;
    const QDate today = QDate::currentDate();
    for (int back = 20 * 366; back >= 8; --back) {
        const uint32_t steps = 3000 + uint32_t(back * 7919) % 12000;
        days.push_back(Day(DateKey(today.addDays(-back)), steps, 10000, steps * 7 / 100, steps * 2 / 5, steps / 100));
    }
    QFile file(dir + QStringLiteral("/Ann.bin"));
    return file.open(QIODevice::WriteOnly) && file.write(DayRecordsToBytes(days)) > 0;
}

int Child(int argc, char* argv[], const QString& dataDir)
{
    QApplication app(argc, argv);
    InitFormResources();
    EmulatedHidBus bus;
    bus.model()->setHistory(GenerateHistory(3, true, 70, 65));
    ScriptedPrompts prompts;
    prompts.setDefaultAnswer(true);
    ScriptedMailer mailer;
    ScriptedFolderOpener folders;
    TForm1 form1(bus, prompts, mailer, folders, dataDir, nullptr);
    TForm2 form2(form1.state(), form1.link(), prompts);
    form2.setSyncDelayMs(0);
    TForm3 form3(form1.state(), form1.link(), prompts);
    form1.setStartupWindows(&form2, &form3);

    auto* poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, &app, [&] {
        if (!form2.isVisible())
            return;
        poll->stop();
        std::printf("shown\n");
        std::fflush(stdout);
        form2.HighlightRow(1);
        form2.OKBtnClick();
    });
    QObject::connect(&form2, &QDialog::finished, &app, [&] {
        QTimer::singleShot(0, &app, [&] {
            std::printf("records %zu rss %ld\n", form1.state().DayRecords.size(), ResidentKiB());
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    });
    poll->start(1);
    form1.show();
    return app.exec();
}
}

int main(int argc, char* argv[])
{
    if (argc == 3 && QByteArray(argv[1]) == "--child")
        return Child(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !Prepare(dir.path())) {
        std::fprintf(stderr, "bench_startup: cannot prepare the data directory\n");
        return 1;
    }
    double best = 1e9, total = 0;
    long rss = 0;
    for (int run = 0; run < Runs; ++run) {
        QTemporaryDir runDir;
        QFile::copy(dir.filePath(QStringLiteral("Kinetrax.dat")), runDir.filePath(QStringLiteral("Kinetrax.dat")));
        QFile::copy(dir.filePath(QStringLiteral("Ann.bin")), runDir.filePath(QStringLiteral("Ann.bin")));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), runDir.path()});
        double shownMs = -1;
        QByteArray out;
        while (child.state() != QProcess::NotRunning || child.bytesAvailable()) {
            child.waitForReadyRead(50);
            out += child.readAllStandardOutput();
            if (shownMs < 0 && out.contains("shown\n"))
                shownMs = clock.nsecsElapsed() / 1e6;
            if (child.state() == QProcess::NotRunning && !child.bytesAvailable())
                break;
            if (clock.elapsed() > 60000) {
                child.kill();
                break;
            }
        }
        const int at = out.indexOf("rss ");
        if (shownMs < 0 || at < 0) {
            std::fprintf(stderr, "bench_startup: run %d failed:\n%s\n%s\n", run, out.constData(),
                         child.readAllStandardError().constData());
            return 1;
        }
        rss = out.mid(at + 4).trimmed().toLong();
        best = std::min(best, shownMs);
        total += shownMs;
        std::printf("run %d: settings window shown after %.0f ms; %s", run + 1, shownMs,
                    out.mid(out.indexOf("records")).constData());
    }
    std::printf("start to settings window: best %.0f ms, mean %.0f ms (goal < 500 ms)\n", best, total / Runs);
    std::printf("resident memory with a 20-year activity file: %.1f MB (goal < 80 MB)\n", rss / 1024.0);
    return 0;
}
