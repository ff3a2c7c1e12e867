#include "forms/artwork_widget.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <algorithm>
#include <memory>

namespace {
// One parsed renderer per picture, shared by every widget that shows it (GUI thread only).
QSvgRenderer* RendererFor(const QString& resource)
{
    static QHash<QString, std::shared_ptr<QSvgRenderer>> cache;
    auto it = cache.find(resource);
    if (it == cache.end())
        it = cache.insert(resource, std::make_shared<QSvgRenderer>(resource));
    return it.value()->isValid() ? it.value().get() : nullptr;
}
}

ArtworkWidget::ArtworkWidget(QWidget* parent)
    : QWidget(parent)
{
}

void ArtworkWidget::setArtwork(const QString& resource)
{
    artwork_ = resource;
    update();
}

void ArtworkWidget::paintEvent(QPaintEvent*)
{
    if (artwork_.isEmpty())
        return;
    // Rendered once per picture, size and pixel ratio: the day wheel repaints the window on every
    // 20 ms tick, and drawing the SVGs anew each time costs more than the tick may take.
    const qreal ratio = devicePixelRatioF();
    const QString key = QStringLiteral("artwork:%1:%2x%3@%4").arg(artwork_).arg(width()).arg(height()).arg(ratio);
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        QSvgRenderer* renderer = RendererFor(artwork_);
        if (!renderer)
            return;
        picture = QPixmap(size() * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter onPicture(&picture);
        renderer->render(&onPicture, QRectF(rect()));
        onPicture.end();
        QPixmapCache::insert(key, picture);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture);
}

void InitFormResources()
{
    Q_INIT_RESOURCE(forms);
    // Room for the pictures of all three windows at a pixel ratio of 2 (the main background alone
    // is 11 MB there), more than the cache's default of 10 MB.
    QPixmapCache::setCacheLimit(std::max(QPixmapCache::cacheLimit(), 48 * 1024));
}
