#pragma once

#include <QPixmap>
#include <QString>

// The picture named `name` from the embedded images, rendered at its own size
// for the primary screen's pixel ratio; a null pixmap when there is none.
QPixmap image(const QString& name);
