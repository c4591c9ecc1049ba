#include "Pages/Tips/BannerView.h"

#include "Controls/Image.h"

#include <QPainter>

BannerView::BannerView(QWidget* parent)
    : QWidget(parent)
{
}

void BannerView::setImageName(const QString& name)
{
    if (name == m_imageName)
        return;
    m_imageName = name;
    const QPixmap natural = image(name);
    m_naturalSize = natural.isNull() ? QSizeF() : natural.deviceIndependentSize();
    m_rendered = {};
    update();
}

QRectF BannerView::fittedRect(QSizeF size, const QRectF& bounds)
{
    if (size.isEmpty() || bounds.isEmpty())
        return {};
    const QSizeF fitted = size.scaled(bounds.size(), Qt::KeepAspectRatio);
    return { bounds.center() - QPointF(fitted.width(), fitted.height()) / 2, fitted };
}

void BannerView::paintEvent(QPaintEvent*)
{
    const QRectF target = fittedRect(m_naturalSize, rect());
    if (target.isEmpty())
        return;
    // Rendered again only when the size or the screen changes.
    const QSize pixelSize = target.size().toSize();
    if (m_rendered.deviceIndependentSize().toSize() != pixelSize
        || m_rendered.devicePixelRatio() != devicePixelRatioF())
        m_rendered = image(m_imageName, pixelSize, devicePixelRatioF());
    QPainter painter(this);
    painter.drawPixmap(target.topLeft(), m_rendered);
}
