#pragma once

#include "Alerts/ProgressAlert.h"

// The sheet over a running compress job.
class CompressProgressAlert : public ProgressAlert
{
    Q_OBJECT

public:
    static QPointer<CompressProgressAlert> create(const QString& message);

private:
    explicit CompressProgressAlert(const QString& message);
};
