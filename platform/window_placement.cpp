#include "platform/window_placement.h"

#include <algorithm>

QPoint CentredTopLeft(const QSize& window, const QRect& area)
{
    const int x = area.x() + (area.width() - window.width()) / 2;
    const int y = area.y() + (area.height() - window.height()) / 2;
    return {std::max(x, area.x()), std::max(y, area.y())};
}
