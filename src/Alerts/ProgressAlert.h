#pragma once

#include "Alerts/CommonAlert.h"

class ProgressIndicator;

// The sheet over a running job: the job's icon, a progress bar and a Cancel
// button. The owner feeds indicator() and takes the sheet down with
// endSheet(). CompressProgressAlert and ExtractProgressAlert differ only in
// their icon.
class ProgressAlert : public CommonAlert
{
    Q_OBJECT

public:
    ProgressIndicator* indicator();

protected:
    ProgressAlert(const QString& message, const QString& iconName);
    void setupButtons() override;

private:
    ProgressIndicator* m_indicator = nullptr;
};
