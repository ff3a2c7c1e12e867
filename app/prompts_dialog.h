#pragma once

#include "platform/gui_thread_prompts.h"

#include <QPointer>
#include <QWidget>

// Prompts shown as QMessageBox: the icon from the flags' high nibble (0x10 stop, 0x20 question,
// 0x30 warning, 0x40 information), Yes/No for a low nibble of 4, otherwise OK (and the action's
// button after it, OK staying the default for Enter and Escape). Create it on the GUI
// thread; a call from another thread is carried out on the GUI thread while the caller waits.
class DialogPrompts : public GuiThreadPrompts {
    Q_OBJECT
public:
    explicit DialogPrompts(QObject* parent = nullptr);

    // Boxes are centred on this window while it is set and visible.
    void setParentWindow(QWidget* window) { window_ = window; }

protected:
    bool answerOnGuiThread(const QString& caption, const QString& text, int flags,
                           const QString& actionText) override;

private:
    QPointer<QWidget> window_;
};
