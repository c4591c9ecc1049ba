#pragma once

#include <QString>

// Decides where an archive entry may land inside the extraction folder.
// Works on texts alone; nothing here touches the file system.
class EntryPathSanitizer
{
public:
    EntryPathSanitizer() = delete;

    // A relative path without "." or ".." components, or an empty text when
    // nothing is left of `name`. "\" counts as a separator (archives made on
    // Windows); a leading drive ("C:") and empty, "." and ".." components are
    // dropped: "/tmp/abs" -> "tmp/abs", "a/../../b" -> "a/b", "C:\x" -> "x".
    static QString sanitize(const QString& name);

    // True when a link stored at `linkPath` (already sanitised) pointing at
    // `target` stays inside the extraction folder whatever other links exist
    // there: the target is relative, climbs with ".." only at its start and
    // never above the folder, then only descends.
    static bool isLinkTargetInside(const QString& linkPath, const QString& target);
};
