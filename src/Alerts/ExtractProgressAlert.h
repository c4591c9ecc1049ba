#pragma once

#include "Alerts/ProgressAlert.h"

// The sheet over a running extract job.
class ExtractProgressAlert : public ProgressAlert
{
    Q_OBJECT

public:
    static QPointer<ExtractProgressAlert> create(const QString& message);

private:
    explicit ExtractProgressAlert(const QString& message);
};
