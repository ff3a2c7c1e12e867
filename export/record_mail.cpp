#include "export/record_mail.h"

#include <QProcess>

#include <memory>

RecordMail BuildRecordMail(const QString& currentUser, const QString& exportDir)
{
    const QString fileName = QString::fromLocal8Bit((currentUser + QStringLiteral(".csv")).toLocal8Bit());
    RecordMail mail;
    mail.Subject = currentUser + QStringLiteral("'s Step Record");
    mail.NoteText = QStringLiteral("Hi,\r\n  The attachment is ") + currentUser + QStringLiteral("'s record.");
    mail.AttachmentPath = exportDir + fileName;
    mail.AttachmentName = fileName;
    return mail;
}

XdgEmailMailer::XdgEmailMailer(QString program, QObject* parent) : QObject(parent), program_(std::move(program)) {}

QStringList XdgEmailMailer::Arguments(const RecordMail& mail)
{
    // No recipient argument: xdg-email then leaves the To field for the user to fill in.
    return {QStringLiteral("--subject"), mail.Subject, QStringLiteral("--body"),
            mail.NoteText, QStringLiteral("--attach"), mail.AttachmentPath};
}

void XdgEmailMailer::sendMail(const RecordMail& mail, std::function<void(bool handedOver)> done)
{
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    // finished and a start failure are each reported once; whichever comes first answers.
    auto answer = std::make_shared<std::function<void(bool)>>(std::move(done));
    auto reply = [process, answer](bool ok) {
        if (*answer) {
            auto callback = std::move(*answer);
            *answer = nullptr;
            callback(ok);
        }
        process->deleteLater();
    };
    connect(process, &QProcess::finished, this, [reply](int exitCode, QProcess::ExitStatus status) {
        reply(status == QProcess::NormalExit && exitCode == 0);
    });
    connect(process, &QProcess::errorOccurred, this, [reply](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            reply(false);
    });
    process->start(program_, Arguments(mail));
}
