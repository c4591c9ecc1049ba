#include "Archive/SevenZip/OutwardLinkSweeper.h"

#include "Archive/Extraction/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
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

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The entries of an open folder with their types, read before any is removed.
std::vector<std::pair<QByteArray, unsigned char>> readEntries(int folder)
{
    std::vector<std::pair<QByteArray, unsigned char>> entries;
    const int copy = fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR* stream = copy >= 0 ? fdopendir(copy) : nullptr;
    if (!stream) {
        if (copy >= 0)
            ::close(copy);
        return entries;
    }
    while (const dirent* entry = readdir(stream)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        // Some file systems leave the type to a stat.
        struct stat status = {};
        if (type == DT_UNKNOWN && fstatat(folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0)
            type = S_ISLNK(status.st_mode) ? DT_LNK : S_ISDIR(status.st_mode) ? DT_DIR : DT_REG;
        entries.emplace_back(name, type);
    }
    closedir(stream);
    return entries;
}

// Only links are looked at closely; the walk itself is readdir's types and
// never follows a link.
bool sweepFolder(int folder, const QString& path, const QString& canonicalRoot)
{
    bool clean = true;
    for (const auto& [name, type] : readEntries(folder)) {
        const QString childPath = path + u'/' + QFile::decodeName(name);
        if (type == DT_LNK) {
            if (OutwardLinkSweeper::leadsOutside(childPath, canonicalRoot)) {
                clean = false;
                unlinkat(folder, name.constData(), 0);
            }
        } else if (type == DT_DIR) {
            const FileDescriptor child(openat(folder, name.constData(), kFolderFlags));
            if (child.isValid())
                clean = sweepFolder(child.get(), childPath, canonicalRoot) && clean;
        }
    }
    return clean;
}

} // namespace

bool OutwardLinkSweeper::sweep(const QString& root)
{
    const QString canonicalRoot = canonical(root);
    if (canonicalRoot.isEmpty())
        return true;
    const FileDescriptor folder(::open(QFile::encodeName(canonicalRoot).constData(), kFolderFlags));
    return !folder.isValid() || sweepFolder(folder.get(), canonicalRoot, canonicalRoot);
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
