#include "scripted_prompts.h"

#include <QMutexLocker>

void ScriptedPrompts::showMessage(const QString& caption, const QString& text, int flags)
{
    QMutexLocker lock(&mutex_);
    shown_.append({caption, text, flags, false, QString()});
}

bool ScriptedPrompts::askYesNo(const QString& caption, const QString& text, int flags)
{
    QMutexLocker lock(&mutex_);
    shown_.append({caption, text, flags, true, QString()});
    return answers_.isEmpty() ? defaultAnswer_ : answers_.takeFirst();
}

bool ScriptedPrompts::showMessageWithAction(const QString& caption, const QString& text, int flags,
                                            const QString& actionText)
{
    QMutexLocker lock(&mutex_);
    shown_.append({caption, text, flags, false, actionText});
    return answers_.isEmpty() ? defaultAnswer_ : answers_.takeFirst();
}

void ScriptedPrompts::queueAnswers(const QList<bool>& answers)
{
    QMutexLocker lock(&mutex_);
    answers_.append(answers);
}

void ScriptedPrompts::setDefaultAnswer(bool yes)
{
    QMutexLocker lock(&mutex_);
    defaultAnswer_ = yes;
}

QList<ScriptedPrompts::Shown> ScriptedPrompts::shown() const
{
    QMutexLocker lock(&mutex_);
    return shown_;
}

QStringList ScriptedPrompts::texts() const
{
    QMutexLocker lock(&mutex_);
    QStringList result;
    for (const Shown& s : shown_)
        result.append(s.text);
    return result;
}

void ScriptedPrompts::clear()
{
    QMutexLocker lock(&mutex_);
    shown_.clear();
}
