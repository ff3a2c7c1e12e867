#include "forms/artwork_widget.h"

#include <QHash>
#include <QImage>
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

bool FullyOpaque(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return false;
        }
    }
    return true;
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
        QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        QPainter onImage(&image);
        renderer->render(&onImage, QRectF(rect()));
        onImage.end();
        // A picture that covers its whole rectangle is kept without alpha, so that drawing it is a
        // copy instead of a blend: the window's background is repainted under the day wheel on every tick.
        if (FullyOpaque(image))
            image = std::move(image).convertToFormat(QImage::Format_RGB32);
        picture = QPixmap::fromImage(std::move(image));
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
