#include "Controls/Image.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

namespace {
QString imagePath(const QString& name)
{
    return QStringLiteral(":/images/") + name + QStringLiteral(".svg");
}

QPixmap render(QSvgRenderer& renderer, QSize size, qreal ratio)
{
    if (size.isEmpty() || ratio <= 0)
        return {};
    QImage picture(size * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    renderer.render(&painter);
    painter.end();
    picture.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(picture);
}
} // namespace

QPixmap image(const QString& name)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    // A missing picture is an ordinary outcome; checking first keeps the
    // renderer from printing a warning for it.
    if (!QFile::exists(imagePath(name)))
        return {};
    QSvgRenderer renderer(imagePath(name));
    return renderer.isValid() ? render(renderer, renderer.defaultSize(), ratio) : QPixmap();
}

QPixmap image(const QString& name, QSize size, qreal devicePixelRatio)
{
    if (!QFile::exists(imagePath(name)))
        return {};
    QSvgRenderer renderer(imagePath(name));
    return renderer.isValid() ? render(renderer, size, devicePixelRatio) : QPixmap();
}
