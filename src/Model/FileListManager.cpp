#include "Model/FileListManager.h"

FileListManager& FileListManager::shared()
{
    static FileListManager* const instance = new FileListManager;
    return *instance;
}

FileListManager::FileListManager()
    : kUserDefaultSaveKey(QStringLiteral("kUserDefaultSaveKey_File_List"))
{
}
