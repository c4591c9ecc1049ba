#pragma once

class QFileDialog;

// Sizes Qt's own file dialog so that what it commonly shows is not cut:
// the dialog itself, the places beside the folders, and the size, type and
// date columns of the detail view, measured again on every folder listed.
// A desktop's own dialog has none of these views and is left as it is.
class FileDialogLayout
{
public:
    FileDialogLayout() = delete;

    static void fitContents(QFileDialog* dialog);

private:
    static void widenPlaces(QFileDialog* dialog);
    static void fitDetailColumns(QFileDialog* dialog);
};
