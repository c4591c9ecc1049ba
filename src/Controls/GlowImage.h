#pragma once

#include <QColor>
#include <QImage>

// A soft halo around whatever `shape` covers: its coverage blurred by about
// `radius` device pixels and filled with `color`. Same size as `shape`.
QImage glowImage(const QImage& shape, double radius, const QColor& color);
