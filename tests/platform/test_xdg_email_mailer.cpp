#include "platform/xdg_email_mailer.h"
#include "tests/support/stand_in_desktop_tool.h"

#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <memory>

namespace {
// Characters a shell would act on, and a line break inside one argument.
MailMessage TrickyMessage()
{
    MailMessage m;
    m.Subject = QStringLiteral("O'Neil \"Jo\" $HOME; `date`'s Step Record");
    m.NoteText = QStringLiteral("Hi,\r\n  The attachment is O'Neil's record.");
    m.AttachmentPath = QStringLiteral("/data dir/O'Neil.csv");
    m.AttachmentName = QStringLiteral("O'Neil.csv");
    return m;
}

bool ProcessGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}
}

class XdgEmailMailerTest : public QObject {
    Q_OBJECT

private slots:
    // The tool found on PATH gets the subject, body and attachment word for word, runs while the caller
    // goes on, and its exit 0 is the one answer.
    void toolGetsTheMessageAndTheCallerIsNotKeptWaiting()
    {
        StandInDesktopTool tool(StandInDesktopTool::XdgEmail, StandInDesktopTool::WaitForRelease);
        QVERIFY(tool.isValid());
        XdgEmailMailer mailer;
        QSignalSpy answers(&mailer, &Mailer::mailAnswered);
        const MailMessage m = TrickyMessage();
        mailer.sendMail(m);
        QTRY_VERIFY_WITH_TIMEOUT(tool.ran(), 5000);
        QVERIFY(answers.isEmpty());
        // The tool makes each LF of the body a CR LF of the mail.
        QCOMPARE(tool.arguments(), QStringList({"--subject", m.Subject, "--body",
                                                "Hi,\n  The attachment is O'Neil's record.", "--attach",
                                                m.AttachmentPath}));
        QVERIFY(tool.release());
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 1, 5000);
        QCOMPARE(answers.first().first().toBool(), true);
        QTest::qWait(50);
        QCOMPARE(answers.size(), 1);
    }

    void failuresAreOneFalseAnswerGivenLater_data()
    {
        QTest::addColumn<QByteArray>("ending");
        QTest::addColumn<bool>("onPath");
        QTest::addColumn<QString>("program");
        const QString xdgEmail = QStringLiteral("xdg-email");
        QTest::newRow("no mail client configured (exit 3)") << QByteArray("exit 3") << true << xdgEmail;
        QTest::newRow("cancelled or failed (exit 1)") << QByteArray("exit 1") << true << xdgEmail;
        QTest::newRow("tool crashes") << QByteArray("kill -9 $$") << true << xdgEmail;
        QTest::newRow("no xdg-email installed") << QByteArray() << false << xdgEmail;
        // Refused inside QProcess::start itself.
        QTest::newRow("no program named") << QByteArray() << false << QString();
    }

    void failuresAreOneFalseAnswerGivenLater()
    {
        QFETCH(QByteArray, ending);
        QFETCH(bool, onPath);
        QFETCH(QString, program);
        const QByteArray oldPath = qgetenv("PATH");
        std::unique_ptr<StandInDesktopTool> tool;
        if (onPath) {
            tool = std::make_unique<StandInDesktopTool>(StandInDesktopTool::XdgEmail, ending);
            QVERIFY(tool->isValid());
        } else {
            qputenv("PATH", "/nonexistent");
        }
        XdgEmailMailer mailer(program);
        QSignalSpy answers(&mailer, &Mailer::mailAnswered);
        mailer.sendMail(TrickyMessage());
        // Not from inside sendMail, even when the tool cannot be started at all.
        const int answeredAtOnce = int(answers.size());
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 1, 5000);
        QTest::qWait(50);
        qputenv("PATH", oldPath);
        QCOMPARE(answeredAtOnce, 0);
        QCOMPARE(answers.size(), 1);
        QCOMPARE(answers.first().first().toBool(), false);
    }

    // The program ends while the mail tool still runs: the mailer's end neither hangs on it nor leaves
    // it behind, and answers no one.
    void endingWithTheToolStillRunning()
    {
        StandInDesktopTool tool(StandInDesktopTool::XdgEmail, StandInDesktopTool::Hang);
        QVERIFY(tool.isValid());
        auto mailer = std::make_unique<XdgEmailMailer>();
        QObject listener;
        bool answered = false;
        connect(mailer.get(), &Mailer::mailAnswered, &listener, [&answered] { answered = true; });
        mailer->sendMail(TrickyMessage());
        QTRY_VERIFY_WITH_TIMEOUT(tool.ran(), 5000);
        const qint64 pid = tool.pid();
        QVERIFY(!ProcessGone(pid));
        mailer.reset();
        QVERIFY(ProcessGone(pid));
        QTest::qWait(50);
        QVERIFY(!answered);
    }
};

QTEST_GUILESS_MAIN(XdgEmailMailerTest)
#include "test_xdg_email_mailer.moc"
