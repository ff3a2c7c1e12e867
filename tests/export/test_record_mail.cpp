#include "export/record_mail.h"
#include "tests/support/temp_data_dir.h"

#include <QFile>
#include <QTest>

namespace {

// A stand-in for xdg-email that records its arguments, one per line, and exits with the given code.
QString FakeMailProgram(const TempDataDir& dir, int exitCode)
{
    const QString path = dir.filePath("fake-xdg-email");
    const QByteArray script = "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
        + dir.filePath("args").toLocal8Bit() + "'\nexit " + QByteArray::number(exitCode) + "\n";
    if (!dir.write("fake-xdg-email", script))
        return {};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

struct Outcome {
    int calls = 0;
    bool handedOver = false;
};

// Waits for the answer, and a little longer for a second one that must not come.
void Send(XdgEmailMailer& mailer, const RecordMail& mail, Outcome& outcome)
{
    mailer.sendMail(mail, [&outcome](bool ok) {
        ++outcome.calls;
        outcome.handedOver = ok;
    });
    QTRY_VERIFY_WITH_TIMEOUT(outcome.calls > 0, 10000);
    QTest::qWait(50);
}

} // namespace

class RecordMailTest : public QObject {
    Q_OBJECT

private slots:
    void mailNamesTheUsersRecord()
    {
        const RecordMail mail = BuildRecordMail("Ann", "/data/");
        QCOMPARE(mail.Subject, QString("Ann's Step Record"));
        QCOMPARE(mail.NoteText, QString("Hi,\r\n  The attachment is Ann's record."));
        QCOMPARE(mail.AttachmentName, QString("Ann.csv"));
        QCOMPARE(mail.AttachmentPath, QString("/data/Ann.csv"));
    }

    void mailProgramGetsSubjectBodyAndAttachment()
    {
        TempDataDir dir;
        XdgEmailMailer mailer(FakeMailProgram(dir, 0));
        const RecordMail mail = BuildRecordMail("Ann", dir.path());
        Outcome outcome;
        Send(mailer, mail, outcome);
        QCOMPARE(outcome.calls, 1);
        QVERIFY(outcome.handedOver);
        QCOMPARE(QString::fromLocal8Bit(dir.read("args")),
                 "--subject\nAnn's Step Record\n--body\nHi,\r\n  The attachment is Ann's record.\n--attach\n"
                     + dir.filePath("Ann.csv") + "\n");
    }

    void failuresAreReportedOnce_data()
    {
        QTest::addColumn<bool>("programExists");
        QTest::newRow("mail program fails or is cancelled") << true;
        QTest::newRow("no mail program") << false;
    }

    void failuresAreReportedOnce()
    {
        QFETCH(bool, programExists);
        TempDataDir dir;
        XdgEmailMailer mailer(programExists ? FakeMailProgram(dir, 1) : dir.filePath("no-such-mailer"));
        Outcome outcome;
        Send(mailer, BuildRecordMail("Ann", dir.path()), outcome);
        QCOMPARE(outcome.calls, 1);
        QVERIFY(!outcome.handedOver);
    }
};

QTEST_GUILESS_MAIN(RecordMailTest)
#include "test_record_mail.moc"
