#include "App/Image.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

QPixmap image(const QString& name)
{
    const QString path = QStringLiteral(":/images/") + name + QStringLiteral(".svg");
    // A missing picture is an ordinary outcome; checking first keeps the
    // renderer from printing a warning for it.
    if (!QFile::exists(path))
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};

    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    const QSize size = renderer.defaultSize();
    if (size.isEmpty())
        return {};
    QImage picture(size * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    renderer.render(&painter);
    painter.end();
    picture.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(picture);
}
