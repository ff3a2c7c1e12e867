#pragma once

#include <QAccessible>

#include <functional>

class QWidget;

// Runs an action on a left click (press and release on the same control), for labels and pictures that
// have no click signal of their own. The binding lives as long as the control. The control also takes
// the keyboard (BindKeys) with the same action, so a click and a key stay one path.
void BindClick(QWidget* target, std::function<void()> action);

// Runs an action as soon as the left button goes down on the control; keys as BindClick.
void BindPress(QWidget* target, std::function<void()> action);

// Keyboard reach alone, for a control whose clicks its window takes itself: the control takes focus by
// Tab (never by a click, so a mouse user sees no change), Space, Enter and Return run action, and while
// it has the focus a mark in the program's accent colour rounds it. action may be empty: the control
// then only takes the focus and shows the mark.
void BindKeys(QWidget* target, std::function<void()> action);

// Other keys of a bound control (arrows, Home, End; Enter too, where it means more than a click),
// offered before Space and Enter; keys returns true when it took the key.
void BindMoreKeys(QWidget* target, std::function<bool(int key)> keys);

// The focus mark rounds area (a sibling of target or a widget above it) instead of target itself: a
// list row marks its whole row.
void SetFocusMarkArea(QWidget* target, QWidget* area);

// What a screen reader is told of a bound control: its role and, for a page tab, radio button or list
// item, whether it is now the chosen one (on). The name is the control's accessibleName, else the
// text it shows.
void SetControlRole(QWidget* target, QAccessible::Role role, std::function<bool()> on = {});

// Tells screen readers that whether target is the chosen one may have changed.
void NotifyControlState(QWidget* target);

// Runs the action bound to target, as Space does; false when nothing is bound.
bool ActivateBound(QWidget* target);

// The focus mark shown for target now (null while target has no keyboard focus).
QWidget* FocusMarkOf(const QWidget* target);
