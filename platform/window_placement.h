#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window of the given size goes to stand centred on area (a screen's available geometry,
// without panels and docks). The corner never lies left of or above area, so a window larger than
// the screen keeps its title bar on the screen, where it can be moved and closed.
QPoint CentredTopLeft(const QSize& window, const QRect& area);
