// Times RECORD on a 20-year history (7,300 days) in the real main window, offscreen:
//   - entering the section: the switch, loading the file, the totals, all six charts filled and the
//     shown chart painted once;
//   - each period switch: all six charts refilled and the shown one painted;
//   - one paint of the shown chart on its own.
// Posted work (the charts lay themselves out from the event loop) is inside every timing. Prints the
// median of several runs in milliseconds. Goals: entry under 30 ms, a period switch under 16 ms.
#include "bench/median_time.h"
#include "app/main_window.h"
#include "charts/record_chart_view.h"
#include "charts/record_view.h"
#include "emulator/emulated_hid_bus.h"
#include "forms/artwork_widget.h"
#include "store/activity_file.h"
#include "tests/support/builders.h"
#include "tests/support/scripted_folder_opener.h"
#include "tests/support/scripted_mailer.h"
#include "tests/support/scripted_prompts.h"
#include "today/date_texts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Days = 7300;
constexpr int Runs = 31;
const QDate Today(2024, 6, 15);

DayRecordList History()
{
    DayRecordList records;
    records.reserve(Days);
    uint32_t seed = 12345;
    for (QDate d = Today.addDays(-(Days - 1)); d <= Today; d = d.addDays(1)) {
        seed = seed * 1103515245u + 12345u;
        const uint32_t steps = (seed >> 8) % 25000;
        records.push_back(Day(DateKey(d), steps, 10000, steps * 7 / 100, steps * 4 / 10, steps / 110, steps / 3,
                              steps / 330));
    }
    return records;
}

// A step's pending events (repaints among them) count as part of it.
double MedianMs(const std::function<void()>& step, const std::function<void()>& prepare = {})
{
    return ::MedianMs(Runs, [&] {
        step();
        QCoreApplication::processEvents();
    }, prepare);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitFormResources();
    QTemporaryDir dir;
    const QString dataDir = dir.path() + QLatin1Char('/');
    QFile file(ActivityFilePath(dataDir, QStringLiteral("Bench")));
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(DayRecordsToBytes(History())) <= 0) {
        std::fprintf(stderr, "cannot write the activity file\n");
        return 1;
    }
    file.close();

    EmulatedHidBus bus;
    ScriptedPrompts prompts;
    ScriptedMailer mailer;
    ScriptedFolderOpener folders;
    TForm1 form(bus, prompts, mailer, folders, dataDir, nullptr);
    if (!form.startupError().isEmpty())
        return 1;
    form.setTodaySource([] { return Today; });
    form.state().CurrentUser = QStringLiteral("Bench");
    form.state().DeviceMetric = true;
    form.show();
    QCoreApplication::processEvents();
    RecordView& record = form.recordView();
    RecordChartView* steps = record.chart(MeasureSteps);
    int paints = 0;
    // The chart draws on its viewport; repaint paints at once, as a frame would.
    const auto paintShown = [&] {
        steps->viewport()->repaint();
        ++paints;
    };

    std::printf("RECORD, %d records; median of %d runs\n", Days, Runs);
    std::printf("%-22s %8.3f ms\n", "enter RECORD", MedianMs([&] {
        form.BarChartBtnClick();
        paintShown();
    }, [&] { form.DisplayBtnClick(); QCoreApplication::processEvents(); }));
    const struct {
        const char* name;
        void (RecordView::*press)();
    } periods[] = {{"switch to weekly", &RecordView::WeeklyBtnClick},
                   {"switch to monthly", &RecordView::MonthlyBtnClick},
                   {"switch to yearly", &RecordView::YearlyBtnClick},
                   {"switch to daily", &RecordView::DailyBtnClick}};
    for (const auto& p : periods) {
        std::printf("%-22s %8.3f ms\n", p.name, MedianMs([&] {
            (record.*p.press)();
            paintShown();
        }, [&] { record.DailyBtnClick(); if (p.press == &RecordView::DailyBtnClick) record.WeeklyBtnClick(); QCoreApplication::processEvents(); }));
    }
    record.WeeklyBtnClick();
    QCoreApplication::processEvents();
    std::printf("%-22s %8.3f ms\n", "paint one chart", MedianMs(paintShown));

    const bool ok = prompts.shown().isEmpty() && steps->paintCount() >= paints && record.shownView().barCount() == 53;
    if (!ok) {
        std::fprintf(stderr, "benchmark run failed\n");
        for (const QString& t : prompts.texts())
            std::fprintf(stderr, "  message: %s\n", qPrintable(t));
        return 1;
    }
    return 0;
}
