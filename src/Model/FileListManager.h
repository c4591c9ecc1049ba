#pragma once

#include "Model/FileListInfo.h"

#include <QString>

// Owner of the working list for the whole process. Main thread only; the list
// lives in memory and is never saved.
class FileListManager
{
public:
    // Created on first use, never released.
    static FileListManager& shared();

    // The name under which the list would be stored; nothing uses it.
    const QString kUserDefaultSaveKey;
    FileListInfo listInfo;

private:
    FileListManager();
    FileListManager(const FileListManager&) = delete;
    FileListManager& operator=(const FileListManager&) = delete;
};
