#include "today/day_panel_widget.h"

#include <QMouseEvent>

DayPanelWidget::DayPanelWidget(QWidget* parent)
    : QWidget(parent)
{
}

void DayPanelWidget::mousePressEvent(QMouseEvent* event)
{
    event->setAccepted(event->button() == Qt::LeftButton);
}

void DayPanelWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
