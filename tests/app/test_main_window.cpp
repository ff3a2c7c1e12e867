#include "forms/artwork_widget.h"
#include "app/main_window.h"
#include "catalog/catalog_file.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "profiles/settings_window.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/date_key.h"
#include "store/download_log.h"
#include "tests/support/builders.h"
#include "tests/support/scripted_folder_opener.h"
#include "tests/support/scripted_mailer.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_data_dir.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
// Device changes told by the test instead of the system.
class TestMonitor : public HidChangeMonitor {
public:
    bool startOk = true;
    bool start() override { return startOk; }
    void removeNow() { emit interfaceRemoved(); }
};

QColor Color(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

// A main window on an emulated pedometer in a fresh data directory.
struct Fixture {
    TempDataDir dir;
    EmulatedHidBus bus;
    ScriptedPrompts prompts;
    ScriptedMailer mailer;
    ScriptedFolderOpener folders;
    TestMonitor monitor;
    std::unique_ptr<TForm1> form;

    explicit Fixture(bool pedometerPresent = true, const QByteArray& catalog = QByteArray())
    {
        if (!pedometerPresent)
            bus.unplug();
        if (!catalog.isEmpty())
            dir.write(QStringLiteral("Step.ini"), catalog);
        form = std::make_unique<TForm1>(bus, prompts, mailer, folders, dir.path(), &monitor);
    }
    QLabel* label(const char* name) const { return form->findChild<QLabel*>(QString::fromLatin1(name)); }
    QWidget* widget(const char* name) const { return form->findChild<QWidget*>(QString::fromLatin1(name)); }
    void click(const char* name) const { QTest::mouseClick(widget(name), Qt::LeftButton, {}, QPoint(3, 3)); }
};

QByteArray CatalogWithTodayButtonLine(const QByteArray& line)
{
    QByteArray bytes = DefaultCatalogBytes();
    const QByteArray old = "[TodayButton]\r\nToday,Record,User Setting,Send\r\n";
    const int at = bytes.indexOf(old);
    return bytes.replace(at, old.size(), line);
}

// A day whose other figures are easy to tell apart on the TODAY panel.
TBINFile ShownDay(uint32_t date, uint32_t steps, uint32_t target)
{
    return Day(date, steps, target, 7, 9, 1500, 1000000, 3);
}
}

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitFormResources(); }

    void catalogTextsOnControls_data()
    {
        QTest::addColumn<QByteArray>("todayButtonLines");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("section missing: built-in texts")
            << QByteArray() << QStringList{"Today", "Record", "User Setting", "Send"};
        QTest::newRow("translated")
            << QByteArray("[TodayButton]\r\nHeute,Verlauf,Benutzer,Senden\r\n")
            << QStringList{"Heute", "Verlauf", "Benutzer", "Senden"};
    }
    void catalogTextsOnControls()
    {
        QFETCH(QByteArray, todayButtonLines);
        QFETCH(QStringList, expected);
        Fixture f(true, CatalogWithTodayButtonLine(todayButtonLines));
        QVERIFY(f.form->startupError().isEmpty());
        const char* labels[] = {"TodayLabel", "RecordLabel", "UserSettingLabel", "SendLabel"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(f.label(labels[i])->text(), expected[i]);
            // The fallback is written back, so later readers of the catalog see it too.
            QCOMPARE(f.form->state().Catalog.TodayButton[i], expected[i]);
        }
        QCOMPARE(f.label("TargetBarLabel")->text(), QStringLiteral("Goal"));
        QCOMPARE(f.label("ModerateTimeYearlyLabel")->text(), QStringLiteral("Yearly"));
        QCOMPARE(f.label("WalkingTimeHeadLabelH")->text(), QStringLiteral("Walking Time"));
    }

    void damagedCatalogStopsStartUp()
    {
        // [Info] promises more lines than the file holds.
        QByteArray bytes = DefaultCatalogBytes();
        bytes.replace("[Info]\r\n25\r\n", "[Info]\r\n99\r\n");
        Fixture f(true, bytes);
        QVERIFY(!f.form->startupError().isEmpty());
        QVERIFY(f.prompts.shown().isEmpty());
    }

    void opensOnTodayWithFixedSize()
    {
        Fixture f;
        QCOMPARE(f.form->size(), QSize(973, 724));
        QCOMPARE(f.form->minimumSize(), f.form->maximumSize());
        QVERIFY(f.form->todayActive());
        QCOMPARE(Color(f.label("TodayLabel")), QColor(Qt::white));
        for (const char* name : {"RecordLabel", "UserSettingLabel", "SendLabel"})
            QCOMPARE(Color(f.label(name)), QColor(Qt::black));
        QVERIFY(f.form->state().StartupDone);
        QVERIFY(f.form->link().Connected());
        QCOMPARE(f.widget("TodayPanel")->geometry(), QRect(92, 120, 528, 525));
        QCOMPARE(f.widget("PanelFour")->geometry(), QRect(667, 268, 128, 176));
        QCOMPARE(f.widget("StepsPanel")->geometry(), QRect(20, 170, 934, 537));
    }

    void recordAndBackToToday()
    {
        Fixture f;
        f.form->show();
        f.form->state().DayOffset = 5;
        f.click("RecordLabel");
        QVERIFY(!f.form->todayActive());
        QCOMPARE(Color(f.label("RecordLabel")), QColor(Qt::white));
        QVERIFY(f.widget("StepsPanel")->isVisible());
        QVERIFY(f.widget("BackImage")->isVisible());
        QVERIFY(!f.widget("TodayPanel")->isVisible());
        QVERIFY(!f.widget("PanelFour")->isVisible());
        // Only the Steps tab is in its highlighted form.
        QVERIFY(f.label("StepsHeadLabelH")->isVisible());
        for (const char* name : {"DistanceHeadLabelH", "CaloriesHeadLabelH", "WalkingTimeHeadLabelH"})
            QVERIFY2(!f.label(name)->isVisible(), name);
        for (const char* name : {"StepsHeadLabelL", "DistanceHeadLabelL", "CaloriesHeadLabelL",
                                 "WalkingTimeHeadLabelL", "WalkingTimeHeadImage2"})
            QVERIFY2(f.widget(name)->isVisible(), name);
        QVERIFY(!f.widget("ModerateStepsHeadImage2")->isVisible());

        f.click("TodayLabel");
        QVERIFY(f.form->todayActive());
        QCOMPARE(f.form->state().DayOffset, 0);
        QVERIFY(f.widget("TodayPanel")->isVisible());
        for (int k = 0; k < 7; ++k)
            QVERIFY(f.form->slotTable()[k]->isVisible());
        QVERIFY(!f.form->slotTable()[7]->isVisible());
        QVERIFY(!f.widget("StepsPanel")->isVisible());
        QVERIFY(!f.widget("BackImage")->isVisible());
        QVERIFY(!f.label("StepsHeadLabelH")->isVisible());
    }

    void passesGiveTheHighlightBack()
    {
        Fixture f;
        f.form->show();
        f.form->state().Clients.push_back(TClient{});
        f.form->state().CurrentUser = QStringLiteral("Ann");

        f.click("RecordLabel");
        f.click("UserSettingLabel");
        QCOMPARE(Color(f.label("RecordLabel")), QColor(Qt::white));
        QCOMPARE(Color(f.label("UserSettingLabel")), QColor(Qt::black));
        QVERIFY(f.widget("StepsPanel")->isVisible());

        f.click("TodayLabel");
        f.click("SendLabel");
        f.mailer.answer(true);
        QVERIFY(f.form->todayActive());
        QCOMPARE(Color(f.label("SendLabel")), QColor(Qt::black));
    }

    void sendWithoutUserKeepsItsHighlight()
    {
        Fixture f;
        f.form->show();
        f.click("SendLabel");
        QCOMPARE(Color(f.label("SendLabel")), QColor(Qt::white));
        QVERIFY(!f.form->todayActive());
        QVERIFY(f.widget("TodayPanel")->isVisible());
        QVERIFY(f.widget("PanelOne")->isVisible());
    }

    void todayFiguresAndPanels()
    {
        Fixture f;
        const QDate today(2010, 7, 21);
        f.form->setTodaySource([today] { return today; });
        AppState& s = f.form->state();
        s.CurrentUser = QStringLiteral("Ann");
        s.DeviceMetric = true;
        s.DownloadBlock[20] = 45;
        s.DownloadBlock[21] = 23;
        s.DownloadBlock[22] = 11;
        const DayRecordList records = {ShownDay(20100721, 12345, 10000), ShownDay(20100721, 1, 1),
                                       ShownDay(20100720, 9999, 10000), ShownDay(20100724, 1, 10000)};
        QVERIFY(f.dir.write(QStringLiteral("Ann.bin"), DayRecordsToBytes(records)));
        f.form->DisplayBtnClick();

        QCOMPARE(f.label("StepEdit")->text(), QStringLiteral("12,345"));
        QCOMPARE(f.label("DistanceEdit")->text(), QStringLiteral("0.07km"));
        QCOMPARE(f.label("CaloriesEdit")->text(), QStringLiteral("0.9Kcal"));
        QCOMPARE(f.label("WalkingTimeEdit")->text(), QStringLiteral("1,500min"));
        QCOMPARE(f.label("TotalStepEdit")->text(), QStringLiteral("12,345"));
        QCOMPARE(f.label("TargetStepEdit")->text(), QStringLiteral("10,000"));
        QCOMPARE(f.label("TotalPanelTargetSteppercentumLabel")->text(), QStringLiteral("100%"));
        QCOMPARE(f.label("ModerateStepsEdit")->text(), QStringLiteral("1,000,000"));

        // The date line chains by the drawn widths of the texts.
        QLabel* day = f.label("DayLabel");
        QLabel* suffix = f.label("DaySuffixLabel");
        QLabel* date = f.label("DateLabel");
        QCOMPARE(day->text(), QStringLiteral("21"));
        QCOMPARE(suffix->text(), QStringLiteral("st"));
        QCOMPARE(date->text(), QStringLiteral("Jul 2010"));
        QCOMPARE(day->width(), day->fontMetrics().horizontalAdvance(day->text()));
        QCOMPARE(suffix->x(), day->x() + day->width());
        QCOMPARE(date->x(), suffix->x() + suffix->width());

        // Slot 0 shows three days ahead, slot 3 today, slot 4 yesterday.
        auto tagged = [](QWidget* panel, int tag) {
            for (QLabel* l : panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
                if (l->property("Tag").toInt() == tag)
                    return l;
            return static_cast<QLabel*>(nullptr);
        };
        const auto& slotPanels = f.form->slotTable();
        QCOMPARE(tagged(slotPanels[0], 2)->text(), QStringLiteral("24"));
        QCOMPARE(tagged(slotPanels[0], 4)->text(), QStringLiteral("1%"));
        QCOMPARE(tagged(slotPanels[3], 0)->text(), QStringLiteral("12,345"));
        QCOMPARE(tagged(slotPanels[3], 1)->text(), QStringLiteral("Jul 2010"));
        QCOMPARE(tagged(slotPanels[4], 4)->text(), QStringLiteral("99%"));
        QCOMPARE(tagged(slotPanels[6], 2)->text(), QStringLiteral("18"));
        QCOMPARE(tagged(slotPanels[6], 0)->text(), QStringLiteral("0"));
        QLabel* steps = tagged(slotPanels[3], 0);
        QCOMPARE(tagged(slotPanels[3], 3)->text(), QStringLiteral(" Step"));
        QCOMPARE(tagged(slotPanels[3], 3)->x(), steps->x() + steps->width());
        QLabel* percent = tagged(slotPanels[3], 4);
        QCOMPARE(percent->x(), slotPanels[3]->width() / 2 - percent->width() / 2);
        QVERIFY(f.prompts.shown().isEmpty());
    }

    // The line below the target row: the last download, the day to connect the pedometer by, or the
    // days lost; amber with two days or fewer left, red once days are lost, none before a download.
    void syncLineOnToday_data()
    {
        QTest::addColumn<QDate>("firstRecord");
        QTest::addColumn<QDate>("lastRecord");
        QTest::addColumn<QList<QDateTime>>("downloads");
        QTest::addColumn<QByteArray>("catalogSection");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("color");

        const QColor white(Qt::white), amber(0xFF, 0xBF, 0x3C), red(0xFF, 0x5C, 0x5C);
        const auto at = [](int month, int day, int hour, int minute) {
            return QDateTime(QDate(2025, month, day), QTime(hour, minute));
        };
        QTest::newRow("no download yet") << QDate() << QDate() << QList<QDateTime>{} << QByteArray() << QString()
                                         << white;
        QTest::newRow("downloaded today")
            << QDate(2025, 12, 3) << QDate(2025, 12, 10) << QList<QDateTime>{at(12, 10, 9, 42)} << QByteArray()
            << "Last download: today 09:42" << white;
        QTest::newRow("yesterday, told by the records only")
            << QDate(2025, 12, 2) << QDate(2025, 12, 9) << QList<QDateTime>{} << QByteArray()
            << "Last download: yesterday" << white;
        QTest::newRow("six days ago")
            << QDate(2025, 11, 27) << QDate(2025, 12, 4) << QList<QDateTime>{at(12, 4, 20, 15)} << QByteArray()
            << QStringLiteral("Last download 6 days ago \u2013 connect the pedometer by Fri 12 Dec or Fri 5 Dec is lost")
            << amber;
        QTest::newRow("three days lost")
            << QDate(2025, 11, 16) << QDate(2025, 12, 4) << QList<QDateTime>{at(11, 23, 8, 0), at(12, 4, 8, 0)}
            << QByteArray() << "3 days were lost (24\u201326 Nov): the pedometer keeps eight days" << red;
        QTest::newRow("text from the catalog")
            << QDate(2025, 12, 3) << QDate(2025, 12, 10) << QList<QDateTime>{at(12, 10, 7, 5)}
            << QByteArray("[SyncStatus]\r\nZuletzt geladen: heute %1\r\n") << "Zuletzt geladen: heute 07:05" << white;
    }
    void syncLineOnToday()
    {
        QFETCH(QDate, firstRecord);
        QFETCH(QDate, lastRecord);
        QFETCH(QList<QDateTime>, downloads);
        QFETCH(QByteArray, catalogSection);
        QFETCH(QString, text);
        QFETCH(QColor, color);

        // The catalog written on a first start does not have the section; one that has it is read.
        Fixture f(true, catalogSection.isEmpty() ? QByteArray() : DefaultCatalogBytes() + catalogSection);
        const QDate today(2025, 12, 10);
        f.form->setTodaySource([today] { return today; });
        f.form->state().CurrentUser = QStringLiteral("Ann");
        DayRecordList records;
        for (QDate d = firstRecord; d.isValid() && d <= lastRecord; d = d.addDays(1)) {
            // 24 to 26 November were never downloaded.
            if (d < QDate(2025, 11, 24) || d > QDate(2025, 11, 26))
                records.push_back(Day(DateKey(d), 5000));
        }
        QVERIFY(f.dir.write(QStringLiteral("Ann.bin"), DayRecordsToBytes(records)));
        for (const QDateTime& when : downloads)
            QVERIFY(AppendDownloadLog(f.dir.filePath(QStringLiteral("Ann.downloads")), {when, {}}));
        f.form->DisplayBtnClick();

        QLabel* line = f.label("SyncStatusLabel");
        QVERIFY(line);
        QWidget* panel = f.widget("TodayPanel");
        QCOMPARE(line->isVisibleTo(panel), !text.isEmpty());
        if (text.isEmpty())
            return;
        QCOMPARE(line->text(), text);
        QCOMPARE(Color(line), color);
        // In the free space: below the target row, above the goal bar, inside the panel.
        QVERIFY(line->geometry().top() >= f.label("TargetStepLabel")->geometry().bottom());
        QVERIFY(line->geometry().bottom() < f.label("TotalPanelTargetSteppercentumLabel")->geometry().top());
        QVERIFY(panel->rect().contains(line->geometry()));
        QVERIFY(line->heightForWidth(line->width()) <= line->height());
    }

    void missingActivityFileReadsZeroWithoutMessageAfterStartUp()
    {
        Fixture f;
        f.form->state().CurrentUser = QStringLiteral("Nobody");
        f.form->state().DownloadBlock[20] = 45;
        f.form->DisplayBtnClick();
        QCOMPARE(f.label("StepEdit")->text(), QStringLiteral("0"));
        QCOMPARE(f.label("DistanceEdit")->text(), QStringLiteral("0.00mile"));
        QCOMPARE(f.label("TotalPanelTargetSteppercentumLabel")->text(), QStringLiteral("0%"));
        QVERIFY(f.prompts.shown().isEmpty());
    }

    // The user list makes its first profile current while the settings window is built; the main
    // window then shows that user's day at once, not the empty start-up figures.
    void firstListedUserIsShownOnToday()
    {
        Fixture f;
        const QDate today(2010, 7, 21);
        f.form->setTodaySource([today] { return today; });
        TClient ann;
        ann.Name = QStringLiteral("Ann");
        QVERIFY(SaveUserList(f.dir.filePath(QStringLiteral("Kinetrax.dat")), {ann}));
        QVERIFY(f.dir.write(QStringLiteral("Ann.bin"), DayRecordsToBytes({ShownDay(20100721, 4321, 8000)})));
        f.form->state().DayOffset = 2;
        f.click("RecordLabel");

        TForm2 settings(f.form->state(), f.form->link(), f.prompts);
        QVERIFY(settings.startupError().isEmpty());
        f.form->setStartupWindows(&settings, nullptr);

        QCOMPARE(f.form->windowTitle(), QStringLiteral("Kinetrax V1.0   Ann"));
        QVERIFY(f.form->todayActive());
        QCOMPARE(f.form->state().DayOffset, 0);
        QCOMPARE(f.label("StepEdit")->text(), QStringLiteral("4,321"));
        QCOMPARE(f.label("TotalPanelTargetSteppercentumLabel")->text(), QStringLiteral("54%"));
        QCOMPARE(f.form->state().DayRecords.size(), std::size_t{1});
        QVERIFY(f.prompts.shown().isEmpty());
    }

    // A user chosen while RECORD is shown: the records in memory (what SEND exports) and the TODAY
    // figures are the new user's, and RECORD stays the active section.
    void userChosenFromRecordReloadsTheirRecords()
    {
        Fixture f;
        const QDate today(2010, 7, 21);
        f.form->setTodaySource([today] { return today; });
        QVERIFY(f.dir.write(QStringLiteral("Ann.bin"), DayRecordsToBytes({ShownDay(20100721, 100, 0)})));
        QVERIFY(f.dir.write(QStringLiteral("Bob.bin"),
                            DayRecordsToBytes({ShownDay(20100720, 1, 0), ShownDay(20100721, 2500, 5000)})));
        AppState& s = f.form->state();
        s.CurrentUser = QStringLiteral("Ann");
        f.form->DisplayBtnClick();
        f.click("RecordLabel");

        s.CurrentUser = QStringLiteral("Bob");
        f.form->activeUserChanged();

        QVERIFY(!f.form->todayActive());
        QVERIFY(f.widget("StepsPanel")->isVisibleTo(f.form.get()));
        QCOMPARE(s.DayRecords.size(), std::size_t{2});
        QCOMPARE(s.DayRecords[1].Steps, 2500u);
        QCOMPARE(f.label("StepEdit")->text(), QStringLiteral("2,500"));
        QCOMPARE(f.form->windowTitle(), QStringLiteral("Kinetrax V1.0   Bob"));
    }

    void noPedometerAtFirstShowEndsTheProgram()
    {
        Fixture f(false);
        QVERIFY(!f.form->link().Connected());
        QSignalSpy ended(f.form.get(), &TForm1::programEnded);
        f.form->show();
        QVERIFY(ended.wait(2000));
        QCOMPARE(f.prompts.shown().size(), 1);
        const ScriptedPrompts::Shown box = f.prompts.shown().first();
        QCOMPARE(box.text, QStringLiteral("No device!"));
        QCOMPARE(box.caption, QStringLiteral("Kinetrax"));
        QCOMPARE(box.flags, 0x10);
        QVERIFY(!f.form->isVisible());
    }

    void unopenablePedometerAtFirstShow_data()
    {
        QTest::addColumn<int>("why");
        QTest::addColumn<QString>("expectedText");
        QTest::newRow("no permission: the udev rule is named, once")
            << int(HidOpenError::PermissionDenied) << QStringLiteral("70-kinetrax-pedometer.rules");
        QTest::newRow("other failure") << int(HidOpenError::Failed) << QStringLiteral("No device!");
    }

    void unopenablePedometerAtFirstShow()
    {
        QFETCH(int, why);
        QFETCH(QString, expectedText);
        TempDataDir dir;
        EmulatedHidBus bus;
        bus.setRefuseOpen(true, QString(), HidOpenError(why));
        ScriptedPrompts prompts;
        ScriptedMailer mailer;
        ScriptedFolderOpener folders;
        TestMonitor monitor;
        TForm1 form(bus, prompts, mailer, folders, dir.path(), &monitor);
        QSignalSpy ended(&form, &TForm1::programEnded);
        form.show();
        QVERIFY(ended.wait(2000));
        QCOMPARE(prompts.shown().size(), 1);
        QVERIFY2(prompts.shown().first().text.contains(expectedText), qPrintable(prompts.shown().first().text));
        QCOMPARE(prompts.shown().first().flags, 0x10);
    }

    void pedometerRemovedWhileRunning()
    {
        Fixture f;
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        QSignalSpy ended(f.form.get(), &TForm1::programEnded);
        f.bus.unplug();
        f.monitor.removeNow();
        QCOMPARE(ended.size(), 1);
        QCOMPARE(f.prompts.texts(), QStringList{QStringLiteral("No device!")});
        QCOMPARE(f.prompts.shown().first().flags, 0x10);
        QVERIFY(!f.form->isVisible());
    }

    void unwatchableDeviceChangesAreReportedAndStartUpGoesOn()
    {
        TempDataDir dir;
        EmulatedHidBus bus;
        ScriptedPrompts prompts;
        ScriptedMailer mailer;
        ScriptedFolderOpener folders;
        TestMonitor monitor;
        monitor.startOk = false;
        TForm1 form(bus, prompts, mailer, folders, dir.path(), &monitor);
        QCOMPARE(prompts.texts(), QStringList{QStringLiteral("Failed to Register Device Notifications")});
        QCOMPARE(prompts.shown().first().caption, QStringLiteral("Kinetrax V1.0"));
        QVERIFY(form.todayActive());
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
