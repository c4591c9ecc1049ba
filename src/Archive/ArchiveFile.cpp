#include "Archive/ArchiveFile.h"

#include "Archive/Plumbing/PathText.h"
#include "Resources/LocalizedText.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The paths uniquePath tries for one path, in order: the path itself, then
// base name, a blank and a counter, with the extension kept.
class CandidatePaths
{
public:
    explicit CandidatePaths(const QString& path)
        : m_folder(PathText::deletingLastPathComponent(path))
        , m_name(PathText::lastPathComponent(path))
        , m_base(PathText::baseName(path))
        , m_extension(PathText::pathExtension(path))
    {
    }

    QString at(quint64 counter) const
    {
        if (counter == 0)
            return PathText::appendingPathComponent(m_folder, m_name);
        QString name = m_base + u' ' + QString::number(counter);
        if (!m_extension.isEmpty())
            name += u'.' + m_extension;
        return PathText::appendingPathComponent(m_folder, name);
    }

private:
    QString m_folder;
    QString m_name;
    QString m_base;
    QString m_extension;
};

enum class Claim
{
    taken,
    claimed,
    failed
};

// Walks the candidates of `path` until `claim` takes one or fails outright.
std::optional<QString> firstClaimed(const QString& path, const std::function<Claim(const QString&)>& claim)
{
    const CandidatePaths candidates(path);
    for (quint64 counter = 0;; ++counter) {
        const QString candidate = candidates.at(counter);
        switch (claim(candidate)) {
        case Claim::claimed:
            return candidate;
        case Claim::failed:
            return std::nullopt;
        case Claim::taken:
            break;
        }
    }
}

// lstat, so that a dangling link is seen as something that is there.
bool somethingAt(const QString& path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

// Maps the result of an exclusive create; call it before anything can touch errno.
Claim claimResult(int result)
{
    if (result == 0)
        return Claim::claimed;
    return errno == EEXIST ? Claim::taken : Claim::failed;
}

// Renames `from` to `to` unless something is there already.
Claim moveUnlessTaken(const QString& from, const QString& to)
{
    return claimResult(::renameat2(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD,
                                   QFile::encodeName(to).constData(), RENAME_NOREPLACE));
}

QString archiveName(const QStringList& files)
{
    if (files.size() == 1) {
        const QString base = PathText::baseName(files.first());
        if (!base.isEmpty())
            return base;
    }
    return localizedText("archive_default");
}

QString compressOutputCandidate(const QStringList& files, const QString& targetPath, ArchiveType type)
{
    return targetPath + u'/' + ArchiveFile::compressOutputName(files, type);
}

QString extractFolderCandidate(const QString& archivePath, const QString& targetPath)
{
    return targetPath + u'/' + PathText::baseName(archivePath);
}

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// One folder on the way down a tree being deleted: what it is, and the names
// in it still to delete. Only the deepest folder is held open, so any depth
// fits under the open-file limit.
struct FolderLevel
{
    std::string name;
    dev_t device;
    ino_t inode;
    std::vector<std::string> children;
};

bool sameFolder(int fd, const FolderLevel& level)
{
    struct stat status;
    return ::fstat(fd, &status) == 0 && status.st_dev == level.device && status.st_ino == level.inode;
}

std::vector<std::string> childrenOf(int fd)
{
    std::vector<std::string> children;
    const int listing = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!dir) {
        if (listing >= 0)
            ::close(listing);
        return children;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string child = entry->d_name;
        if (child != "." && child != "..")
            children.push_back(child);
    }
    ::closedir(dir);
    return children;
}

// Opens the folder `name` of `parentFd` for emptying: never through a link,
// and only when it is still the folder `status` describes.
int openFolder(int parentFd, const char* name, const struct stat& status, FolderLevel& level)
{
    // Extracted folders may carry read-only modes; they must still be emptied.
    if ((status.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmodat(parentFd, name, status.st_mode | S_IRWXU, AT_SYMLINK_NOFOLLOW);
    const int fd = ::openat(parentFd, name, kFolderFlags);
    level = { name, status.st_dev, status.st_ino, {} };
    if (fd >= 0 && !sameFolder(fd, level)) {
        ::close(fd);
        return -1;
    }
    if (fd >= 0)
        level.children = childrenOf(fd);
    return fd;
}

// Climbs from the emptied deepest folder to its parent, which must still be
// the folder it was entered from; -1 when the tree was moved meanwhile.
int climb(int fd, const FolderLevel& parent)
{
    const int up = ::openat(fd, "..", kFolderFlags);
    ::close(fd);
    if (up >= 0 && !sameFolder(up, parent)) {
        ::close(up);
        return -1;
    }
    return up;
}

// Depth first, one descriptor at a time. Nothing on another file system is
// entered, and a folder swapped for anything else meanwhile ends the walk.
void removeTree(const char* path, const struct stat& rootStatus)
{
    std::vector<FolderLevel> levels(1);
    int fd = openFolder(AT_FDCWD, path, rootStatus, levels.back());
    while (fd >= 0) {
        FolderLevel& level = levels.back();
        if (level.children.empty()) {
            if (levels.size() == 1)
                break;
            const std::string name = level.name;
            levels.pop_back();
            fd = climb(fd, levels.back());
            if (fd >= 0)
                ::unlinkat(fd, name.c_str(), AT_REMOVEDIR);
            continue;
        }
        const std::string child = std::move(level.children.back());
        level.children.pop_back();
        struct stat status;
        if (::fstatat(fd, child.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISDIR(status.st_mode)) {
            ::unlinkat(fd, child.c_str(), 0);
            continue;
        }
        if (status.st_dev != levels.front().device)
            continue;
        FolderLevel next;
        const int childFd = openFolder(fd, child.c_str(), status, next);
        if (childFd < 0)
            continue;
        ::close(fd);
        fd = childFd;
        levels.push_back(std::move(next));
    }
    if (fd < 0)
        return;
    ::close(fd);
    ::unlinkat(AT_FDCWD, path, AT_REMOVEDIR);
}

void removeEntry(const char* path)
{
    struct stat status;
    if (::lstat(path, &status) != 0)
        return;
    if (S_ISDIR(status.st_mode))
        removeTree(path, status);
    else
        ::unlink(path);
}

} // namespace

QString ArchiveFile::uniquePath(const QString& path)
{
    return *firstClaimed(path, [](const QString& candidate) {
        return somethingAt(candidate) ? Claim::taken : Claim::claimed;
    });
}

QString ArchiveFile::extractFolderPath(const QString& archivePath, const QString& targetPath)
{
    return uniquePath(extractFolderCandidate(archivePath, targetPath));
}

QString ArchiveFile::compressOutputName(const QStringList& files, ArchiveType type)
{
    return archiveName(files) + u'.' + type.rawValue();
}

QString ArchiveFile::compressOutputPath(const QStringList& files, const QString& targetPath, ArchiveType type)
{
    return uniquePath(compressOutputCandidate(files, targetPath, type));
}

QString ArchiveFile::liftSoleEntry(const QString& folder)
{
    if (folder.isEmpty())
        return folder;
    const QStringList entries
        = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (entries.size() != 1)
        return folder;
    const QString entry = folder + u'/' + entries.first();
    struct stat status;
    const QByteArray encodedEntry = QFile::encodeName(entry);
    // A link would point elsewhere one level up; it stays where it was made.
    if (::lstat(encodedEntry.constData(), &status) != 0
        || (!S_ISDIR(status.st_mode) && !S_ISREG(status.st_mode)))
        return folder;

    // The folder steps aside first, so the entry may take the folder's own
    // name ("Holiday/Holiday" becomes "Holiday").
    const QString parent = PathText::deletingLastPathComponent(folder);
    const std::optional<QString> aside
        = firstClaimed(parent + u"/.kestrel-lift",
                       [&folder](const QString& candidate) { return moveUnlessTaken(folder, candidate); });
    if (!aside)
        return folder;
    const QString movedFrom = *aside + u'/' + entries.first();
    const std::optional<QString> lifted
        = firstClaimed(parent + u'/' + entries.first(), [&movedFrom](const QString& candidate) {
              return moveUnlessTaken(movedFrom, candidate);
          });
    if (!lifted) {
        moveUnlessTaken(*aside, folder);
        return folder;
    }
    ::rmdir(QFile::encodeName(*aside).constData());
    return *lifted;
}

std::optional<QString> ArchiveFile::reserveExtractFolder(const QString& archivePath,
                                                         const QString& targetPath)
{
    QDir().mkpath(targetPath);
    return firstClaimed(extractFolderCandidate(archivePath, targetPath), [](const QString& candidate) {
        const QByteArray encoded = QFile::encodeName(candidate);
        return claimResult(::mkdir(encoded.constData(), 0777));
    });
}

std::optional<QString> ArchiveFile::reserveCompressOutput(const QStringList& files, const QString& targetPath,
                                                          ArchiveType type)
{
    return firstClaimed(compressOutputCandidate(files, targetPath, type), [](const QString& candidate) {
        const QByteArray encoded = QFile::encodeName(candidate);
        const int fd = ::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        const Claim claim = claimResult(fd < 0 ? -1 : 0);
        if (fd >= 0)
            ::close(fd);
        return claim;
    });
}

void ArchiveFile::deletePath(const QString& path)
{
    // Never the root, and never "." or "..", whose removal would empty a
    // folder the caller did not name.
    const QString name = PathText::lastPathComponent(path);
    if (name.isEmpty() || name == u"." || name == u"..")
        return;
    const QString folder = PathText::deletingLastPathComponent(path);
    const QString trimmed = PathText::appendingPathComponent(folder, name);
    removeEntry(QFile::encodeName(trimmed).constData());
}

QString ArchiveFile::truncateUTF8(const QString& text, qsizetype limit)
{
    if (!QStringView(text).isValidUtf16())
        return text;
    const QByteArray utf8 = text.toUtf8();
    if (limit < 0 || utf8.size() <= limit)
        return text;
    // The whole text is valid UTF-8, so a prefix decodes cleanly exactly when
    // the first byte left out starts a character.
    const auto startsCharacter = [&utf8](qsizetype index) { return (uchar(utf8.at(index)) & 0xC0) != 0x80; };
    if (startsCharacter(limit))
        return QString::fromUtf8(utf8.left(limit));
    if (limit > 0 && startsCharacter(limit - 1))
        return QString::fromUtf8(utf8.left(limit - 1));
    return text;
}
