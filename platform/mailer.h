#pragma once

#include <QObject>
#include <QString>

// A message for the user's mail program: no recipients (the user adds them in the mail program's
// compose window) and exactly one attachment.
struct MailMessage {
    QString Subject;
    QString NoteText;
    QString AttachmentPath; // the file to attach
    QString AttachmentName; // what the recipient sees
};

// The one way the program hands a message to the user's mail program. sendMail returns at once; the
// answer arrives later as mailAnswered on the mailer's thread, exactly once per message: true when
// the mail program took the message, false for no mail program, a failing one and a cancelled compose
// window alike. The GUI uses XdgEmailMailer; tests use a scripted mailer.
class Mailer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void sendMail(const MailMessage& message) = 0;

signals:
    void mailAnswered(bool handedOver);
};
