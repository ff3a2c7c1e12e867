#include "platform/gui_thread_prompts.h"

#include <QMutexLocker>
#include <QThread>

#include <memory>

GuiThreadPrompts::GuiThreadPrompts(QObject* parent)
    : QObject(parent)
{
}

void GuiThreadPrompts::showMessage(const QString& caption, const QString& text, int flags)
{
    ask(caption, text, flags);
}

bool GuiThreadPrompts::askYesNo(const QString& caption, const QString& text, int flags)
{
    return ask(caption, text, flags | 0x04);
}

void GuiThreadPrompts::programEnding()
{
    QMutexLocker lock(&mutex_);
    ending_ = true;
    answered_.wakeAll();
}

int GuiThreadPrompts::waitingCalls() const
{
    QMutexLocker lock(&mutex_);
    return waiting_;
}

bool GuiThreadPrompts::ask(const QString& caption, const QString& text, int flags)
{
    if (QThread::currentThread() == thread())
        return answerOnGuiThread(caption, text, flags);

    struct Call {
        bool done = false;
        bool yes = false;
    };
    // Shared, because the GUI thread may still run the call after its caller has given up waiting.
    auto call = std::make_shared<Call>();
    QMutexLocker lock(&mutex_);
    if (ending_)
        return false;
    QMetaObject::invokeMethod(
        this,
        [this, call, caption, text, flags] {
            {
                QMutexLocker guard(&mutex_);
                if (ending_)
                    return;
            }
            const bool yes = answerOnGuiThread(caption, text, flags);
            QMutexLocker guard(&mutex_);
            call->yes = yes;
            call->done = true;
            answered_.wakeAll();
        },
        Qt::QueuedConnection);
    ++waiting_;
    while (!call->done && !ending_)
        answered_.wait(&mutex_);
    --waiting_;
    return call->done && call->yes;
}
