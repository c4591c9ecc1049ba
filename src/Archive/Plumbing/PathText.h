#pragma once

#include <QString>

// Path operations on texts alone: nothing here touches the file system, and
// nothing is normalised beyond ignoring trailing slashes.
class PathText
{
public:
    PathText() = delete;

    // "/a/Report.zip" -> "Report.zip"; "/a/Photos/" -> "Photos"; "/" -> "".
    static QString lastPathComponent(const QString& path);
    // "/a/Report.zip" -> "/a"; "/Report.zip" -> "/"; "Report.zip" -> "".
    static QString deletingLastPathComponent(const QString& path);
    // The text after the last dot of the last component: "a.tar.gz" -> "gz".
    // A leading dot names a hidden file, not an extension (".bashrc" -> ""),
    // and a trailing dot leaves none ("notes." -> "").
    static QString pathExtension(const QString& path);
    // The last component without its extension: "/a/my.photos.zip" -> "my.photos".
    static QString baseName(const QString& path);
    // Joins with exactly one slash; an empty folder gives the name alone.
    static QString appendingPathComponent(const QString& folder, const QString& name);
};
