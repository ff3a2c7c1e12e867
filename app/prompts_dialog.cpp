#include "app/prompts_dialog.h"

#include <QMessageBox>
#include <QPushButton>

DialogPrompts::DialogPrompts(QObject* parent)
    : GuiThreadPrompts(parent)
{
}

bool DialogPrompts::answerOnGuiThread(const QString& caption, const QString& text, int flags,
                                      const QString& actionText)
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
    QPushButton* action = nullptr;
    if (!question && !actionText.isEmpty()) {
        action = box.addButton(actionText, QMessageBox::ActionRole);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (action)
        return box.clickedButton() == action;
    return question && answer == QMessageBox::Yes;
}
