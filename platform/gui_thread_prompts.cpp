#include "platform/gui_thread_prompts.h"

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

bool GuiThreadPrompts::showMessageWithAction(const QString& caption, const QString& text, int flags,
                                             const QString& actionText)
{
    return ask(caption, text, flags, actionText);
}

void GuiThreadPrompts::programEnding()
{
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
    answered_.notify_all();
}

int GuiThreadPrompts::waitingCalls() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_;
}

bool GuiThreadPrompts::ask(const QString& caption, const QString& text, int flags, const QString& actionText)
{
    if (QThread::currentThread() == thread())
        return answerOnGuiThread(caption, text, flags, actionText);

    struct Call {
        bool done = false;
        bool yes = false;
    };
    // Shared, because the GUI thread may still run the call after its caller has given up waiting.
    auto call = std::make_shared<Call>();
    std::unique_lock<std::mutex> lock(mutex_);
    if (ending_)
        return false;
    QMetaObject::invokeMethod(
        this,
        [this, call, caption, text, flags, actionText] {
            {
                std::lock_guard<std::mutex> guard(mutex_);
                if (ending_)
                    return;
            }
            const bool yes = answerOnGuiThread(caption, text, flags, actionText);
            std::lock_guard<std::mutex> guard(mutex_);
            call->yes = yes;
            call->done = true;
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    ++waiting_;
    answered_.wait(lock, [&] { return call->done || ending_; });
    --waiting_;
    return call->done && call->yes;
}
