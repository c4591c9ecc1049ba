#pragma once

#include <QProgressBar>

// A determinate bar for a job's progress fraction. The fraction is mapped onto
// fine integer steps so that the bar moves smoothly.
class ProgressIndicator : public QProgressBar
{
    Q_OBJECT

public:
    static constexpr int steps = 1000;

    explicit ProgressIndicator(QWidget* parent = nullptr);

    // Shows `value` in [0.0, 1.0]; values outside are held at the nearest end
    // and a value that is not a number is ignored.
    void setDoubleValue(double value);
};
