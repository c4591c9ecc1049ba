#include "Controls/GlowImage.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// One box pass along a row or column: each sample becomes the mean of the
// 2 * radius + 1 samples around it (missing ones count as empty).
void boxPass(uchar* first, int count, qsizetype step, int radius, std::vector<int>& scratch)
{
    scratch.resize(count);
    for (int i = 0; i < count; ++i)
        scratch[i] = first[i * step];
    const int window = 2 * radius + 1;
    int sum = 0;
    for (int i = 0; i < std::min(radius, count); ++i)
        sum += scratch[i];
    for (int i = 0; i < count; ++i) {
        if (i + radius < count)
            sum += scratch[i + radius];
        if (i - radius - 1 >= 0)
            sum -= scratch[i - radius - 1];
        first[i * step] = static_cast<uchar>(sum / window);
    }
}

// Three box passes each way come close to a Gaussian blur.
void blurAlpha(QImage& alpha, int radius)
{
    std::vector<int> scratch;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < alpha.height(); ++y)
            boxPass(alpha.scanLine(y), alpha.width(), 1, radius, scratch);
        for (int x = 0; x < alpha.width(); ++x)
            boxPass(alpha.bits() + x, alpha.height(), alpha.bytesPerLine(), radius, scratch);
    }
}
} // namespace

QImage glowImage(const QImage& shape, double radius, const QColor& color)
{
    QImage alpha = shape.convertToFormat(QImage::Format_Alpha8);
    blurAlpha(alpha, std::max(1, static_cast<int>(std::lround(radius / 2.0))));

    QImage glow(shape.size(), QImage::Format_ARGB32_Premultiplied);
    glow.setDevicePixelRatio(shape.devicePixelRatio());
    glow.fill(color);
    QPainter painter(&glow);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    alpha.setDevicePixelRatio(shape.devicePixelRatio());
    painter.drawImage(QPointF(0, 0), alpha);
    return glow;
}
