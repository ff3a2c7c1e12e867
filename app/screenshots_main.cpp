// Renders the windows with fixed data to PNG files for the documentation:
//     kinetrax-screenshots [--out DIR]     (default DIR: docs/screenshots)
// and writes the demonstration data directory that scripts/run.sh starts with:
//     kinetrax-screenshots --demo-data DIR
#include "forms/artwork_widget.h"
#include "app/demo_data.h"
#include "app/main_window.h"
#include "app/prompts_dialog.h"
#include "platform/desktop_folder_opener.h"
#include "platform/stderr_prompts.h"
#include "charts/record_view.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "loading/loading_window.h"
#include "profiles/settings_window.h"
#include "platform/prompts.h"
#include "platform/xdg_email_mailer.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/date_key.h"
#include "store/download_log.h"
#include "today/date_texts.h"
#include "today/day_carousel_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {
// No box may stop the pictures: messages are printed, questions answered No.
// Fixed, so that the pictures change only when the windows do.
const QDate ShotDay(2024, 5, 15);

bool Save(QWidget* window, const QString& dir, const char* name)
{
    window->show();
    QApplication::processEvents();
    const QString path = QDir(dir).filePath(QString::fromLatin1(name));
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "kinetrax-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The keyboard's focus on a control, with its mark, as Tab gives it; the picture is taken, then the
// focus is taken away again so that the other pictures show no mark.
bool SaveFocused(QWidget* control, const QString& dir, const char* name)
{
    QWidget* window = control->window();
    window->show();
    window->activateWindow();
    QElapsedTimer waited;
    waited.start();
    while (!window->isActiveWindow() && waited.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    // The window's activation may have handed it the focus already, which shows no mark.
    control->clearFocus();
    control->setFocus(Qt::TabFocusReason);
    if (!control->hasFocus())
        std::fprintf(stderr, "kinetrax-screenshots: %s takes no focus\n", qPrintable(control->objectName()));
    QApplication::processEvents();
    const bool ok = Save(window, dir, name);
    control->clearFocus();
    return ok;
}

// Boxes are printed, as everywhere here, except a message with an action: that one is shown as the
// program shows it, pictured, and answered OK.
class ShotPrompts : public StderrPrompts {
public:
    using StderrPrompts::StderrPrompts;
    std::function<bool(QWidget* box)> picture;
    bool pictured = false;
    // The temporary data directory, shown in the picture as an installed program's, so that the picture
    // does not change from one rendering to the next.
    QString dataDir;

    bool showMessageWithAction(const QString& caption, const QString& text, int flags,
                               const QString& actionText) override
    {
        if (!picture)
            return StderrPrompts::showMessageWithAction(caption, text, flags, actionText);
        QTimer::singleShot(200, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            pictured = picture(box);
            box->button(QMessageBox::Ok)->click();
        });
        QString shown = text;
        if (!dataDir.isEmpty())
            shown.replace(dataDir, QStringLiteral("/home/alex/.local/share/Kinetrax/"));
        return boxes_.showMessageWithAction(caption, shown, flags, actionText);
    }

private:
    DialogPrompts boxes_;
};

// A left click as the mouse gives it, at a point of the widget.
void Click(QWidget* widget, const QPoint& at)
{
    const QPointF local(at);
    const QPointF global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

// The demo user's history without the days from first to last, and a download log of the given moments
// in place of the one there: how the TODAY line and RECORD look after gaps between downloads.
void SetDownloads(const QString& dataDir, const QByteArray& history, const QDate& first, const QDate& last,
                  const std::vector<QDateTime>& downloads)
{
    const QString name = QString::fromLatin1(DemoUserName);
    DayRecordList days;
    for (const TBINFile& r : DayRecordsFromBytes(history)) {
        const QDate d = DateFromKey(r.Date);
        if (!first.isValid() || d < first || d > last)
            days.push_back(r);
    }
    QFile file(ActivityFilePath(dataDir, name));
    if (file.open(QIODevice::WriteOnly))
        file.write(DayRecordsToBytes(days));
    file.close();
    QFile::remove(DownloadLogPath(dataDir, name));
    for (const QDateTime& when : downloads)
        AppendDownloadLog(DownloadLogPath(dataDir, name), {when, {}});
}

// The pedometer's eight days added to the demo history, as a download would.
void AddPedometerDays(const QString& dataDir, const MemoryImage& image)
{
    const QString path = ActivityFilePath(dataDir, QString::fromLatin1(DemoUserName));
    DayRecordList days;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        days = DayRecordsFromBytes(file.readAll());
    file.close();
    for (int back = DaysInMemory - 1; back >= 0; --back) {
        const DayBlockValues v = DecodeDayBlock(image, back);
        TBINFile r;
        r.Date = DateKey(ShotDay.addDays(-back));
        r.Steps = v.Steps;
        r.Distance = v.Distance;
        r.Calories = v.Calories;
        r.WalkingTime = v.WalkingTime;
        r.TargetSteps = 10000;
        days.push_back(r);
    }
    if (file.open(QIODevice::WriteOnly))
        file.write(DayRecordsToBytes(days));
}
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    QString outDir = QStringLiteral("docs/screenshots");
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--demo-data")) {
            QString error;
            if (!WriteDemoData(args[i + 1], QDate::currentDate(), &error)) {
                std::fprintf(stderr, "kinetrax-screenshots: %s\n", qPrintable(error));
                return 1;
            }
            return 0;
        }
        if (args[i] == QLatin1String("--out"))
            outDir = args[i + 1];
    }
    QDir().mkpath(outDir);
    InitFormResources();

    QTemporaryDir data;
    const QString dataDir = data.path() + QLatin1Char('/');
    if (!data.isValid() || !WriteDemoData(dataDir, ShotDay))
        return 1;
    EmulatedHidBus bus;
    bus.model()->setHistory(GenerateHistory(7, true, 70, 65));
    AddPedometerDays(dataDir, bus.model()->memoryImage());
    ShotPrompts prompts(QStringLiteral("kinetrax-screenshots: "));
    prompts.dataDir = dataDir;

    // A mail tool that does not exist: no picture may start a mail client, and SEND's failure is pictured.
    XdgEmailMailer mailer(QStringLiteral("kinetrax-screenshots-no-mail-tool"));
    DesktopFolderOpener folderOpener;
    TForm1 form1(bus, prompts, mailer, folderOpener, dataDir, nullptr);
    if (!form1.startupError().isEmpty())
        return 1;
    form1.setTodaySource([] { return ShotDay; });
    TForm2 form2(form1.state(), form1.link(), prompts);
    TForm3::Timing timing;
    timing.limitMs = 600000;
    // A loading window whose download never finishes, so that it stays up for its picture.
    TForm3 form3(form1.state(), [] { return false; }, prompts, timing);

    AppState& state = form1.state();
    DownloadResult download;
    download.Complete = true;
    download.Block = bus.model()->memoryImage();
    download.Metric = true;
    AdoptDownload(state, download);
    form1.setUserCaption(state.CurrentUser);
    QByteArray history;
    if (QFile file(ActivityFilePath(dataDir, QString::fromLatin1(DemoUserName))); file.open(QIODevice::ReadOnly))
        history = file.readAll();
    const QDateTime downloadedToday(ShotDay, QTime(9, 42));
    SetDownloads(dataDir, history, QDate(), QDate(), {downloadedToday});
    form1.DisplayBtnClick();
    bool ok = Save(&form1, outDir, "main_today.png");
    ok = SaveFocused(form1.findChild<QWidget*>(QStringLiteral("RecordLabel")), outDir, "focus_section.png") && ok;

    // The wheel halfway through the first of three moves down, after a click on the top panel.
    if (auto* wheel = form1.findChild<DayCarouselView*>()) {
        Click(form1.slotTable()[0], QPoint(64, 88));
        for (int tick = 0; tick < 5; ++tick)
            wheel->Timer1Timer();
        ok = Save(&form1, outDir, "main_wheel.png") && ok;
        while (wheel->turning())
            wheel->Timer1Timer();
        form1.DisplayBtnClick();
    }

    form1.BarChartBtnClick();
    ok = Save(&form1, outDir, "record_steps_daily.png") && ok;
    ok = SaveFocused(form1.findChild<QWidget*>(QStringLiteral("StepsWeeklyImage")), outDir, "focus_period.png") && ok;
    RecordView& record = form1.recordView();
    record.DistanceHeadImage1Click();
    record.WeeklyBtnClick();
    ok = Save(&form1, outDir, "record_distance_weekly.png") && ok;
    record.StepsHeadImage1Click();
    record.YearlyBtnClick();
    ok = Save(&form1, outDir, "record_steps_yearly.png") && ok;

    // Six days without a download: two days left to save the first of them.
    SetDownloads(dataDir, history, ShotDay.addDays(-5), ShotDay, {QDateTime(ShotDay.addDays(-6), QTime(20, 15))});
    form1.DisplayBtnClick();
    ok = Save(&form1, outDir, "today_sync_warning.png") && ok;
    // Eleven days between two downloads: three days lost.
    SetDownloads(dataDir, history, ShotDay.addDays(-10), ShotDay.addDays(-8),
                 {QDateTime(ShotDay.addDays(-11), QTime(8, 5)), downloadedToday});
    form1.DisplayBtnClick();
    ok = Save(&form1, outDir, "today_sync_lost.png") && ok;
    form1.BarChartBtnClick();
    ok = Save(&form1, outDir, "record_lost_days.png") && ok;
    SetDownloads(dataDir, history, QDate(), QDate(), {downloadedToday});
    form1.DisplayBtnClick();

    // SEND without a mail client: the box that names the CSV and offers its folder.
    prompts.picture = [&](QWidget* box) { return Save(box, outDir, "send_failed.png"); };
    form1.SendBtnClick();
    QElapsedTimer waited;
    waited.start();
    while (!prompts.pictured && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ok = prompts.pictured && ok;
    prompts.picture = nullptr;
    form1.DisplayBtnClick();

    form2.ShowListOnly();
    form2.HighlightRow(1);
    ok = Save(&form2, outDir, "settings_list.png") && ok;
    ok = SaveFocused(form2.findChild<QWidget*>(QStringLiteral("UserNameLabel1")), outDir, "focus_profile_row.png")
         && ok;
    form2.hide();

    // The editor as USER INFO opens it, captured from inside its modal run.
    QTimer::singleShot(200, &form2, [&] {
        ok = Save(&form2, outDir, "settings_editor.png") && ok;
        form2.CancelBtnClick();
        if (form2.isVisible())
            form2.reject();
    });
    form2.SetBtnClick();

    QTimer::singleShot(450, &form3, [&] {
        ok = Save(&form3, outDir, "loading.png") && ok;
        form3.reject();
    });
    form3.exec();
    return ok ? 0 : 1;
}
