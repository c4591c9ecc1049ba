#include "Archive/SevenZip/OutwardLinkSweeper.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FreeDeleter
{
    void operator()(char* text) const { std::free(text); }
};

QString canonical(const QString& path)
{
    const std::unique_ptr<char, FreeDeleter> resolved(realpath(QFile::encodeName(path).constData(), nullptr));
    return resolved ? QFile::decodeName(resolved.get()) : QString();
}

// The longest leading part of `path` that exists, resolved by the kernel,
// with the rest appended literally and then cleaned. Cleaning the rest can
// only climb from the resolved part, never through a link.
QString resolveExisting(const QString& path)
{
    const QStringList components = path.split(u'/');
    for (qsizetype count = components.size(); count > 0; --count) {
        const QString head = components.first(count).join(u'/');
        const QString resolved = canonical(head.isEmpty() ? QStringLiteral("/") : head);
        if (!resolved.isEmpty())
            return QDir::cleanPath(resolved + u'/' + components.sliced(count).join(u'/'));
    }
    return {};
}

} // namespace

bool OutwardLinkSweeper::sweep(const QString& root)
{
    const QString canonicalRoot = canonical(root);
    if (canonicalRoot.isEmpty())
        return true;
    bool clean = true;
    QDirIterator it(canonicalRoot, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!QFileInfo(path).isSymLink() || !leadsOutside(path, canonicalRoot))
            continue;
        clean = false;
        ::unlink(QFile::encodeName(path).constData());
    }
    return clean;
}

bool OutwardLinkSweeper::leadsOutside(const QString& linkPath, const QString& canonicalRoot)
{
    const QByteArray encodedPath = QFile::encodeName(linkPath);
    struct stat status = {};
    if (lstat(encodedPath.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
        return false;
    // Some file systems report links as size 0.
    QByteArray target(std::max<qsizetype>(qsizetype(status.st_size) + 1, PATH_MAX), Qt::Uninitialized);
    const ssize_t length = readlink(encodedPath.constData(), target.data(), size_t(target.size()));
    if (length <= 0 || length >= target.size())
        return true;
    target.truncate(length);
    const QString targetPath = QFile::decodeName(target);
    const QString folder = canonical(QFileInfo(linkPath).absolutePath());
    if (folder.isEmpty())
        return true;
    const QString resolved
        = resolveExisting(targetPath.startsWith(u'/') ? targetPath : folder + u'/' + targetPath);
    return resolved.isEmpty() || (resolved != canonicalRoot && !resolved.startsWith(canonicalRoot + u'/'));
}
