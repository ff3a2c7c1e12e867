#include "profiles/profile_session.h"

#include "catalog/catalog_file.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "emulator/pedometer_history.h"
#include "profiles/profile_name.h"
#include "profiles/user_list.h"
#include "protocol/memory_image.h"
#include "state/app_state.h"
#include "store/activity_file.h"
#include "tests/support/builders.h"
#include "tests/support/profile_rig.h"

#include <QFile>
#include <QTest>

#include <memory>

// The profile workflows without a window, against the in-process pedometer.
class TestProfileSession : public QObject {
    Q_OBJECT

    struct Rig : ProfileRig {
        std::unique_ptr<ProfileSession> session;

        explicit Rig(const QStringList& listLines) : ProfileRig(listLines, true, 0.05)
        {
            // A metric pedometer with a week of activity: what a wrong unit flag would wipe.
            model->setHistory(GenerateHistory(5, true, 70, 65));
            link->ConnectPedometer();
            session = std::make_unique<ProfileSession>(state, *link, prompts);
            session->setSyncDelayMs(0);
            session->setTodaySource([] { return QDate(2010, 7, 4); });
        }

        int questions() const
        {
            int n = 0;
            for (const auto& s : prompts.shown())
                n += s.question ? 1 : 0;
            return n;
        }
        // New's defaults as the editor would hand them back, named.
        ProfileForm newForm(const QString& name)
        {
            const std::optional<NewProfileDefaults> d = session->NewProfile();
            if (!d)
                qFatal("New refused");
            ProfileForm f;
            f.Name = name;
            f.Gender = 1;
            f.Age = d->Age.toInt();
            f.HeightH = d->HeightH.toInt();
            f.HeightL = d->HeightL.toInt();
            f.Weight = d->Weight.toInt();
            f.Steplength = d->Steplength.toInt();
            f.Target = d->Target.toInt();
            f.Metric = d->Metric;
            return f;
        }
        void saveNew(const ProfileForm& form)
        {
            const SaveOutcome saved = session->SaveProfile(state.UserCount() + 1, false, form);
            QVERIFY(saved.Saved);
            QVERIFY(session->ActivateSavedProfile(saved.Row, false, form).Done);
        }
    };

    static QByteArray dayBytes(const RawMemory& m) { return QByteArray(reinterpret_cast<const char*>(m.data()) + 10, 90); }

private slots:
    // A pedometer whose status byte never reads ready leaves the start-up download unadopted; New
    // reads the units itself, so the pedometer keeps its units and its days.
    void newOnAPedometerNeverReadyTakesItsUnitsFromADownload()
    {
        Rig rig({"Anna,1,34,165,58,68,8000,1,1"});
        rig.setFaults([](PedometerFaults& f) { f.busyStatusByte = true; });
        QVERIFY(rig.session->LoadUserList());
        const RawMemory before = rig.model->rawMemory();
        QVERIFY(!rig.state.DownloadValid);

        const ProfileForm form = rig.newForm("Bob");
        QVERIFY(form.Metric);
        rig.saveNew(form);

        QCOMPARE(rig.questions(), 0);
        const RawMemory after = rig.model->rawMemory();
        QCOMPARE(after[1] & 1, 1);
        QCOMPARE(dayBytes(after), dayBytes(before));
        QCOMPARE(int(rig.model->profile().Steplength), form.Steplength);
        QCOMPARE(int(LoadUserList(rig.state.UserListPath).Clients.at(1).Metric), 1);
    }

    // With no answer at all the units stay unknown: the profile is listed with the units chosen and
    // nothing reaches the pedometer.
    void saveWhileThePedometerCannotBeReadOnlyListsTheProfile()
    {
        Rig rig({"Anna,1,34,165,58,68,8000,1,1"});
        rig.setFaults([](PedometerFaults& f) { f.dropAll = true; });
        QVERIFY(rig.session->LoadUserList());
        const RawMemory before = rig.model->rawMemory();

        const ProfileForm form = rig.newForm("Bob");
        rig.prompts.clear();
        rig.saveNew(form);

        QCOMPARE(rig.questions(), 0);
        QVERIFY(rig.prompts.texts().contains(PedometerNotReadText()));
        QVERIFY(rig.model->rawMemory() == before);
        QVERIFY(!rig.state.DownloadValid);
        const TClient bob = LoadUserList(rig.state.UserListPath).Clients.at(1);
        QCOMPARE(bob.Name, QStringLiteral("Bob"));
        QCOMPARE(int(bob.Metric), form.Metric ? 1 : 0);
        QCOMPARE(rig.state.CurrentUser, QStringLiteral("Bob"));
        QCOMPARE(rig.dir.read("Bob.bin"), QByteArray());
    }

    // USER INFO's Save converts the stored distances only when the profile's own units change.
    void editedProfileConvertsItsHistoryOnlyWhenItsUnitsChange_data()
    {
        QTest::addColumn<bool>("pedometerAnswers");
        QTest::addColumn<bool>("metricInEditor");
        QTest::addColumn<int>("questions");
        QTest::addColumn<uint32_t>("storedDistance");
        QTest::newRow("pedometer silent, no edit") << false << true << 0 << 1040u;
        QTest::newRow("metric pedometer, no edit") << true << true << 0 << 1040u;
        QTest::newRow("metric pedometer, switched to imperial") << true << false << 1 << 646u;
    }
    void editedProfileConvertsItsHistoryOnlyWhenItsUnitsChange()
    {
        QFETCH(bool, pedometerAnswers);
        QFETCH(bool, metricInEditor);
        QFETCH(int, questions);
        QFETCH(uint32_t, storedDistance);

        Rig rig({"Anna,1,34,165,58,68,8000,1,1"});
        if (!pedometerAnswers)
            rig.setFaults([](PedometerFaults& f) { f.dropAll = true; });
        const DayRecordList history{Day(20100601, 1500, 8000, 1040, 50, 15)};
        QVERIFY(SaveDayRecords(rig.dir.filePath("Anna.bin"), history, rig.state.Catalog, rig.prompts));
        QVERIFY(rig.session->LoadUserList());
        QVERIFY(rig.session->ChooseProfile(1, QStringLiteral("Anna"), false, false).Chosen);
        const QByteArray list = rig.dir.read("Kinetrax.dat");
        rig.prompts.clear();
        rig.prompts.setDefaultAnswer(true);

        ProfileForEditing edited = rig.session->EditedProfile(1);
        QCOMPARE(edited.Row, 1);
        QVERIFY(edited.Form.Metric);
        QCOMPARE(edited.Form.HeightH * 100 + edited.Form.HeightL, 165);
        edited.Form.Metric = metricInEditor;
        QVERIFY(rig.session->SaveProfile(1, true, edited.Form).Saved);

        QCOMPARE(rig.questions(), questions);
        DayRecordList stored;
        QVERIFY(LoadDayRecords(rig.dir.filePath("Anna.bin"), stored, rig.state.Catalog, rig.prompts));
        QCOMPARE(stored.at(0).Distance, storedDistance);
        if (questions == 0 && pedometerAnswers)
            QVERIFY(rig.state.DeviceMetric);
        if (!pedometerAnswers)
            QCOMPARE(rig.dir.read("Kinetrax.dat"), list);
    }

    // Typing keeps the stricter rule. A name an earlier version listed is refused only where its files
    // would leave the data directory or cannot be named here; otherwise its history stays reachable:
    // chosen at start-up and with OK, merged into, and removed by Del.
    void listedNamesAreRefusedOnlyWhereTheirFilesCannotBe_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("typedUsable");
        QTest::addColumn<bool>("listedUsable");
        QTest::newRow("plain") << QStringLiteral("Bob") << true << true;
        QTest::newRow("trailing dot") << QStringLiteral("Bob Jr.") << false << true;
        QTest::newRow("trailing blank") << QStringLiteral("Ann ") << false << true;
        QTest::newRow("blank") << QStringLiteral("  ") << false << true;
        QTest::newRow("refused only by other systems") << QStringLiteral("a<b>:\"|?*") << false << true;
        QTest::newRow("65 characters") << QString(65, QLatin1Char('x')) << false << true;
        QTest::newRow("file name of 248 bytes") << QString(244, QLatin1Char('x')) << false << true;
        QTest::newRow("file name of 249 bytes") << QString(245, QLatin1Char('x')) << false << false;
        QTest::newRow("two-byte letters, 250 bytes") << QString(123, QChar(0xE9)) << false << false;
        QTest::newRow("empty") << QString() << false << false;
        QTest::newRow("dot") << QStringLiteral(".") << false << false;
        QTest::newRow("dot dot") << QStringLiteral("..") << false << false;
        QTest::newRow("parent path") << QStringLiteral("../Bob") << false << false;
        QTest::newRow("backslash") << QStringLiteral("a\\b") << false << false;
        QTest::newRow("NUL") << QStringLiteral("Bob") + QChar(0) << false << false;
        QTest::newRow("escape") << QStringLiteral("Bob\x1b") << false << false;
    }
    void listedNamesAreRefusedOnlyWhereTheirFilesCannotBe()
    {
        QFETCH(QString, name);
        QFETCH(bool, typedUsable);
        QFETCH(bool, listedUsable);
        QCOMPARE(ProfileNameProblem(name).isEmpty(), typedUsable);
        QCOMPARE(UnusableProfileText(name).isEmpty(), listedUsable);
        if (!listedUsable)
            return;

        Rig rig({name + QStringLiteral(",1,34,165,58,68,8000,1,1")});
        const QString file = name + QStringLiteral(".bin");
        const DayRecordList history{Day(20100601, 1500, 8000, 1040, 50, 15)};
        QVERIFY(SaveDayRecords(rig.dir.filePath(file), history, rig.state.Catalog, rig.prompts));
        QVERIFY(rig.session->LoadUserList());
        QCOMPARE(rig.state.CurrentUser, name);
        QVERIFY(rig.session->ChooseProfile(1, name, false, false).Chosen);
        DayRecordList merged;
        QVERIFY(LoadDayRecords(rig.dir.filePath(file), merged, rig.state.Catalog, rig.prompts));
        QCOMPARE(merged.size(), size_t(1 + DaysInMemory));
        QCOMPARE(merged.front().Date, 20100601u);

        rig.prompts.setDefaultAnswer(true);
        QVERIFY(rig.session->DeleteProfile(1));
        QVERIFY(!QFile::exists(rig.dir.filePath(file)));
    }

    // Del removes the history only once the list without the profile is on disk.
    void delKeepsProfileAndHistoryWhenTheListCannotBeSaved()
    {
        Rig rig({"Anna,1,34,165,58,68,8000,1,1", "Bob,2,41,510,176,29,10000,0,1"});
        const DayRecordList history{Day(20100601, 1500, 8000, 1040, 50, 15)};
        QVERIFY(SaveDayRecords(rig.dir.filePath("Bob.bin"), history, rig.state.Catalog, rig.prompts));
        QVERIFY(rig.session->LoadUserList());
        const QByteArray list = rig.dir.read("Kinetrax.dat");
        const QByteArray bob = rig.dir.read("Bob.bin");
        rig.prompts.clear();
        rig.prompts.setDefaultAnswer(true);
        {
            FileSizeLimit full(16);
            QVERIFY(!rig.session->DeleteProfile(2));
        }
        QCOMPARE(rig.dir.read("Kinetrax.dat"), list);
        QCOMPARE(rig.dir.read("Bob.bin"), bob);
        QCOMPARE(rig.state.UserCount(), 2);
        QCOMPARE(rig.prompts.shown().size(), 2);
        QCOMPARE(rig.prompts.shown().at(1).flags, 0x10);

        QVERIFY(rig.session->DeleteProfile(2));
        QVERIFY(!QFile::exists(rig.dir.filePath("Bob.bin")));
        QCOMPARE(LoadUserList(rig.state.UserListPath).Clients.size(), size_t(1));
        QCOMPARE(rig.session->Rows().size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(TestProfileSession)
#include "test_profile_session.moc"
