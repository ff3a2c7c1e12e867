#include "profiles/settings_window.h"

#include "state/app_state.h"
#include "catalog/catalog_file.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "tests/support/profile_rig.h"

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

// The clock the pedometer is set to, fixed so that hour and minute can be checked.
const QTime ClockNow(14, 37);

// The settings window driven through its controls, with the in-process pedometer behind the link.
class TestSettingsWindow : public QObject {
    Q_OBJECT

    struct Rig : ProfileRig {
        std::unique_ptr<TForm2> window;

        // listLines: profile lines of Kinetrax.dat; none writes no file.
        explicit Rig(const QStringList& listLines = {}, bool writeList = false) : ProfileRig(listLines, writeList)
        {
            link->setClock([] { return ClockNow; });
            link->ConnectPedometer();
        }

        // What the loading window leaves behind after start-up.
        void startupDownload()
        {
            QVERIFY(AdoptDownload(state, link->DownloadDeviceData()));
        }

        TForm2& open()
        {
            window = std::make_unique<TForm2>(state, *link, prompts);
            window->setSyncDelayMs(0);
            return *window;
        }

        template <typename T = QWidget>
        T* w(const char* name) const
        {
            T* found = window->findChild<T*>(QString::fromLatin1(name));
            if (!found)
                qFatal("no control %s", name);
            return found;
        }
        void click(const char* name) const { QTest::mouseClick(w(name), Qt::LeftButton); }
        void type(const char* name, const QString& text) const { w<QLineEdit>(name)->setText(text); }
        QString row(int r) const { return w<QLabel>(qPrintable(QStringLiteral("UserNameLabel%1").arg(r)))->text(); }
        QString genderRow(int r) const
        {
            return w<QLabel>(qPrintable(QStringLiteral("UserGenderLabel%1").arg(r)))->text();
        }
        ClientList savedList() const { return LoadUserList(state.UserListPath).Clients; }
    };

    static QStringList threeUsers()
    {
        return {"Anna,1,34,165,58,68,8000,1,1", "Bob,2,41,510,176,29,10000,0,1", "Cleo,1,25,170,60,70,9000,1,0"};
    }

private slots:
    void firstRunGreetsAndSavingANewProfileMakesItActive()
    {
        Rig rig;
        rig.startupDownload();
        TForm2& window = rig.open();
        QCOMPARE(rig.dir.read("Kinetrax.dat"), QByteArray("SoftName:Kinetrax\r\n[Client]\r\n0\r\n"));
        QSignalSpy active(&window, &TForm2::activeUserChanged);

        window.show();
        QTRY_VERIFY(!rig.w("UserPanel2")->isHidden());
        QCOMPARE(rig.prompts.texts(), QStringList{rig.state.Catalog.Info[14]});
        QCOMPARE(rig.prompts.shown().first().flags, 0x30);
        QCOMPARE(rig.row(1), QStringLiteral("New User"));
        QCOMPARE(rig.w<QLineEdit>("HeightEditL")->text(), QStringLiteral("70"));
        QCOMPARE(window.width(), 797);

        rig.type("NameEdit", "Anna");
        QCOMPARE(rig.row(1), QStringLiteral("Anna"));
        rig.click("FemaleLabel");
        QCOMPARE(rig.genderRow(1), QStringLiteral("Female"));
        rig.type("WeightEdit", "58");
        rig.type("SteplengthEdit", "68");
        rig.type("TargetStepEdit", "8000");
        rig.prompts.clear();
        rig.click("SaveLabel");

        const ClientList saved = rig.savedList();
        QCOMPARE(saved.size(), size_t(1));
        QCOMPARE(saved[0].Name, QStringLiteral("Anna"));
        QCOMPARE(int(saved[0].Gender), 1);
        QCOMPARE(int(saved[0].Height), 170);
        QCOMPARE(int(saved[0].Metric), 1);
        QVERIFY(QFile::exists(rig.dir.filePath("Anna.bin")));
        QCOMPARE(rig.state.CurrentUser, QStringLiteral("Anna"));
        QVERIFY(active.count() >= 1);
        QVERIFY(window.editMode());
        QVERIFY(!window.isVisible());

        // The pedometer holds the profile with the clock, and the merge reported success.
        const ProfileValues device = rig.model->profile();
        QCOMPARE(int(device.Steplength), 68);
        QCOMPARE(int(device.Weight), 58);
        QCOMPARE(int(device.TargetSteps), 8000);
        const RawMemory raw = rig.model->rawMemory();
        const auto block = BuildProfileBlock(true, 68, 58, 8000, ClockNow.hour(), ClockNow.minute());
        QCOMPARE(std::vector<uint8_t>(raw.begin() + 1, raw.begin() + 10), std::vector<uint8_t>(block.begin(), block.end()));
        QVERIFY(rig.prompts.texts().contains(rig.state.Catalog.Info[12]));
        DayRecordList records;
        QVERIFY(LoadDayRecords(rig.dir.filePath("Anna.bin"), records, rig.state.Catalog, rig.prompts));
        QCOMPARE(records.size(), size_t(8));
    }

    void refusedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("blank") << QStringLiteral("   ");
        QTest::newRow("dot") << QStringLiteral(".");
        QTest::newRow("dot dot") << QStringLiteral("..");
        QTest::newRow("parent path") << QStringLiteral("../evil");
        QTest::newRow("slash") << QStringLiteral("a/b");
        QTest::newRow("backslash") << QStringLiteral("a\\b");
        QTest::newRow("comma") << QStringLiteral("Ann,1");
        QTest::newRow("tab") << QStringLiteral("Ann\tB");
        QTest::newRow("newline") << QStringLiteral("Ann\nB");
        QTest::newRow("colon") << QStringLiteral("C:x");
        QTest::newRow("trailing dot") << QStringLiteral("Ann.");
        QTest::newRow("65 characters") << QString(65, QLatin1Char('x'));
        QTest::newRow("taken") << QStringLiteral("Anna");
    }

    void refusedNames()
    {
        QFETCH(QString, name);
        Rig rig({"Anna,1,34,165,58,68,8000,1,1"});
        rig.startupDownload();
        rig.open();
        const QByteArray listBefore = rig.dir.read("Kinetrax.dat");
        rig.click("NewLabel");
        rig.type("NameEdit", name);
        rig.click("SaveLabel");

        QCOMPARE(rig.prompts.shown().size(), 1);
        QCOMPARE(rig.prompts.shown().first().flags, 0x10);
        QCOMPARE(rig.prompts.shown().first().caption, QStringLiteral("User"));
        QCOMPARE(rig.state.UserCount(), 1);
        QCOMPARE(rig.dir.read("Kinetrax.dat"), listBefore);
        QVERIFY(!rig.w("UserPanel2")->isHidden());
        QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files), QStringList{"Kinetrax.dat"});
        if (name == QLatin1String("Anna"))
            QCOMPARE(rig.prompts.texts().first(), "\"Anna\"" + rig.state.Catalog.Info[17]);
    }

    void nameDifferingOnlyInLetterCaseIsAccepted()
    {
        Rig rig({"Anna,1,34,165,58,68,8000,1,1"});
        rig.startupDownload();
        rig.open();
        rig.click("NewLabel");
        rig.type("NameEdit", "anna");
        rig.click("SaveLabel");
        QCOMPARE(rig.state.UserCount(), 2);
        QCOMPARE(rig.savedList()[1].Name, QStringLiteral("anna"));
    }

    void emptyNameIsRefused()
    {
        Rig rig({"Anna,1,34,165,58,68,8000,1,1"});
        rig.open();
        rig.click("NewLabel");
        rig.type("NameEdit", "");
        rig.click("SaveLabel");
        QCOMPARE(rig.prompts.texts(), QStringList{rig.state.Catalog.Info[13]});
        QCOMPARE(rig.state.UserCount(), 1);
    }

    void ninthProfileIsRefused()
    {
        QStringList eight;
        for (int i = 1; i <= 8; ++i)
            eight << QStringLiteral("User%1,2,30,175,70,75,10000,1,1").arg(i);
        Rig rig(eight);
        rig.open();
        rig.click("NewImage");
        QCOMPARE(rig.prompts.texts(), QStringList{rig.state.Catalog.Info[18]});
        QCOMPARE(rig.prompts.shown().first().flags, 0x10);
        QVERIFY(rig.w("UserPanel2")->isHidden());
        QCOMPARE(rig.row(8), QStringLiteral("User8"));
        QCOMPARE(rig.state.UserCount(), 8);
    }

    void newThenExitRestoresTheList()
    {
        Rig rig(threeUsers());
        TForm2& window = rig.open();
        QCOMPARE(rig.state.CurrentUser, QStringLiteral("Anna"));
        QCOMPARE(rig.row(4), QString());
        rig.click("NewLabel");
        QCOMPARE(rig.row(4), QStringLiteral("New User"));
        QCOMPARE(rig.w("UserShape1")->y(), 40 * 4 + 106);
        rig.click("ExitLabel");
        QCOMPARE(rig.row(4), QString());
        QCOMPARE(window.selectedRow(), 1);
        QVERIFY(rig.w("UserPanel2")->isHidden());
        QCOMPARE(window.width(), 423);
    }

    void deleteAsksThenMovesRowsUpAndRemovesTheActivityFile()
    {
        Rig rig(threeUsers());
        for (const char* name : {"Anna.bin", "Bob.bin", "Cleo.bin"})
            rig.dir.write(name, QByteArray());
        TForm2& window = rig.open();
        rig.click("UserNameLabel2");
        QCOMPARE(window.selectedRow(), 2);

        rig.prompts.queueAnswers({false});
        rig.click("DelLabel");
        QCOMPARE(rig.prompts.shown().size(), 1);
        QVERIFY(rig.prompts.shown().first().question);
        QCOMPARE(rig.prompts.shown().first().text, rig.state.Catalog.Info[23]);
        QCOMPARE(rig.state.UserCount(), 3);
        QVERIFY(QFile::exists(rig.dir.filePath("Bob.bin")));

        rig.prompts.queueAnswers({true});
        rig.click("DelImage");
        QCOMPARE(rig.row(1), QStringLiteral("Anna"));
        QCOMPARE(rig.row(2), QStringLiteral("Cleo"));
        QCOMPARE(rig.genderRow(2), QStringLiteral("Female"));
        QCOMPARE(rig.row(3), QString());
        QCOMPARE(rig.savedList().size(), size_t(2));
        QCOMPARE(rig.savedList()[1].Name, QStringLiteral("Cleo"));
        QVERIFY(!QFile::exists(rig.dir.filePath("Bob.bin")));
        QVERIFY(QFile::exists(rig.dir.filePath("Cleo.bin")));
        QCOMPARE(rig.state.CurrentUser, QString());
        QCOMPARE(window.selectedRow(), 1);

        // Deleting the last one leaves nothing selected.
        rig.prompts.setDefaultAnswer(true);
        rig.click("DelLabel");
        QCOMPARE(window.selectedRow(), 0);
        rig.click("UserNameLabel1");
        rig.click("DelLabel");
        QCOMPARE(rig.state.UserCount(), 0);
        QCOMPARE(window.selectedRow(), 0);
        QVERIFY(rig.w("UserShape1")->isHidden());
        // Del on an empty row does nothing.
        rig.prompts.clear();
        rig.click("UserNameLabel5");
        rig.click("DelLabel");
        QVERIFY(rig.prompts.shown().isEmpty());
    }

    void unitChangeIsAskedAndNoChangesNothing()
    {
        Rig rig({"Anna,1,34,165,58,68,8000,1,1"});
        rig.startupDownload();
        QVERIFY(rig.state.DeviceMetric);
        rig.open();
        rig.click("NewLabel");
        rig.type("NameEdit", "Bob");
        rig.w<QRadioButton>("HeightUnitRadioBtn1")->click(); // imperial editor
        QCOMPARE(rig.w<QLineEdit>("HeightEditH")->text(), QStringLiteral("5"));
        QCOMPARE(rig.w<QLineEdit>("HeightEditL")->text(), QStringLiteral("07"));

        rig.prompts.queueAnswers({false});
        rig.click("SaveLabel");
        QCOMPARE(rig.prompts.shown().size(), 1);
        QCOMPARE(rig.prompts.shown().first().text, rig.state.Catalog.Info[19]);
        QCOMPARE(rig.prompts.shown().first().flags, 0x24);
        QCOMPARE(rig.state.UserCount(), 1);
        QVERIFY(rig.state.DeviceMetric);
        QVERIFY(rig.model->profile().Metric);

        rig.prompts.queueAnswers({true});
        rig.click("SaveLabel");
        QCOMPARE(rig.state.UserCount(), 2);
        QCOMPARE(int(rig.savedList()[1].Metric), 0);
        QCOMPARE(int(rig.savedList()[1].Height), 507);
        QVERIFY(!rig.model->profile().Metric);
        QVERIFY(!rig.state.DeviceMetric);
        QCOMPARE(rig.w<QLabel>("WeightUnitLabel")->text(), QStringLiteral("lb"));
    }

    void okTakesThePedometerValuesAndSendsThemBack()
    {
        Rig rig(threeUsers());
        rig.model->setProfile(true, 72, 61, 12000, 8, 15);
        rig.startupDownload();
        TForm2& window = rig.open();
        QSignalSpy active(&window, &TForm2::activeUserChanged);
        rig.click("UserNameLabel3");
        rig.click("OkLabel");

        QCOMPARE(rig.state.CurrentUser, QStringLiteral("Cleo"));
        QVERIFY(active.count() >= 1);
        QVERIFY(QFile::exists(rig.dir.filePath("Cleo.bin")));
        const TClient cleo = rig.savedList()[2];
        QCOMPARE(int(cleo.Steplength), 72);
        QCOMPARE(int(cleo.Weight), 61);
        QCOMPARE(int(cleo.TargetSteps), 12000);
        QCOMPARE(int(cleo.TimeSync), 0);
        QVERIFY(!rig.w<QCheckBox>("TimeSyncCheckBox")->isChecked());
        QVERIFY(rig.prompts.texts().contains(rig.state.Catalog.Info[12]));
        QVERIFY(window.editMode());
        QCOMPARE(rig.savedList()[0], ParseClientLine("Anna,1,34,165,58,68,8000,1,1"));
    }

    void okForAnImperialProfileOnAMetricPedometerConvertsIt()
    {
        Rig rig(threeUsers());
        rig.startupDownload();
        DayRecordList records{{20100701, 100, 1000, 50, 10, 0, 0, 8000}};
        QVERIFY(SaveDayRecords(rig.dir.filePath("Bob.bin"), records, rig.state.Catalog, rig.prompts));
        rig.open();
        rig.click("UserNameLabel2");
        rig.click("OkLabel");

        QCOMPARE(rig.prompts.texts().first(), rig.state.Catalog.Info[24]);
        const TClient bob = rig.savedList()[1];
        QCOMPARE(int(bob.Height), 178);
        QCOMPARE(int(bob.Metric), 1);
        DayRecordList after;
        QVERIFY(LoadDayRecords(rig.dir.filePath("Bob.bin"), after, rig.state.Catalog, rig.prompts));
        QCOMPARE(after.front().Distance, 1609u);
    }

    void okWithoutAWorkingPedometerNeitherMergesNorReadsBack()
    {
        Rig rig(threeUsers());
        PedometerFaults silent;
        silent.dropAll = true;
        rig.model->setFaults(silent);
        rig.open();
        rig.click("UserNameLabel2");
        rig.click("OkLabel");

        QCOMPARE(rig.state.CurrentUser, QStringLiteral("Bob"));
        QCOMPARE(rig.savedList()[1], ParseClientLine("Bob,2,41,510,176,29,10000,0,1"));
        QCOMPARE(rig.dir.read("Bob.bin"), QByteArray());
        QVERIFY(!rig.prompts.texts().contains(rig.state.Catalog.Info[12]));
        QVERIFY(!rig.prompts.texts().contains(rig.state.Catalog.Info[24]));
    }

    void clickingTheListSelectsAndADoubleClickChooses()
    {
        Rig rig(threeUsers());
        rig.startupDownload();
        TForm2& window = rig.open();
        QWidget* list = rig.w("ShapeImage");
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(100, 60));
        QCOMPARE(window.selectedRow(), 2);
        QCOMPARE(rig.w("UserShape1")->y(), 186);
        // Below the last profile nothing changes.
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(100, 200));
        QCOMPARE(window.selectedRow(), 2);

        // The first click of a double-click selects the row.
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseDClick(list, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(rig.state.CurrentUser, QStringLiteral("Cleo"));
        QVERIFY(window.editMode());
        // The extra merge of a double-click reports nothing; the regular one does, once.
        QCOMPARE(rig.prompts.texts().count(rig.state.Catalog.Info[12]), 1);
    }

    void okWithoutASelectedRowWarns()
    {
        Rig rig({}, true);
        rig.open();
        rig.click("OkLabel");
        QCOMPARE(rig.prompts.texts(), QStringList{rig.state.Catalog.Info[14]});
    }

    void userInfoThenExitChangesNothing()
    {
        Rig rig(threeUsers());
        rig.startupDownload();
        TForm2& window = rig.open();
        rig.click("UserNameLabel1");
        rig.click("OkLabel");
        const QByteArray list = rig.dir.read("Kinetrax.dat");
        rig.prompts.clear();

        QTimer::singleShot(0, &window, [&] {
            QVERIFY(rig.w<QLineEdit>("NameEdit")->isReadOnly());
            QCOMPARE(rig.w<QLineEdit>("NameEdit")->text(), QStringLiteral("Anna"));
            QVERIFY(rig.w("UserPanel1")->isHidden());
            QCOMPARE(window.width(), 373);
            rig.type("WeightEdit", "99");
            rig.click("ExitLabel");
        });
        QSignalSpy quit(&window, &TForm2::quitRequested);
        window.SetBtnClick();
        QCOMPARE(rig.dir.read("Kinetrax.dat"), list);
        QCOMPARE(quit.count(), 0);
        QVERIFY(rig.prompts.shown().isEmpty());
    }

    void userInfoSaveSendsTheNewWeightAndTakesThePedometersValue()
    {
        Rig rig(threeUsers());
        rig.startupDownload();
        TForm2& window = rig.open();
        rig.click("UserNameLabel1");
        rig.click("OkLabel");

        QTimer::singleShot(0, &window, [&] {
            rig.type("WeightEdit", "63");
            rig.click("SaveLabel");
        });
        window.SetBtnClick();
        QCOMPARE(int(rig.model->profile().Weight), 63);
        QCOMPARE(int(rig.state.Clients[0].Weight), 63);
        QCOMPARE(rig.state.UserCount(), 3);
    }

    // With the pedometer's units unread, USER INFO shows a metric profile in metric units and Save
    // asks nothing and converts nothing.
    void userInfoShowsAProfileInItsOwnUnitsWhileThePedometerIsUnread()
    {
        Rig rig(threeUsers());
        PedometerFaults silent;
        silent.dropAll = true;
        rig.model->setFaults(silent);
        const DayRecordList history{{20100601, 1500, 1040, 50, 15, 0, 0, 8000}};
        QVERIFY(SaveDayRecords(rig.dir.filePath("Anna.bin"), history, rig.state.Catalog, rig.prompts));
        const QByteArray stored = rig.dir.read("Anna.bin");
        TForm2& window = rig.open();
        rig.click("UserNameLabel1");
        rig.click("OkLabel");
        rig.prompts.clear();
        rig.prompts.setDefaultAnswer(true);

        QStringList captions;
        QTimer::singleShot(0, &window, [&] {
            for (const char* name : {"HeightUnitLabel", "WeightUnitLabel", "SteplengthUnitLabel"})
                captions << rig.w<QLabel>(name)->text();
            captions << rig.w<QLineEdit>("HeightEditH")->text() + rig.w<QLineEdit>("HeightEditL")->text();
            rig.click("SaveLabel");
        });
        window.SetBtnClick();

        const auto& units = rig.state.Catalog.Units;
        QCOMPARE(captions, (QStringList{units[0], units[1], units[2], QStringLiteral("165")}));
        for (const auto& shown : rig.prompts.shown())
            QVERIFY(!shown.question);
        QCOMPARE(rig.dir.read("Anna.bin"), stored);
        QCOMPARE(rig.savedList()[0], ParseClientLine("Anna,1,34,165,58,68,8000,1,1"));
    }

    void closingDuringStartupSelectionEndsTheProgram()
    {
        Rig rig(threeUsers());
        TForm2& window = rig.open();
        QSignalSpy quit(&window, &TForm2::quitRequested);
        window.show();
        window.close();
        QCOMPARE(quit.count(), 1);
    }

    void editorNormalizesOnPointerMoveAndSwitchesUnits()
    {
        Rig rig({}, true);
        rig.startupDownload();
        TForm2& window = rig.open();
        window.show();
        QTRY_VERIFY(!rig.w("UserPanel2")->isHidden());
        rig.type("HeightEditH", "1");
        rig.type("HeightEditL", "7");
        rig.type("WeightEdit", "300");
        rig.type("AgeEdit", "0");
        QTest::mouseMove(rig.w("NameLabel"));
        QCOMPARE(rig.w<QLineEdit>("HeightEditL")->text(), QStringLiteral("07"));
        QCOMPARE(rig.w<QLineEdit>("WeightEdit")->text(), QStringLiteral("227"));
        QCOMPARE(rig.w<QLineEdit>("AgeEdit")->text(), QStringLiteral("1"));

        rig.type("HeightEditL", "75");
        rig.type("WeightEdit", "70");
        rig.type("SteplengthEdit", "75");
        window.HeightUnitRadioBtn1Click();
        QCOMPARE(rig.w<QLineEdit>("HeightEditH")->text(), QStringLiteral("5"));
        QCOMPARE(rig.w<QLineEdit>("HeightEditL")->text(), QStringLiteral("09"));
        QCOMPARE(rig.w<QLineEdit>("WeightEdit")->text(), QStringLiteral("154"));
        QCOMPARE(rig.w<QLineEdit>("SteplengthEdit")->text(), QStringLiteral("30"));
        QVERIFY(!rig.w("FeetShape1")->isHidden());
        QVERIFY(rig.w("HeightLabel1")->isHidden());
    }

    // The hidden target-kind selector, driven as the program drives it: each kind shows the target in
    // full, and a value typed in a kind becomes steps.
    void targetKindsShowAndTakeTheTarget()
    {
        Rig rig({}, true);
        rig.startupDownload();
        TForm2& window = rig.open();
        window.show();
        QTRY_VERIFY(!rig.w("UserPanel2")->isHidden());
        QVERIFY(window.formMetric());
        rig.type("WeightEdit", "68");
        rig.type("SteplengthEdit", "70");
        rig.type("TargetStepEdit", "30000");
        auto* target = rig.w<QLineEdit>("TargetEdit");
        auto* unit = rig.w<QLabel>("TargetEditUnitLabel");
        const auto decimal = [](const char* text) {
            return QString::fromLatin1(text).replace(QLatin1Char('.'), QLocale::system().decimalPoint());
        };

        window.TargetCalorieRadiobtnClick();
        QCOMPARE(target->text(), decimal("1278.7")); // 30000 x 0.042624 kcal
        QCOMPARE(unit->text(), QStringLiteral("Kcal"));
        QCOMPARE(window.formTarget(), 30000);
        target->setText(decimal("500"));
        QCOMPARE(window.formTarget(), 11730);

        window.TargetDistanceRadiobtnClick();
        QCOMPARE(target->text(), decimal("8.21")); // 11730 x 0.70 m
        QCOMPARE(unit->text(), QStringLiteral("km"));
        target->setText(decimal("12.5"));
        QCOMPARE(window.formTarget(), 17857);
        target->setText(decimal("99.99"));
        QCOMPARE(window.formTarget(), 99999);
        QCOMPARE(target->text(), decimal("70.00"));

        window.TargetStepRadiobtnClick();
        QCOMPARE(target->text(), QStringLiteral("99999"));
        QCOMPARE(unit->text(), QStringLiteral("step"));
        window.TargetCalorieRadiobtnClick();
        QCOMPARE(target->text(), decimal("4262.4"));
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "test_settings_window.moc"
