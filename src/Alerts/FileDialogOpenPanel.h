#pragma once

#include "Alerts/OpenPanel.h"

// Opens a QFileDialog window-modal on the window it is given.
class FileDialogOpenPanel : public OpenPanel
{
public:
    void beginSheet(QWidget* window, const Options& options, Completion completion) override;
};
