#pragma once

#include "Model/FileListItemInfo.h"

#include <QJsonObject>
#include <QList>

// The working list: row N of the list view shows element N, newest additions first.
struct FileListInfo
{
    QList<FileListItemInfo> list;

    // An empty list, filled from "list" when that is an array of objects only.
    static FileListInfo fromJson(const QJsonObject& json);
    QJsonObject toJson() const;

    bool operator==(const FileListInfo&) const = default;
};
