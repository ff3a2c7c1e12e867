#include "forms/click_binder.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <utility>

namespace {

// The forms' amber of the share of target and the goal bar: it stands out on the blue bars, the dark
// panels and the light list alike.
const QColor AccentColor(0xff, 0xd1, 0x66);
constexpr int MarkMargin = 3;

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

// A rounded outline over the focused control; it never takes the pointer or the focus.
class FocusMark : public QWidget {
public:
    explicit FocusMark(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("FocusMark"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(AccentColor, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    }
};

// Everything the keyboard and the screen readers need of one control, a child of it.
class ControlBinding : public QObject {
public:
    explicit ControlBinding(QWidget* target)
        : QObject(target)
        , target_(target)
    {
        setObjectName(QStringLiteral("ControlBinding"));
        target->setFocusPolicy(Qt::TabFocus);
        target->installEventFilter(this);
    }

    std::function<void()> action;
    std::function<bool(int)> moreKeys;
    QAccessible::Role role = QAccessible::Button;
    std::function<bool()> on;

    void setArea(QWidget* area)
    {
        if (area_ && area_ != target_)
            area_->removeEventFilter(this);
        area_ = area;
        if (area_ && area_ != target_)
            area_->installEventFilter(this);
        delete mark_;
        placeMark();
    }

    QWidget* shownMark() const { return mark_ && !mark_->isHidden() ? mark_.data() : nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (watched != target_)
                break;
            byKeyboard_ = true;
            placeMark();
            return keyPressed(static_cast<QKeyEvent*>(event));
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            if (watched == target_)
                noteFocusReason(static_cast<QFocusEvent*>(event)->reason(), event->type() == QEvent::FocusIn);
            placeMark();
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            placeMark();
            break;
        default:
            break;
        }
        return false;
    }

private:
    // The mark shows only for a focus that the keyboard gave: a window that gets active hands the focus
    // to its first control, which must not show a mark to a mouse user.
    void noteFocusReason(Qt::FocusReason reason, bool in)
    {
        switch (reason) {
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ShortcutFocusReason:
            byKeyboard_ = in;
            break;
        case Qt::ActiveWindowFocusReason:
        case Qt::PopupFocusReason:
            break; // back to a window: as it was when the window was left
        default:
            byKeyboard_ = false;
            break;
        }
    }

    bool keyPressed(QKeyEvent* key)
    {
        const int k = key->key();
        if (moreKeys && moreKeys(k))
            return true;
        if (k != Qt::Key_Space && k != Qt::Key_Return && k != Qt::Key_Enter)
            return false;
        if (!key->isAutoRepeat() && action) {
            // A copy: the action may rebind the control.
            const std::function<void()> run = action;
            run();
        }
        return true;
    }

    void placeMark()
    {
        QWidget* area = area_ ? area_.data() : target_.data();
        if (!target_ || !area || !area->parentWidget())
            return;
        const bool shown = byKeyboard_ && target_->hasFocus() && target_->isVisible() && area->isVisible();
        if (!shown) {
            if (mark_)
                mark_->hide();
            return;
        }
        if (!mark_ || mark_->parentWidget() != area->parentWidget()) {
            delete mark_;
            mark_ = new FocusMark(area->parentWidget());
        }
        mark_->setGeometry(area->geometry().adjusted(-MarkMargin, -MarkMargin, MarkMargin, MarkMargin));
        mark_->show();
        mark_->raise();
    }

    QPointer<QWidget> target_;
    QPointer<QWidget> area_;
    QPointer<FocusMark> mark_;
    bool byKeyboard_ = false;
};

ControlBinding* FindBinding(const QObject* target)
{
    return target ? target->findChild<ControlBinding*>(QStringLiteral("ControlBinding"), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

// A bound control as the screen reader sees it: its role, its name, whether it is the chosen one, and
// a press action that is the control's own.
class BoundControlAccessible : public QAccessibleWidget {
public:
    BoundControlAccessible(QWidget* w, QAccessible::Role role)
        : QAccessibleWidget(w, role)
    {
        addControllingSignal(QStringLiteral("destroyed()"));
    }

    QAccessible::Role role() const override
    {
        const ControlBinding* b = FindBinding(object());
        return b ? b->role : QAccessibleWidget::role();
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            if (!name.isEmpty())
                return name;
            if (const auto* label = qobject_cast<const QLabel*>(widget()))
                return label->text();
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const ControlBinding* b = FindBinding(object());
        if (!b || !b->on)
            return s;
        const bool on = b->on();
        if (b->role == QAccessible::RadioButton || b->role == QAccessible::CheckBox) {
            s.checkable = true;
            s.checked = on;
        } else {
            s.selectable = true;
            s.selected = on;
        }
        return s;
    }

    QStringList actionNames() const override
    {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            ActivateBound(widget());
        else
            QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface* BoundControlFactory(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    const ControlBinding* b = FindBinding(object);
    return b ? new BoundControlAccessible(static_cast<QWidget*>(object), b->role) : nullptr;
}

ControlBinding* Binding(QWidget* target)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(BoundControlFactory);
        return true;
    }();
    (void)factoryInstalled;
    if (ControlBinding* b = FindBinding(target))
        return b;
    auto* b = new ControlBinding(target);
    // A label that was given its text before it was bound has a plain label's interface already.
    QAccessibleInterface* old = QAccessible::queryAccessibleInterface(target);
    if (old && !dynamic_cast<BoundControlAccessible*>(old))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
    return b;
}

} // namespace

void BindClick(QWidget* target, std::function<void()> action)
{
    BindKeys(target, action);
    new ClickFilter(target, std::move(action), false);
}

void BindPress(QWidget* target, std::function<void()> action)
{
    BindKeys(target, action);
    new ClickFilter(target, std::move(action), true);
}

void BindKeys(QWidget* target, std::function<void()> action)
{
    Binding(target)->action = std::move(action);
}

void BindMoreKeys(QWidget* target, std::function<bool(int key)> keys)
{
    Binding(target)->moreKeys = std::move(keys);
}

void SetFocusMarkArea(QWidget* target, QWidget* area)
{
    Binding(target)->setArea(area);
}

void SetControlRole(QWidget* target, QAccessible::Role role, std::function<bool()> on)
{
    ControlBinding* b = Binding(target);
    b->role = role;
    b->on = std::move(on);
}

void NotifyControlState(QWidget* target)
{
    if (!target)
        return;
    // Without a listener this only finds the control's cached interface; the platform drops the event.
    QAccessible::State changed;
    changed.checked = true;
    changed.selected = true;
    QAccessibleStateChangeEvent event(target, changed);
    QAccessible::updateAccessibility(&event);
}

bool ActivateBound(QWidget* target)
{
    const ControlBinding* b = FindBinding(target);
    if (!b || !b->action)
        return false;
    // A copy: the action may rebind the control.
    const std::function<void()> action = b->action;
    action();
    return true;
}

QWidget* FocusMarkOf(const QWidget* target)
{
    const ControlBinding* b = FindBinding(target);
    return b ? b->shownMark() : nullptr;
}
