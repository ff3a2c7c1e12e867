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

    // Shared, because the GUI thread may still answer the call after its caller has given up waiting.
    auto call = std::make_shared<QueuedCall>();
    call->Caption = caption;
    call->Text = text;
    call->Flags = flags;
    call->ActionText = actionText;
    std::unique_lock<std::mutex> lock(mutex_);
    if (ending_)
        return false;
    queued_.push_back(call);
    QMetaObject::invokeMethod(this, "answerQueuedCalls", Qt::QueuedConnection);
    ++waiting_;
    answered_.wait(lock, [&] { return call->Done || ending_; });
    --waiting_;
    return call->Done && call->Yes;
}

void GuiThreadPrompts::answerQueuedCalls()
{
    for (;;) {
        std::shared_ptr<QueuedCall> call;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (ending_)
                queued_.clear();
            if (queued_.empty())
                return;
            call = queued_.front();
            queued_.pop_front();
        }
        const bool yes = answerOnGuiThread(call->Caption, call->Text, call->Flags, call->ActionText);
        std::lock_guard<std::mutex> guard(mutex_);
        call->Yes = yes;
        call->Done = true;
        answered_.notify_all();
    }
}
