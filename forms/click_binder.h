#pragma once

#include <functional>

class QWidget;

// Runs an action on a left click (press and release on the same control), for labels and pictures that
// have no click signal of their own. The binding lives as long as the control.
void BindClick(QWidget* target, std::function<void()> action);

// Runs an action as soon as the left button goes down on the control.
void BindPress(QWidget* target, std::function<void()> action);
