#pragma once

#include <QString>
#include <QStringList>

// The invariants the fuzz targets assert, each as a text: empty when it
// holds, otherwise what is wrong. Kept apart from the targets so that a test
// can show each check failing on a planted fault.
class FuzzChecks
{
public:
    FuzzChecks() = delete;

    // A sanitised entry path: relative, without empty, "." or ".." components
    // and without "\", which also counts as a separator.
    static QString sanitizedPathProblem(const QString& path);

    // A link stored at `linkPath` (relative to the extraction folder) that
    // points at `target` must end up inside that folder, read lexically.
    static QString linkTargetProblem(const QString& linkPath, const QString& target);

    // `folder` holds exactly the names in `expected`, hidden ones included.
    static QString strayEntriesProblem(const QString& folder, const QStringList& expected);

    // Below `destination` there are only files, folders and links, and every
    // link, followed through any further links, leads inside `destination`.
    static QString outwardLinkProblem(const QString& destination);

    // Where `path` leads once every link on the way is followed; empty for a
    // loop of links.
    static QString resolve(const QString& path);
};
