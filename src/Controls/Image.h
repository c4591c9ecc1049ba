#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// The picture named `name` from the embedded images, rendered at its own size
// for the primary screen's pixel ratio; a null pixmap when there is none.
QPixmap image(const QString& name);

// The same picture rendered for `size` logical pixels at `devicePixelRatio`,
// so it stays crisp wherever it is shown: draw it at `size` (or pass a
// widget's devicePixelRatioF()). Null when there is none.
QPixmap image(const QString& name, QSize size, qreal devicePixelRatio);
