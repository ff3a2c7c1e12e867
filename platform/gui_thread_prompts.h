#pragma once

#include "platform/prompts.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

// Prompts whose boxes are always shown on the thread that created the object (the GUI thread). A call
// from another thread waits until the GUI thread has answered it, except once the program is ending:
// then it returns at once, a message dropped and a question answered No, so that a worker never waits
// for a GUI thread that has left its event loop or is itself waiting for the worker.
class GuiThreadPrompts : public QObject, public Prompts {
    Q_OBJECT
public:
    explicit GuiThreadPrompts(QObject* parent = nullptr);

    void showMessage(const QString& caption, const QString& text, int flags) final;
    bool askYesNo(const QString& caption, const QString& text, int flags) final;
    bool showMessageWithAction(const QString& caption, const QString& text, int flags,
                               const QString& actionText) final;
    // Also releases the calls waiting now. Irreversible.
    void programEnding() final;

    // Calls from other threads waiting for their answer now.
    int waitingCalls() const;

protected:
    // On the GUI thread: shows the box and returns true when a question was answered Yes or the action
    // button was pressed. flags holds 0x04 in its low nibble for a question; actionText is empty but
    // for a message with an action.
    virtual bool answerOnGuiThread(const QString& caption, const QString& text, int flags,
                                   const QString& actionText) = 0;

private slots:
    // On the GUI thread: answers the calls other threads queued, oldest first.
    void answerQueuedCalls();

private:
    struct QueuedCall {
        QString Caption;
        QString Text;
        int Flags = 0;
        QString ActionText;
        bool Done = false;
        bool Yes = false;
    };

    bool ask(const QString& caption, const QString& text, int flags, const QString& actionText = QString());

    // Standard rather than Qt primitives: ThreadSanitizer sees their waits release the lock.
    mutable std::mutex mutex_;
    std::condition_variable answered_;
    bool ending_ = false;
    int waiting_ = 0;
    // Calls from other threads not yet taken by the GUI thread. They pass through here, under mutex_,
    // rather than inside a queued functor, whose memory the GUI thread would read through Qt's event
    // queue, a synchronization ThreadSanitizer cannot see in an uninstrumented Qt.
    std::deque<std::shared_ptr<QueuedCall>> queued_;
};
