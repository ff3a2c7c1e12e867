#include "export/record_mail.h"

MailMessage BuildRecordMail(const QString& currentUser, const QString& exportDir)
{
    const QString fileName = QString::fromLocal8Bit((currentUser + QStringLiteral(".csv")).toLocal8Bit());
    MailMessage mail;
    mail.Subject = currentUser + QStringLiteral("'s Step Record");
    mail.NoteText = QStringLiteral("Hi,\r\n  The attachment is ") + currentUser + QStringLiteral("'s record.");
    mail.AttachmentPath = exportDir + fileName;
    mail.AttachmentName = fileName;
    return mail;
}
