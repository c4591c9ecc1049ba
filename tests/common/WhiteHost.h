#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

#include <cstdlib>
#include <memory>

// A plain white window for tests that read back the pixels a control paints.
namespace WhiteHost {

// A window of `size` painted white, not shown yet.
inline std::unique_ptr<QWidget> make(const QSize& size)
{
    auto host = std::make_unique<QWidget>();
    host->setAutoFillBackground(true);
    QPalette palette = host->palette();
    palette.setColor(QPalette::Window, Qt::white);
    host->setPalette(palette);
    host->resize(size);
    return host;
}

// Each channel within `tolerance`: antialiasing and blending move a pixel a little.
inline bool near(const QColor& actual, const QColor& expected, int tolerance = 3)
{
    return std::abs(actual.red() - expected.red()) <= tolerance
        && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

} // namespace WhiteHost
