#include "Alerts/ProgressIndicator.h"

#include <algorithm>
#include <cmath>

ProgressIndicator::ProgressIndicator(QWidget* parent)
    : QProgressBar(parent)
{
    setOrientation(Qt::Horizontal);
    setRange(0, steps);
    setValue(0);
    setTextVisible(false);
    setFixedSize(300, 10);
}

void ProgressIndicator::setDoubleValue(double value)
{
    if (std::isnan(value))
        return;
    setValue(static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * steps)));
}
