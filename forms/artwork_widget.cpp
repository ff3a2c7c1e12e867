#include "forms/artwork_widget.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

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
    if (QSvgRenderer* renderer = RendererFor(artwork_)) {
        QPainter painter(this);
        renderer->render(&painter, QRectF(rect()));
    }
}

void InitFormResources()
{
    Q_INIT_RESOURCE(forms);
}
