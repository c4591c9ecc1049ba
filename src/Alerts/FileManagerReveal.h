#pragma once

#include <QString>

// Shows a new folder or archive to the user in their file manager, selected
// in its folder (org.freedesktop.FileManager1.ShowItems), or opens the folder
// that holds it with the default handler where no file manager answers.
// Returns at once; nothing waits for the file manager.
class FileManagerReveal
{
public:
    FileManagerReveal() = delete;

    static void reveal(const QString& path);
};
