#pragma once

#include "Archive/ArchiveErrorType.h"

#include <QString>
#include <QStringList>

// The argument checks every archiver runs before it decides any path. Each
// returns the first failure in a fixed order, or `none` when the job may go on.
class ArchiveJobChecks
{
public:
    ArchiveJobChecks() = delete;

    // targetPathNone, originPathNone, then targetPathError when the target is
    // one of the inputs or lies inside one (compared as texts, not normalised).
    static ArchiveErrorType checkCompressArguments(const QString& targetPath, const QStringList& files);
    // targetPathNone, then originPathNone.
    static ArchiveErrorType checkDecompressArguments(const QString& targetPath, const QString& archivePath);
};
