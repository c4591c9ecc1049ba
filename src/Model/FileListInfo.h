#pragma once

#include "Model/FileListItemInfo.h"

#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QUrl>

// The working list: row N of the list view shows element N, newest additions first.
struct FileListInfo
{
    QList<FileListItemInfo> list;

    // An empty list, filled from "list" when that is an array of objects only.
    static FileListInfo fromJson(const QJsonObject& json);
    QJsonObject toJson() const;

    // Puts an entry for each of `urls` at the top, in the order given. A path
    // already listed is neither added again nor moved; a path given twice is
    // placed once, where it occurs last. Linear in the list and the URLs.
    void addURLs(const QList<QUrl>& urls);

    // Removes the entries at `rows`; the others keep their order. Positions
    // outside the list are passed over.
    void removeRows(const QSet<qsizetype>& rows);

    bool operator==(const FileListInfo&) const = default;
};
