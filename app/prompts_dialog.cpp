#include "app/prompts_dialog.h"

#include <QMessageBox>
#include <QThread>

DialogPrompts::DialogPrompts(QObject* parent)
    : QObject(parent)
{
}

void DialogPrompts::showMessage(const QString& caption, const QString& text, int flags)
{
    onGuiThread(caption, text, flags);
}

bool DialogPrompts::askYesNo(const QString& caption, const QString& text, int flags)
{
    return onGuiThread(caption, text, flags | 0x04);
}

bool DialogPrompts::onGuiThread(const QString& caption, const QString& text, int flags)
{
    if (QThread::currentThread() == thread())
        return runBox(caption, text, flags);
    bool yes = false;
    QMetaObject::invokeMethod(
        this, [&] { yes = runBox(caption, text, flags); }, Qt::BlockingQueuedConnection);
    return yes;
}

bool DialogPrompts::runBox(const QString& caption, const QString& text, int flags)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (flags & 0xF0) {
    case 0x10: icon = QMessageBox::Critical; break;
    case 0x20: icon = QMessageBox::Question; break;
    case 0x30: icon = QMessageBox::Warning; break;
    case 0x40: icon = QMessageBox::Information; break;
    default: break;
    }
    const bool question = (flags & 0x0F) == 0x04;
    QWidget* parent = window_ && window_->isVisible() ? window_.data() : nullptr;
    QMessageBox box(icon, caption, text, question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    parent);
    if (question)
        box.setDefaultButton(QMessageBox::Yes);
    const int answer = box.exec();
    return question && answer == QMessageBox::Yes;
}
