#pragma once

#include "Alerts/OpenPanel.h"

// Opens a file dialog window-modal on the window it is given: the desktop's
// folder or file chooser where it can do the job, and our own dialog where
// files and folders are chosen together. The dialog deletes itself once it
// has answered.
class FileDialogOpenPanel : public OpenPanel
{
public:
    void beginSheet(QWidget* window, const Options& options, Completion completion) override;
};
