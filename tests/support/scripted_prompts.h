#pragma once

#include "platform/prompts.h"

#include <QList>
#include <QMutex>
#include <QString>

// Prompts for tests: records every box shown and answers questions from a script. Thread-safe, so a
// worker thread's messages are recorded too. No test ever waits on a real box.
class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        QString caption;
        QString text;
        int flags = 0;
        bool question = false;
        QString action; // the extra button of a message with an action
    };

    void showMessage(const QString& caption, const QString& text, int flags) override;
    bool askYesNo(const QString& caption, const QString& text, int flags) override;
    // Answered from the same script as the questions: true presses the action.
    bool showMessageWithAction(const QString& caption, const QString& text, int flags,
                               const QString& actionText) override;

    // Answers for the next questions and actions, in order; once used up, they get defaultAnswer.
    void queueAnswers(const QList<bool>& answers);
    void setDefaultAnswer(bool yes);

    QList<Shown> shown() const;
    QStringList texts() const;
    void clear();

private:
    mutable QMutex mutex_;
    QList<Shown> shown_;
    QList<bool> answers_;
    bool defaultAnswer_ = false;
};
