#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// The mail that SEND hands to the user's mail program: no recipients (the user adds them in the mail
// program's compose window) and exactly one attachment.
struct RecordMail {
    QString Subject;        // "<name>'s Step Record"
    QString NoteText;       // "Hi,\r\n  The attachment is <name>'s record."
    QString AttachmentPath; // exportDir + file name: the file ExportCsv writes
    QString AttachmentName; // "<name>.csv", what the recipient sees
};

// The mail of currentUser's records. The file name is the user name as the system's 8-bit encoding holds
// it, so the file written and the name offered to the mail program agree. exportDir ends in a separator.
RecordMail BuildRecordMail(const QString& currentUser, const QString& exportDir);

// Hands a RecordMail to the user's mail program. done(true) means the program took the message; done(false)
// covers no mail program, a failing one and a cancelled compose window alike. done runs later on the
// caller's thread; the caller's event loop keeps running meanwhile.
class Mailer {
public:
    virtual ~Mailer() = default;
    virtual void sendMail(const RecordMail& mail, std::function<void(bool handedOver)> done) = 0;
};

// Mailer through the freedesktop xdg-email tool, which opens the user's preferred mail client with the
// subject, body and attachment filled in. A missing tool is a failure, like a system without Simple MAPI.
// Keep the mailer alive until done has run: destroying it stops a mail tool still running.
class XdgEmailMailer : public QObject, public Mailer {
    Q_OBJECT
public:
    explicit XdgEmailMailer(QString program = QStringLiteral("xdg-email"), QObject* parent = nullptr);
    void sendMail(const RecordMail& mail, std::function<void(bool handedOver)> done) override;

    // The command-line arguments for mail, for the program given to the constructor.
    static QStringList Arguments(const RecordMail& mail);

private:
    QString program_;
};
