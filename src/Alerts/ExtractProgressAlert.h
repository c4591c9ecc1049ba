#pragma once

#include "Alerts/CommonAlert.h"

class ProgressIndicator;

// The sheet over a running extract job: a progress bar and a Cancel button.
// The owner feeds indicator() and takes the sheet down with endSheet().
class ExtractProgressAlert : public CommonAlert
{
    Q_OBJECT

public:
    static QPointer<ExtractProgressAlert> create(const QString& message);

    ProgressIndicator* indicator();

protected:
    void setupButtons() override;

private:
    explicit ExtractProgressAlert(const QString& message);

    ProgressIndicator* m_indicator = nullptr;
};
