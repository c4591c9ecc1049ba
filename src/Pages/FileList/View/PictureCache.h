#pragma once

#include <QHash>
#include <QPixmap>
#include <QSize>
#include <QString>

// Pictures rendered once for each name, size and pixel ratio they are shown
// at, so repainting many rows never renders an SVG again.
class PictureCache
{
public:
    // image(name, size, devicePixelRatio), from the cache after the first call.
    QPixmap picture(const QString& name, QSize size, qreal devicePixelRatio);
    int size() const { return int(m_pictures.size()); }

private:
    struct Key
    {
        QString name;
        QSize size;
        qreal ratio;
        bool operator==(const Key&) const = default;
        friend size_t qHash(const Key& key, size_t seed = 0)
        {
            return qHashMulti(seed, key.name, key.size.width(), key.size.height(), key.ratio);
        }
    };
    QHash<Key, QPixmap> m_pictures;
};
