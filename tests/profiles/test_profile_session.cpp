#include "profiles/profile_session.h"

#include "catalog/catalog_file.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "emulator/pedometer_history.h"
#include "platform/write_stop.h"
#include "profiles/pending_work.h"
#include "profiles/profile_name.h"
#include "profiles/user_list.h"
#include "protocol/memory_image.h"
#include "state/app_state.h"
#include "store/activity_file.h"
#include "store/date_key.h"
#include "store/day_status.h"
#include "store/download_log.h"
#include "store/merge.h"
#include "tests/support/builders.h"
#include "tests/support/profile_rig.h"

#include <QDir>
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

    static uint32_t storedDistance(Rig& rig, const QString& name, uint32_t date)
    {
        DayRecordList records;
        if (!LoadDayRecords(rig.dir.filePath(name + ".bin"), records, rig.state.Catalog, rig.prompts))
            return 0;
        for (const TBINFile& r : records) {
            if (r.Date == date)
                return r.Distance;
        }
        return 0;
    }

    // The flows of the list, each run with one of its file writes failing.
    enum Flow { Ok, DoubleClick, NewSave, EditSave, Del };

    static bool runFlow(Rig& rig, Flow flow, bool retry)
    {
        switch (flow) {
        case Ok:
            return rig.session->ChooseProfile(1, QStringLiteral("Anna"), false, false).Chosen;
        case DoubleClick:
            return rig.session->ChooseProfile(1, QStringLiteral("Anna"), false, true).Chosen;
        case NewSave:
        case EditSave: {
            const bool editing = flow == EditSave;
            ProfileForm form = editing ? rig.session->EditedProfile(1).Form : rig.newForm(QStringLiteral("Bob"));
            form.Metric = false;
            // A new profile already in the list is finished with OK on its row.
            if (retry && !editing && rig.state.UserCount() == 2)
                return rig.session->ChooseProfile(2, QStringLiteral("Bob"), false, false).Chosen;
            const SaveOutcome saved = rig.session->SaveProfile(editing ? 1 : rig.state.UserCount() + 1, editing, form);
            return saved.Saved && rig.session->ActivateSavedProfile(saved.Row, editing, form).Done;
        }
        case Del:
            return rig.session->DeleteProfile(2);
        }
        return false;
    }

private slots:
    // A pedometer whose status byte never reads ready leaves the start-up download unadopted; New
    // pressed by the user reads the units itself, so the pedometer keeps its units and its days.
    void newOnAPedometerNeverReadyTakesItsUnitsFromADownload()
    {
        Rig rig({"Anna,1,34,165,58,68,8000,1,1"});
        rig.setFaults([](PedometerFaults& f) { f.busyStatusByte = true; });
        QVERIFY(rig.session->LoadUserList());
        const RawMemory before = rig.model->rawMemory();
        QVERIFY(!rig.state.DownloadValid);

        // The New the window makes by itself leaves the pedometer to the start-up worker.
        const int reports = rig.model->outputReportCount();
        QVERIFY(rig.session->NewProfile(ExchangeStart::Automatic));
        QCOMPARE(rig.model->outputReportCount(), reports);
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

    // A failed file write stops the flow with the platform's error; the list's units and the stored
    // distances agree, the pedometer keeps its days or they are on disk, nothing is sent without the
    // list saved, and the same action again finishes the job.
    void aFailedWriteLeavesFilesConsistentAndARetryFinishes_data()
    {
        QTest::addColumn<int>("flow");
        QTest::addColumn<int>("write");
        QTest::addColumn<bool>("listSaved");   // the list held the change when the write failed
        // Passed over silently: removing a note of finished work, and the download log, which only adds
        // to what the activity file holds.
        QTest::addColumn<bool>("harmless");
        const auto rows = [](const char* name, Flow flow, const QStringList& writes, int firstAfterList) {
            for (int k = 1; k <= writes.size(); ++k) {
                QTest::addRow("%s: %s", name, qPrintable(writes[k - 1]))
                    << int(flow) << k << (k >= firstAfterList)
                    << (writes[k - 1] == QLatin1String("note removed") || writes[k - 1] == QLatin1String("log"));
            }
        };
        rows("OK, units change", Ok,
             {"note", "Anna.bin converted", "list converted", "note removed", "merge", "log", "list"}, 4);
        rows("double-click", DoubleClick, {"merge", "log", "merge", "log", "list"}, 6);
        rows("New + Save, units change", NewSave,
             {"list", "Bob.bin created", "days before the units change", "log", "merge", "log"}, 2);
        rows("USER INFO Save, units change", EditSave,
             {"note", "Anna.bin converted", "list converted", "note removed", "days before the units change",
              "log", "merge", "log"}, 4);
        rows("Del", Del, {"note", "list", "Bob.bin removed", "Bob.downloads removed", "note removed"}, 3);
    }
    void aFailedWriteLeavesFilesConsistentAndARetryFinishes()
    {
        QFETCH(int, flow);
        QFETCH(int, write);
        QFETCH(bool, listSaved);
        QFETCH(bool, harmless);
        const Flow f = Flow(flow);

        const bool imperialAnna = f == Ok;
        QStringList lines{imperialAnna ? "Anna,1,34,510,150,29,8000,0,1" : "Anna,1,34,165,58,68,8000,1,1"};
        if (f == Del)
            lines << "Bob,2,41,510,176,29,10000,0,1";
        Rig rig(lines);
        const DayRecordList history{Day(20100601, 1500, 8000, 1040, 50, 15)};
        QVERIFY(SaveDayRecords(rig.dir.filePath("Anna.bin"), history, rig.state.Catalog, rig.prompts));
        if (f == Del) {
            QVERIFY(SaveDayRecords(rig.dir.filePath("Bob.bin"), history, rig.state.Catalog, rig.prompts));
            QVERIFY(AppendDownloadLog(rig.dir.filePath("Bob.downloads"), {QDateTime(QDate(2010, 6, 1), QTime(9, 0)), {}}));
        }
        QVERIFY(rig.session->LoadUserList());
        rig.prompts.setDefaultAnswer(true);
        if (f == EditSave)
            QVERIFY(rig.session->ChooseProfile(1, QStringLiteral("Anna"), false, false).Chosen);
        const MemoryImage before = rig.model->memoryImage();
        const ProfileValues profileBefore = rig.model->profile();
        rig.prompts.clear();

        FailFileWriteForTests(write);
        const bool done = runFlow(rig, f, false);
        QVERIFY2(FailedFileWriteForTests(), "the flow has fewer writes than the table");
        FailFileWriteForTests(0);
        const QString injected = QString::fromLatin1(InjectedWriteErrorText());
        const QStringList texts = rig.prompts.texts();
        const bool told = std::any_of(texts.begin(), texts.end(), [&](const QString& t) {
            return t.contains(injected) || t.startsWith(rig.state.Catalog.Info[11])
                || t.startsWith(rig.state.Catalog.Info[16]);
        });
        // Only a Del whose profile is gone from the list counts as done (its file's removal is told).
        QCOMPARE(done, (f == Del && listSaved) || harmless);
        QCOMPARE(told, !harmless);

        // As the next start sees the files, once it has finished what a failure left half done.
        const auto consistent = [&] {
            TempDataDir next;
            for (const QString& name : QDir(rig.dir.path()).entryList(QDir::Files))
                QVERIFY(next.write(name, rig.dir.read(name)));
            AppState state;
            state.Catalog = rig.state.Catalog;
            state.ExeDir = next.path();
            state.UserListPath = next.filePath("Kinetrax.dat");
            ScriptedPrompts quiet;
            QVERIFY(ProfileSession(state, *rig.link, quiet).LoadUserList());
            for (const TClient& c : LoadUserList(state.UserListPath).Clients) {
                if (c.Name != QLatin1String("Anna"))
                    continue;
                const bool original = !imperialAnna;
                const uint32_t expected = (c.Metric != 0) == original ? 1040u : ConvertDistance(1040, c.Metric != 0);
                DayRecordList records;
                QVERIFY(LoadDayRecords(next.filePath("Anna.bin"), records, state.Catalog, quiet));
                QCOMPARE(records.at(0).Date, 20100601u);
                QCOMPARE(records.at(0).Distance, expected);
            }
            // Every day the pedometer held is still there or in the current user's file.
            const MemoryImage now = rig.model->memoryImage();
            DayRecordList stored;
            LoadDayRecords(rig.state.activityFilePath(), stored, rig.state.Catalog, rig.prompts);
            for (int i = 0; i < DaysInMemory; ++i) {
                const DayBlockValues day = DecodeDayBlock(before, i);
                if (day.Steps == 0 || DecodeDayBlock(now, i) == day)
                    continue;
                const uint32_t key = DateKey(QDate(2010, 7, 4).addDays(-i));
                QVERIFY2(std::any_of(stored.begin(), stored.end(),
                                     [&](const TBINFile& r) { return r.Date == key && r.Steps == day.Steps; }),
                         qPrintable(QStringLiteral("day %1 lost").arg(key)));
            }
        };
        consistent();
        // A failure that stops the flow before the list sends nothing.
        if (!listSaved && !harmless) {
            QVERIFY(rig.model->memoryImage() == before);
            QCOMPARE(rig.model->profile().Steplength, profileBefore.Steplength);
        }
        if (harmless && f != Del)
            return;
        if (f == Del) {
            // The old days never become a new profile's: refused while the file is there, gone after.
            const bool fileLeft = QFile::exists(rig.dir.filePath("Bob.bin"));
            QCOMPARE(fileLeft, write <= 3);
            QCOMPARE(QFile::exists(rig.dir.filePath("Bob.downloads")), write <= 4);
            if (listSaved) {
                rig.saveNew(rig.newForm(QStringLiteral("Bob")));
                QCOMPARE(storedDistance(rig, QStringLiteral("Bob"), 20100601), 0u);
                QVERIFY(!QFile::exists(rig.dir.filePath(PendingWorkFileName)));
                return;
            }
        }

        rig.prompts.clear();
        QVERIFY(runFlow(rig, f, true));
        const QList<ScriptedPrompts::Shown> retried = rig.prompts.shown();
        QVERIFY2(std::none_of(retried.begin(), retried.end(),
                              [](const ScriptedPrompts::Shown& m) { return m.flags == 0x10; }),
                 qPrintable(rig.prompts.texts().join(" | ")));
        consistent();
        QVERIFY(!QFile::exists(rig.dir.filePath(PendingWorkFileName)));
        const UserListFile list = LoadUserList(rig.state.UserListPath);
        if (f == Del) {
            QCOMPARE(list.Clients.size(), size_t(1));
            QVERIFY(!QFile::exists(rig.dir.filePath("Bob.bin")));
            QVERIFY(!QFile::exists(rig.dir.filePath("Bob.downloads")));
            return;
        }
        const TClient& active = list.Clients.at(f == NewSave ? 1 : 0);
        QCOMPARE(rig.state.CurrentUser, active.Name);
        QCOMPARE(rig.model->profile().Metric, active.Metric != 0);
        QCOMPARE(rig.model->profile().Steplength, active.Steplength);
    }

    // Every download that reached the merge is logged for the current user, dated on the merge's today,
    // with the image the merge took: also when a question was answered No and when the save failed.
    void everyMergedDownloadIsLogged()
    {
        Rig rig({"Anna,1,34,165,58,68,8000,1,1"});
        QVERIFY(SaveDayRecords(rig.dir.filePath("Anna.bin"), {Day(20100704, 1), Day(20100703, 2)},
                               rig.state.Catalog, rig.prompts));
        QVERIFY(rig.session->LoadUserList());
        rig.prompts.setDefaultAnswer(false);
        QVERIFY(rig.session->ChooseProfile(1, QStringLiteral("Anna"), false, false).Chosen);
        QVERIFY(rig.questions() >= 1);
        const QString logPath = rig.dir.filePath("Anna.downloads");
        std::vector<DownloadLogEntry> log = LoadDownloadLog(logPath);
        QCOMPARE(log.size(), size_t(1));
        // The real clock is years after the fixed today: the date follows the merge.
        QCOMPARE(log[0].When.date(), QDate(2010, 7, 4));
        QVERIFY(log[0].Image == rig.state.DownloadBlock);
        DayRecordList records;
        QVERIFY(LoadDayRecords(rig.dir.filePath("Anna.bin"), records, rig.state.Catalog, rig.prompts));
        QCOMPARE(records.at(0).Steps, 1u);

        rig.session->setNowSource([] { return QDateTime(QDate(2010, 7, 4), QTime(21, 5, 30)); });
        FailFileWriteForTests(1);
        QVERIFY(!rig.session->ChooseProfile(1, QStringLiteral("Anna"), false, false).Chosen);
        FailFileWriteForTests(0);
        log = LoadDownloadLog(logPath);
        QCOMPARE(log.size(), size_t(2));
        QCOMPARE(log[1].When, QDateTime(QDate(2010, 7, 4), QTime(21, 5, 30)));
        QVERIFY(log[1].Image == rig.state.DownloadBlock);
        QCOMPARE(ComputeSyncOutlook(records, log, QDate(2010, 7, 4)).LastDownload, log[1].When);
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
