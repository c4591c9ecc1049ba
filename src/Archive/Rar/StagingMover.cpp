#include "Archive/Rar/StagingMover.h"

#include "Archive/Extraction/EntryPathSanitizer.h"
#include "Archive/Extraction/FileDescriptor.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The names in an open folder, sorted, read before anything is moved out.
bool listFolder(int folder, std::vector<QByteArray>& names)
{
    const int copy = fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR* stream = copy >= 0 ? fdopendir(copy) : nullptr;
    if (!stream) {
        if (copy >= 0)
            close(copy);
        return false;
    }
    errno = 0;
    while (const dirent* entry = readdir(stream)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    const int readError = errno;
    closedir(stream);
    std::sort(names.begin(), names.end());
    errno = readError;
    return readError == 0;
}

bool isStillAt(int folder, const QString& path)
{
    struct stat opened = {};
    struct stat named = {};
    return fstat(folder, &opened) == 0 && lstat(QFile::encodeName(path).constData(), &named) == 0
        && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

QByteArray canonicalPath(const QString& path)
{
    char resolved[PATH_MAX];
    return realpath(QFile::encodeName(path).constData(), resolved) ? QByteArray(resolved) : QByteArray();
}

} // namespace

bool StagingMover::move(const QString& staging, const QString& destination, bool stagedSafely)
{
    if (!m_tree.open(destination))
        return fail(m_tree.error());
    const FileDescriptor root(::open(QFile::encodeName(staging).constData(), kFolderFlags));
    if (!root.isValid())
        return fail(errno);
    const FileDescriptor target(::open(QFile::encodeName(destination).constData(), kFolderFlags));
    if (!target.isValid())
        return fail(errno);
    if (stagedSafely)
        moveWhole(root.get(), target.get());
    if (!moveFolder(root.get(), QString()))
        return false;
    if (!m_tree.finish())
        return fail(m_tree.error());
    // Moved away meanwhile, the output is not where the job says it is.
    if (!isStillAt(target.get(), destination))
        return fail(ENOENT);
    return removeOutwardLinks(destination);
}

// Only into an empty destination: nothing there can lead a moved link
// elsewhere. Whatever does not move whole (a folder without write
// permission cannot change parent) is left for the entry-by-entry move.
void StagingMover::moveWhole(int folder, int destination)
{
    std::vector<QByteArray> present;
    std::vector<QByteArray> names;
    if (!listFolder(destination, present) || !present.empty() || !listFolder(folder, names))
        return;
    for (const QByteArray& name : names)
        renameat2(folder, name.constData(), destination, name.constData(), RENAME_NOREPLACE);
}

bool StagingMover::moveFolder(int folder, const QString& prefix)
{
    std::vector<QByteArray> names;
    if (!listFolder(folder, names))
        return fail(errno);
    for (const QByteArray& name : names) {
        const QString decoded = QFile::decodeName(name);
        if (!moveEntry(folder, name, prefix.isEmpty() ? decoded : prefix + u'/' + decoded))
            return false;
    }
    return true;
}

bool StagingMover::moveEntry(int folder, const QByteArray& name, const QString& path)
{
    struct stat status = {};
    if (fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return fail(errno);
    if (S_ISDIR(status.st_mode))
        return moveSubfolder(folder, name, path, status);
    if (S_ISLNK(status.st_mode))
        return recreateLink(folder, name, path, status);
    if (!S_ISREG(status.st_mode))
        return true;
    // Engines copy permissions from the archive: never setuid, setgid or sticky.
    if ((status.st_mode & 07000) != 0 && fchmodat(folder, name.constData(), status.st_mode & 0777, 0) != 0)
        return fail(errno);
    const ExtractionTree::Outcome outcome = m_tree.moveFile(path, folder, name);
    return outcome != ExtractionTree::Outcome::failed || fail(m_tree.error());
}

bool StagingMover::moveSubfolder(int folder, const QByteArray& name, const QString& path,
                                 const struct stat& status)
{
    const ExtractionTree::Outcome outcome = m_tree.makeDirectory(path, status.st_mode, status.st_mtim);
    if (outcome == ExtractionTree::Outcome::failed)
        return fail(m_tree.error());
    // The place is taken by something that is no folder: the subtree stays behind.
    if (outcome == ExtractionTree::Outcome::skipped)
        return true;
    // Engines copy folder permissions from the archive; the staging copy must
    // be readable to be emptied.
    if ((status.st_mode & S_IRWXU) != S_IRWXU
        && fchmodat(folder, name.constData(), (status.st_mode & 07777) | S_IRWXU, 0) != 0)
        return fail(errno);
    const FileDescriptor child(openat(folder, name.constData(), kFolderFlags));
    if (!child.isValid())
        return fail(errno);
    return moveFolder(child.get(), path);
}

bool StagingMover::recreateLink(int folder, const QByteArray& name, const QString& path,
                                const struct stat& status)
{
    QByteArray target(qsizetype(status.st_size) + 1, '\0');
    const ssize_t length = readlinkat(folder, name.constData(), target.data(), size_t(target.size()));
    if (length < 0)
        return fail(errno);
    target.truncate(length);
    const QString decoded = QFile::decodeName(target);
    if (!EntryPathSanitizer::isLinkTargetInside(path, decoded))
        return true;
    const ExtractionTree::Outcome outcome = m_tree.makeSymlink(path, decoded, status.st_mtim);
    if (outcome == ExtractionTree::Outcome::failed)
        return fail(m_tree.error());
    if (outcome == ExtractionTree::Outcome::created)
        m_links.append(path);
    return true;
}

bool StagingMover::removeOutwardLinks(const QString& destination)
{
    // Each link points inside on its own, but a folder that was there before
    // could still lead elsewhere: what a link resolves to decides.
    const QByteArray root = canonicalPath(destination);
    if (root.isEmpty())
        return fail(errno);
    for (const QString& link : std::as_const(m_links)) {
        const QString full = destination + u'/' + link;
        const QByteArray resolved = canonicalPath(full);
        if (resolved.isEmpty() || resolved == root || resolved.startsWith(QByteArray(root + '/')))
            continue;
        if (unlink(QFile::encodeName(full).constData()) != 0)
            return fail(errno);
    }
    return true;
}

bool StagingMover::fail(int error)
{
    m_error = error;
    return false;
}
