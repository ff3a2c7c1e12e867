#include "forms/artwork_widget.h"
#include "app/main_window.h"
#include "emulator/emulated_hid_bus.h"
#include "platform/xdg_email_mailer.h"
#include "store/activity_file.h"
#include "tests/support/builders.h"
#include "tests/support/file_capabilities.h"
#include "tests/support/scripted_folder_opener.h"
#include "tests/support/scripted_mailer.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/stand_in_desktop_tool.h"
#include "tests/support/temp_data_dir.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

#include <csignal>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace {
// Ann's days, held out of date order as a merge can leave them.
const DayRecordList AnnDays = {Day(20100722, 12345, 10000, 876, 4567, 95), Day(20100720, 5, 8000, 5, 7, 1),
                               Day(20100721, 0, 8000, 123456, 10, 0)};
const QByteArray AnnCsv = "Date,Steps,Target Step,Distance(km),Calories(kcal),Walking Time(min)\r\n"
                          "20100720,5,8000,0.05,0.7,1,\r\n"
                          "20100721,0,8000,1234.56,1.0,0,\r\n"
                          "20100722,12345,10000,8.76,456.7,95,\r\n";

// The main window on an emulated pedometer with TODAY shown: the profile owner holds Ann's days and
// user is current. The mailer is the scripted one unless the test passes another.
struct Fixture {
    TempDataDir dir;
    EmulatedHidBus bus;
    ScriptedPrompts prompts;
    ScriptedMailer scripted;
    ScriptedFolderOpener folders;
    std::unique_ptr<TForm1> form;

    explicit Fixture(Mailer* mailer = nullptr, const QString& user = QStringLiteral("Ann"),
                     const QString& owner = QStringLiteral("Ann"))
    {
        dir.write(owner + QStringLiteral(".bin"), DayRecordsToBytes(AnnDays));
        form = std::make_unique<TForm1>(bus, prompts, mailer ? *mailer : scripted, folders, dir.path(), nullptr);
        AppState& s = form->state();
        s.Clients.push_back(MetricClient(owner));
        s.CurrentUser = user;
        s.DeviceMetric = true;
        form->DisplayBtnClick();
        form->show();
    }
    QLabel* label(const char* name) const { return form->findChild<QLabel*>(QString::fromLatin1(name)); }
    QWidget* widget(const char* name) const { return form->findChild<QWidget*>(QString::fromLatin1(name)); }
    void click(const char* name) const { QTest::mouseClick(widget(name), Qt::LeftButton, {}, QPoint(3, 3)); }
    // The one section label in white.
    QString highlighted() const
    {
        QStringList white;
        for (const char* name : {"TodayLabel", "RecordLabel", "UserSettingLabel", "SendLabel"})
            if (label(name)->palette().color(QPalette::WindowText) == QColor(255, 255, 255))
                white << QString::fromLatin1(name);
        return white.join(u',');
    }
    QStringList csvFiles() const { return QDir(dir.path()).entryList({QStringLiteral("*.csv")}, QDir::Files); }
};

bool DatesAscending(const DayRecordList& records)
{
    return std::is_sorted(records.begin(), records.end(),
                          [](const TBINFile& a, const TBINFile& b) { return a.Date < b.Date; });
}
}

class SendTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitFormResources(); }

    void sendMailsTheRecordsAndGivesTheHighlightBack_data()
    {
        QTest::addColumn<bool>("fromRecord");
        QTest::newRow("from TODAY") << false;
        QTest::newRow("from RECORD") << true;
    }

    void sendMailsTheRecordsAndGivesTheHighlightBack()
    {
        QFETCH(bool, fromRecord);
        Fixture f;
        if (fromRecord)
            f.click("RecordLabel");
        f.click("SendLabel");

        QCOMPARE(f.scripted.sent().size(), 1);
        const MailMessage mail = f.scripted.sent().first();
        QCOMPARE(mail.Subject, QStringLiteral("Ann's Step Record"));
        QCOMPARE(mail.NoteText, QStringLiteral("Hi,\r\n  The attachment is Ann's record."));
        QCOMPARE(mail.AttachmentName, QStringLiteral("Ann.csv"));
        QCOMPARE(mail.AttachmentPath, f.dir.filePath(QStringLiteral("Ann.csv")));
        QCOMPARE(f.dir.read(QStringLiteral("Ann.csv")), AnnCsv);
        // The records stay in date order in memory; the activity file is not rewritten.
        QVERIFY(DatesAscending(f.form->state().DayRecords));
        QCOMPARE(f.dir.read(QStringLiteral("Ann.bin")), DayRecordsToBytes(AnnDays));

        // Until the mail program answers: SEND highlighted, the panels as they were, a second SEND ignored.
        QCOMPARE(f.highlighted(), QStringLiteral("SendLabel"));
        QCOMPARE(f.widget("TodayPanel")->isVisible(), !fromRecord);
        QCOMPARE(f.widget("StepsPanel")->isVisible(), fromRecord);
        f.click("SendLabel");
        QCOMPARE(f.scripted.sent().size(), 1);

        f.scripted.answer(true);
        QCOMPARE(f.highlighted(), QString::fromLatin1(fromRecord ? "RecordLabel" : "TodayLabel"));
        QVERIFY(f.prompts.shown().isEmpty());
        QCOMPARE(f.widget("StepsPanel")->isVisible(), fromRecord);

        // Once answered, SEND works again and overwrites the file.
        f.form->state().DayRecords.push_back(Day(20100701, 1, 2, 3, 4, 5));
        f.click("SendLabel");
        QCOMPARE(f.scripted.sent().size(), 2);
        QVERIFY(f.dir.read(QStringLiteral("Ann.csv")).startsWith(
            "Date,Steps,Target Step,Distance(km),Calories(kcal),Walking Time(min)\r\n20100701,1,2,0.03,0.4,5,\r\n"));
    }

    // A user whose records cannot be read never gets the previous user's records in the export.
    // The records are stored in the profile's units; until a complete download tells the pedometer's,
    // TODAY, RECORD and the export name the profile's unit, not the unit flag's start value.
    void distanceUnitFollowsTheProfileUntilThePedometerIsRead_data()
    {
        QTest::addColumn<bool>("pedometerRead");
        QTest::addColumn<bool>("deviceMetric");
        QTest::addColumn<bool>("profileMetric");
        QTest::addColumn<QString>("unit");
        QTest::newRow("unread, metric profile") << false << false << true << QStringLiteral("km");
        QTest::newRow("unread, imperial profile") << false << true << false << QStringLiteral("mile");
        QTest::newRow("read as imperial") << true << false << true << QStringLiteral("mile");
    }
    void distanceUnitFollowsTheProfileUntilThePedometerIsRead()
    {
        QFETCH(bool, pedometerRead);
        QFETCH(bool, deviceMetric);
        QFETCH(bool, profileMetric);
        QFETCH(QString, unit);
        Fixture f;
        AppState& s = f.form->state();
        s.DownloadValid = pedometerRead;
        s.DeviceMetric = deviceMetric;
        s.Clients.front().Metric = profileMetric ? 1 : 0;
        f.form->DisplayBtnClick();
        QCOMPARE(f.label("DistanceEdit")->text(), QStringLiteral("0.00") + unit);

        f.click("RecordLabel");
        QCOMPARE(f.label("DistanceTotalLabel")->text(), QStringLiteral("Total:1243.37") + unit);
        f.click("SendLabel");
        const QByteArray header = f.dir.read(QStringLiteral("Ann.csv")).split('\r').first();
        QCOMPARE(header, "Date,Steps,Target Step,Distance(" + unit.toLatin1() + "),Calories(kcal),Walking Time(min)");
    }

    void userWithoutReadableRecordsExportsNoneOfAnothers()
    {
        Fixture f;
        QCOMPARE(f.form->state().DayRecords.size(), AnnDays.size());
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("Bob.bin"))); // a file nobody can read
        AppState& s = f.form->state();
        s.Clients.push_back(MetricClient(QStringLiteral("Bob")));
        s.CurrentUser = QStringLiteral("Bob");
        f.form->activeUserChanged();
        f.click("SendLabel");

        QCOMPARE(f.scripted.sent().size(), 1);
        const QByteArray csv = f.dir.read(QStringLiteral("Bob.csv"));
        QCOMPARE(csv, AnnCsv.left(AnnCsv.indexOf("\r\n") + 2));
    }

    // The real mailer, and xdg-email finds no mail client (exit 3) or fails otherwise (exit 1): the box
    // keeps the catalog's text, tells where the CSV lies and offers to open its folder; the folder is
    // opened only on that answer, and one that cannot be opened is named in a box of its own.
    void failedMailOffersTheExportFolder_data()
    {
        QTest::addColumn<QByteArray>("ending");
        QTest::addColumn<bool>("openFolder");
        QTest::addColumn<bool>("folderOpens");
        QTest::newRow("no mail client, OK") << QByteArray("exit 3") << false << true;
        QTest::newRow("no mail client, Open Folder") << QByteArray("exit 3") << true << true;
        QTest::newRow("tool failed, folder cannot be opened") << QByteArray("exit 1") << true << false;
    }

    void failedMailOffersTheExportFolder()
    {
        QFETCH(QByteArray, ending);
        QFETCH(bool, openFolder);
        QFETCH(bool, folderOpens);
        StandInDesktopTool tool(StandInDesktopTool::XdgEmail, ending);
        QVERIFY(tool.isValid());
        XdgEmailMailer mailer;
        Fixture f(&mailer);
        f.prompts.queueAnswers({openFolder});
        f.folders.setAnswer(folderOpens);
        f.click("SendLabel");
        QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.shown().isEmpty(), 5000);

        const QString csv = f.dir.filePath(QStringLiteral("Ann.csv"));
        const QString folder = QDir(f.dir.path()).absolutePath();
        const QList<ScriptedPrompts::Shown> shown = f.prompts.shown();
        const ScriptedPrompts::Shown box = shown.first();
        QCOMPARE(box.text, QStringLiteral("Mail Send failed!          \n\nThe records were saved as:\n") + csv);
        QCOMPARE(box.caption, QString());
        QCOMPARE(box.flags, 0x10);
        QCOMPARE(box.action, QStringLiteral("Open Folder"));
        QVERIFY(!box.question);
        QCOMPARE(f.dir.read(QStringLiteral("Ann.csv")), AnnCsv);
        QCOMPARE(f.folders.opened(), openFolder ? QStringList{folder} : QStringList());
        if (openFolder && !folderOpens) {
            QCOMPARE(shown.size(), 2);
            QCOMPARE(shown[1].caption, QStringLiteral("Kinetrax V1.0"));
            QCOMPARE(shown[1].text, QStringLiteral("The folder could not be opened:\n") + folder);
            QCOMPARE(shown[1].flags, 0);
        } else {
            QCOMPARE(shown.size(), 1);
        }
        QCOMPARE(f.highlighted(), QStringLiteral("TodayLabel"));
    }

    void withoutAUsableUserNothingIsWrittenOrSent_data()
    {
        QTest::addColumn<QString>("user");
        QTest::newRow("no user") << QString();
        QTest::newRow("name that would leave the data directory") << QStringLiteral("../Ann");
    }

    void withoutAUsableUserNothingIsWrittenOrSent()
    {
        QFETCH(QString, user);
        Fixture f(nullptr, user);
        f.prompts.clear();
        f.click("SendLabel");
        QVERIFY(f.scripted.sent().isEmpty());
        QVERIFY(f.csvFiles().isEmpty());
        QVERIFY(!QFile::exists(f.dir.filePath(QStringLiteral("../Ann.csv"))));
        QCOMPARE(f.highlighted(), QStringLiteral("SendLabel"));
        QVERIFY(f.widget("TodayPanel")->isVisible());
        QVERIFY(f.prompts.shown().isEmpty());
    }

    void unwritableExportStopsBeforeTheMail_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("disk full") << QStringLiteral("full");
        QTest::newRow("read-only data directory") << QStringLiteral("read-only");
        QTest::newRow("a folder in the file's place") << QStringLiteral("folder");
    }

    void unwritableExportStopsBeforeTheMail()
    {
        QFETCH(QString, fault);
        Fixture f;
        const QByteArray old = "an earlier export\r\n";
        if (fault == QLatin1String("folder"))
            QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("Ann.csv")));
        else
            QVERIFY(f.dir.write(QStringLiteral("Ann.csv"), old));
        {
            std::unique_ptr<FileSizeLimit> full;
            std::unique_ptr<FileCapabilitiesSuspended> asAUser;
            if (fault == QLatin1String("full"))
                full = std::make_unique<FileSizeLimit>(16);
            if (fault == QLatin1String("read-only")) {
                QVERIFY(QFile::setPermissions(f.dir.path(), QFile::ReadOwner | QFile::ExeOwner));
                asAUser = std::make_unique<FileCapabilitiesSuspended>();
                QVERIFY(asAUser->isValid());
            }
            f.click("SendLabel");
            QFile::setPermissions(f.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        QVERIFY(f.scripted.sent().isEmpty());
        QCOMPARE(f.prompts.shown().size(), 1);
        const ScriptedPrompts::Shown box = f.prompts.shown().first();
        QCOMPARE(box.caption, QStringLiteral("Kinetrax V1.0"));
        QCOMPARE(box.flags, 0x10);
        QVERIFY2(box.text.startsWith(QStringLiteral("Cannot write ") + f.dir.filePath(QStringLiteral("Ann.csv")) + ": "),
                 qPrintable(box.text));
        QVERIFY2(box.text.size() > f.dir.filePath(QStringLiteral("Ann.csv")).size() + 15, qPrintable(box.text));
        QCOMPARE(f.highlighted(), QStringLiteral("SendLabel"));
        if (fault != QLatin1String("folder"))
            QCOMPARE(f.dir.read(QStringLiteral("Ann.csv")), old);
        QVERIFY(DatesAscending(f.form->state().DayRecords));
    }

    // Going to another section while the mail program starts: that section keeps the highlight, and
    // USER INFO still returns to the section SEND was started from.
    void sectionsChosenWhileTheMailIsPending()
    {
        Fixture f;
        f.click("SendLabel");
        f.click("RecordLabel");
        f.scripted.answer(true);
        QCOMPARE(f.highlighted(), QStringLiteral("RecordLabel"));
        QVERIFY(f.widget("StepsPanel")->isVisible());

        f.click("TodayLabel");
        f.click("SendLabel");
        f.click("UserSettingLabel");
        QCOMPARE(f.highlighted(), QStringLiteral("TodayLabel"));
        f.scripted.answer(false);
        QCOMPARE(f.prompts.shown().size(), 1);
        QVERIFY(f.prompts.texts().first().startsWith(QStringLiteral("Mail Send failed!          \n")));
        QCOMPARE(f.highlighted(), QStringLiteral("TodayLabel"));
    }

    // The real mailer with a stand-in xdg-email on PATH: the tool gets the subject, the note (its line
    // break as LF, which xdg-email writes as CR LF) and the written file, the window goes on while it
    // runs, and its exit 0 ends SEND without a box. A name beyond ASCII reaches the file name, the
    // subject and the attachment path intact.
    void realMailerHandsTheFileToXdgEmail_data()
    {
        QTest::addColumn<QString>("user");
        QTest::newRow("ASCII name") << QStringLiteral("Ann");
        QTest::newRow("name beyond ASCII") << QStringLiteral("Zoë Ångström-Łukasz 李");
    }

    void realMailerHandsTheFileToXdgEmail()
    {
        QFETCH(QString, user);
        StandInDesktopTool tool(StandInDesktopTool::XdgEmail, StandInDesktopTool::WaitForRelease);
        QVERIFY(tool.isValid());
        XdgEmailMailer mailer;
        Fixture f(&mailer, user, user);
        f.click("SendLabel");
        QTRY_VERIFY_WITH_TIMEOUT(tool.ran(), 5000);
        QCOMPARE(f.highlighted(), QStringLiteral("SendLabel"));
        const QString csv = f.dir.filePath(user + QStringLiteral(".csv"));
        QCOMPARE(tool.arguments(), QStringList({"--subject", user + "'s Step Record", "--body",
                                                "Hi,\n  The attachment is " + user + "'s record.", "--attach", csv}));
        QCOMPARE(f.csvFiles(), QStringList{user + QStringLiteral(".csv")});
        QCOMPARE(f.dir.read(user + QStringLiteral(".csv")), AnnCsv);
        QVERIFY(tool.release());
        QTRY_COMPARE_WITH_TIMEOUT(f.highlighted(), QStringLiteral("TodayLabel"), 5000);
        QVERIFY(f.prompts.shown().isEmpty());
        QVERIFY(f.folders.opened().isEmpty());
    }

    // The program ends while the mail tool runs: no hang, no crash, no box, and the tool is not left behind.
    void endingWithAMailPending()
    {
        StandInDesktopTool tool(StandInDesktopTool::XdgEmail, StandInDesktopTool::Hang);
        QVERIFY(tool.isValid());
        auto mailer = std::make_unique<XdgEmailMailer>();
        auto f = std::make_unique<Fixture>(mailer.get());
        f->click("SendLabel");
        QTRY_VERIFY_WITH_TIMEOUT(tool.ran(), 5000);
        f->form->endProgram();
        const QList<ScriptedPrompts::Shown> shown = f->prompts.shown();
        f.reset();
        mailer.reset();
        QVERIFY(shown.isEmpty());
        QVERIFY(::kill(pid_t(tool.pid()), 0) == -1);
    }

    // The mail program answers once the program is ending, and again after the window is gone: nothing
    // is shown and nothing touches the window.
    void answerAfterTheProgramEnds()
    {
        ScriptedMailer mailer;
        Fixture f(&mailer);
        f.click("SendLabel");
        QCOMPARE(mailer.sent().size(), 1);
        f.form->endProgram();
        mailer.answer(false);
        QVERIFY(f.prompts.shown().isEmpty());
        f.form.reset();
        mailer.answer(false);
        QVERIFY(f.prompts.shown().isEmpty());
    }
};

QTEST_MAIN(SendTest)
#include "test_send.moc"
