#include "forms/click_binder.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

#include <utility>

namespace {

class ClickFilter : public QObject {
public:
    ClickFilter(QWidget* target, std::function<void()> action, bool onPress)
        : QObject(target)
        , action_(std::move(action))
        , onPress_(onPress)
    {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::MouseButtonPress) {
            pressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
            if (pressed_ && onPress_) {
                pressed_ = false;
                action_();
                return true;
            }
            return pressed_;
        }
        if (event->type() == QEvent::MouseButtonRelease && pressed_) {
            pressed_ = false;
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && w->rect().contains(mouse->position().toPoint()))
                action_();
            return true;
        }
        return false;
    }

private:
    std::function<void()> action_;
    bool onPress_;
    bool pressed_ = false;
};

} // namespace

void BindClick(QWidget* target, std::function<void()> action)
{
    new ClickFilter(target, std::move(action), false);
}

void BindPress(QWidget* target, std::function<void()> action)
{
    new ClickFilter(target, std::move(action), true);
}
