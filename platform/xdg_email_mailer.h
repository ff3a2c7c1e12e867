#pragma once

#include "platform/mailer.h"

#include <QString>
#include <QStringList>

// Mailer through the freedesktop xdg-email tool (Debian package xdg-utils), which opens the user's
// preferred mail client with the subject, body and attachment filled in. Exit code 0 is success; any
// other code, a tool that cannot be started or one that crashes is a failure. The tool runs as a child
// process, so the caller's event loop keeps running while the mail client starts.
class XdgEmailMailer : public Mailer {
    Q_OBJECT
public:
    explicit XdgEmailMailer(QString program = QStringLiteral("xdg-email"), QObject* parent = nullptr);
    // Ends a tool still running without answering for it and without waiting more than a moment; a mail
    // client the tool had started is its own process and stays open.
    ~XdgEmailMailer() override;

    void sendMail(const MailMessage& message) override;

    // The command-line arguments for message; the body's line breaks as LF, which the tool turns into CR LF.
    static QStringList Arguments(const MailMessage& message);

private:
    QString program_;
};
