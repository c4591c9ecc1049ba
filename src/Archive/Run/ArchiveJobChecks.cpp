#include "Archive/Run/ArchiveJobChecks.h"

#include <algorithm>

namespace {

// Trailing slashes are the one spelling difference ignored: a folder dropped
// as "/a/b/" must still be caught when the target is "/a/b/c".
QStringView withoutTrailingSlashes(const QString& path)
{
    QStringView view(path);
    while (view.size() > 1 && view.endsWith(u'/'))
        view.chop(1);
    return view;
}

bool liesInside(QStringView targetPath, QStringView input)
{
    if (targetPath == input)
        return true;
    // The root input "/" contains every absolute path.
    const QStringView prefix = input == u"/" ? QStringView() : input;
    return targetPath.startsWith(prefix) && targetPath.mid(prefix.size()).startsWith(u'/');
}

} // namespace

ArchiveErrorType ArchiveJobChecks::checkCompressArguments(const QString& targetPath, const QStringList& files)
{
    if (targetPath.isEmpty())
        return ArchiveErrorType::targetPathNone;
    if (files.isEmpty())
        return ArchiveErrorType::originPathNone;
    const QStringView target = withoutTrailingSlashes(targetPath);
    const bool insideInput = std::any_of(files.cbegin(), files.cend(), [&](const QString& input) {
        return liesInside(target, withoutTrailingSlashes(input));
    });
    return insideInput ? ArchiveErrorType::targetPathError : ArchiveErrorType::none;
}

ArchiveErrorType ArchiveJobChecks::checkDecompressArguments(const QString& targetPath,
                                                            const QString& archivePath)
{
    if (targetPath.isEmpty())
        return ArchiveErrorType::targetPathNone;
    if (archivePath.isEmpty())
        return ArchiveErrorType::originPathNone;
    return ArchiveErrorType::none;
}
