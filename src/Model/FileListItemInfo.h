#pragma once

#include "Model/FileCategory.h"

#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <optional>

// One entry of the working list.
struct FileListItemInfo
{
    // Lowercase hexadecimal MD5 of the path's UTF-8 bytes; empty in a blank entry.
    QString fileId;
    // The full path, as shown in the row; empty in a blank entry.
    QString fileName;
    // The file or folder; absent in a blank entry.
    std::optional<QUrl> fileURL;

    // The entry for a local file URL: its path names and identifies it.
    static FileListItemInfo fromURL(const QUrl& url);
    // The identity of the entry for `path`: exact bytes, so paths that differ
    // only in letter case are different entries.
    static QString fileIdForPath(const QString& path);

    // A blank entry with every field whose key holds a value of the right form.
    static FileListItemInfo fromJson(const QJsonObject& json);
    QJsonObject toJson() const;

    // unknown without a URL, otherwise judged by the path's extension.
    FileCategory fileCategory() const;

    bool operator==(const FileListItemInfo&) const = default;
};
