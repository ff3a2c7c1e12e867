#pragma once

#include "platform/mailer.h"

#include <QList>

// Mailer for tests: records every message handed over and answers only when the test says so, as a
// mail program that is still starting would.
class ScriptedMailer : public Mailer {
public:
    void sendMail(const MailMessage& message) override { sent_.append(message); }
    void answer(bool handedOver) { emit mailAnswered(handedOver); }
    const QList<MailMessage>& sent() const { return sent_; }

private:
    QList<MailMessage> sent_;
};
