#include "Pages/FileList/View/PictureCache.h"

#include "Controls/Image.h"

QPixmap PictureCache::picture(const QString& name, QSize size, qreal devicePixelRatio)
{
    const Key key { name, size, devicePixelRatio };
    auto found = m_pictures.constFind(key);
    if (found != m_pictures.constEnd())
        return *found;
    const QPixmap rendered = image(name, size, devicePixelRatio);
    m_pictures.insert(key, rendered);
    return rendered;
}
