#pragma once

#include <QString>
#include <QWidget>

// A picture of the forms' artwork, rendered from its SVG at the widget's size and device pixel ratio,
// so that it stays sharp at any ratio, and kept in the pixmap cache, so that a repaint only copies
// it. An empty artwork draws nothing (a click area of its own).
class ArtworkWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString artwork READ artwork WRITE setArtwork)
public:
    explicit ArtworkWidget(QWidget* parent = nullptr);

    QString artwork() const { return artwork_; }
    // A resource path such as ":/forms/day_panel.svg".
    void setArtwork(const QString& resource);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString artwork_;
};

// Registers the forms' compiled resources (artwork of every window); call once before building a window.
void InitFormResources();
