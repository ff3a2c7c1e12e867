#include "export/record_mail.h"

#include <QTest>

class RecordMailTest : public QObject {
    Q_OBJECT

private slots:
    void mailNamesTheUsersRecord()
    {
        const MailMessage mail = BuildRecordMail("Ann", "/data/");
        QCOMPARE(mail.Subject, QString("Ann's Step Record"));
        QCOMPARE(mail.NoteText, QString("Hi,\r\n  The attachment is Ann's record."));
        QCOMPARE(mail.AttachmentName, QString("Ann.csv"));
        QCOMPARE(mail.AttachmentPath, QString("/data/Ann.csv"));
    }
};

QTEST_GUILESS_MAIN(RecordMailTest)
#include "test_record_mail.moc"
