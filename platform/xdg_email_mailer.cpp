#include "platform/xdg_email_mailer.h"

#include <QProcess>

#include <memory>
#include <utility>

namespace {
// Long enough for a killed process to be reaped, short enough that ending the program never hangs.
constexpr int ReapWaitMs = 2000;
}

XdgEmailMailer::XdgEmailMailer(QString program, QObject* parent)
    : Mailer(parent)
    , program_(std::move(program))
{
}

XdgEmailMailer::~XdgEmailMailer()
{
    for (QProcess* process : findChildren<QProcess*>(QString(), Qt::FindDirectChildrenOnly)) {
        disconnect(process, nullptr, this, nullptr);
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(ReapWaitMs);
        }
    }
}

QStringList XdgEmailMailer::Arguments(const MailMessage& message)
{
    // xdg-email writes every line break of the body as CR LF into the mailto address itself; a CR of
    // ours would come out doubled.
    QString body = message.NoteText;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // No recipient argument: xdg-email then leaves the To field for the user to fill in.
    return {QStringLiteral("--subject"), message.Subject, QStringLiteral("--body"), body,
            QStringLiteral("--attach"), message.AttachmentPath};
}

void XdgEmailMailer::sendMail(const MailMessage& message)
{
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    // A start failure and finished are each reported once, and a crash reports both: the first answers.
    // Queued, so that even a failure found inside start() is answered after sendMail has returned.
    auto answered = std::make_shared<bool>(false);
    auto answer = [this, process, answered](bool handedOver) {
        if (*answered)
            return;
        *answered = true;
        QMetaObject::invokeMethod(this, [this, handedOver] { emit mailAnswered(handedOver); },
                                  Qt::QueuedConnection);
        process->deleteLater();
    };
    connect(process, &QProcess::finished, this, [answer](int exitCode, QProcess::ExitStatus status) {
        answer(status == QProcess::NormalExit && exitCode == 0);
    });
    connect(process, &QProcess::errorOccurred, this, [answer](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            answer(false);
    });
    process->start(program_, Arguments(message));
}
