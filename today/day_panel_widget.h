#pragma once

#include <QWidget>

// One day of the wheel beside the TODAY panel: a picture and five labels told apart by their
// dynamic property "Tag" (0 steps, 1 month and year, 2 day of month, 3 step unit, 4 share of target).
// A click anywhere on it, its labels included, is reported by clicked().
class DayPanelWidget : public QWidget {
    Q_OBJECT
public:
    explicit DayPanelWidget(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
