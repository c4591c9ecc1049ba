#include "Archive/Extraction/ExtractionTree.h"

#include "Archive/Extraction/FileIdentity.h"
#include "Archive/Extraction/PendingFile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
// Open folders kept for the next entries; a few dozen cover the folders an
// archive fills at once while leaving descriptors to spare.
constexpr size_t kOpenFolderLimit = 32;

bool isFolder(int parent, const QByteArray& name)
{
    struct stat status = {};
    return fstatat(parent, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

bool ExtractionTree::open(const QString& destination)
{
    // The destination itself was chosen by the user and may lie behind a
    // link; everything below it is opened relative to this descriptor.
    m_destination = QFile::encodeName(destination);
    m_root = FileDescriptor(::open(m_destination.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_root.isValid())
        m_error = errno;
    return m_root.isValid();
}

ExtractionTree::Outcome ExtractionTree::makeDirectory(const QString& path, mode_t mode,
                                                      const std::optional<timespec>& mtime)
{
    Outcome outcome = Outcome::created;
    QByteArray name;
    const FileDescriptor parent = openParent(path, name, outcome);
    if (!parent.isValid())
        return outcome;
    if (mkdirat(parent.get(), name.constData(), 0700) == 0)
        m_createdFolders.insert(path);
    else if (errno != EEXIST)
        return fail();
    else if (!isFolder(parent.get(), name))
        return Outcome::skipped;
    if (m_createdFolders.contains(path) && !m_folderAttributes.contains(path))
        m_folderAttributes.insert(path, { mode, mtime });
    return Outcome::created;
}

ExtractionTree::Outcome ExtractionTree::makeSymlink(const QString& path, const QString& target,
                                                    const std::optional<timespec>& mtime)
{
    Outcome outcome = Outcome::created;
    QByteArray name;
    const FileDescriptor parent = openParent(path, name, outcome);
    if (!parent.isValid())
        return outcome;
    if (symlinkat(QFile::encodeName(target).constData(), parent.get(), name.constData()) != 0)
        return errno == EEXIST ? Outcome::skipped : fail();
    if (mtime) {
        const timespec times[2] = { { 0, UTIME_OMIT }, *mtime };
        if (utimensat(parent.get(), name.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
            return fail();
    }
    return Outcome::created;
}

ExtractionTree::Outcome ExtractionTree::createFile(const QString& path, std::unique_ptr<PendingFile>& file)
{
    Outcome outcome = Outcome::created;
    QByteArray name;
    FileDescriptor parent = openParent(path, name, outcome);
    if (!parent.isValid())
        return outcome;
    FileDescriptor created(openat(parent.get(), name.constData(), kNewFileFlags, 0600));
    if (!created.isValid())
        return errno == EEXIST ? Outcome::skipped : fail();
    file = std::make_unique<PendingFile>(std::move(parent), name, std::move(created));
    return Outcome::created;
}

ExtractionTree::Outcome ExtractionTree::makeHardLink(const QString& path, const QString& targetPath)
{
    Outcome outcome = Outcome::created;
    QStringList targetComponents = targetPath.split(u'/');
    const QByteArray targetName = QFile::encodeName(targetComponents.takeLast());
    const FileDescriptor targetParent = openFolder(targetComponents, false, outcome);
    if (!targetParent.isValid())
        return outcome == Outcome::failed && m_error == ENOENT ? Outcome::skipped : outcome;
    struct stat status = {};
    if (fstatat(targetParent.get(), targetName.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0
        || !S_ISREG(status.st_mode))
        return Outcome::skipped;
    QByteArray name;
    const FileDescriptor parent = openParent(path, name, outcome);
    if (!parent.isValid())
        return outcome;
    if (linkat(targetParent.get(), targetName.constData(), parent.get(), name.constData(), 0) != 0)
        return errno == EEXIST ? Outcome::skipped : fail();
    return Outcome::created;
}

ExtractionTree::Outcome ExtractionTree::moveFile(const QString& path, int sourceFolder,
                                                 const QByteArray& name)
{
    Outcome outcome = Outcome::created;
    QByteArray targetName;
    const FileDescriptor parent = openParent(path, targetName, outcome);
    if (!parent.isValid())
        return outcome;
    int result
        = renameat2(sourceFolder, name.constData(), parent.get(), targetName.constData(), RENAME_NOREPLACE);
    // File systems without RENAME_NOREPLACE: a new link refuses to replace as well.
    if (result != 0 && errno == EINVAL) {
        result = linkat(sourceFolder, name.constData(), parent.get(), targetName.constData(), 0);
        if (result == 0)
            unlinkat(sourceFolder, name.constData(), 0);
    }
    if (result != 0)
        return errno == EEXIST ? Outcome::skipped : fail();
    return Outcome::created;
}

bool ExtractionTree::finish()
{
    for (auto it = m_folderAttributes.cbegin(); it != m_folderAttributes.cend(); ++it) {
        if (!applyFolderAttributes(it.key(), it.value()))
            return false;
    }
    return destinationUnchanged();
}

bool ExtractionTree::destinationUnchanged()
{
    // Everything went through the descriptor, so a destination moved or
    // removed meanwhile was filled without complaint: the output is not where
    // the caller will look for it.
    if (FileIdentity::descriptorIsAt(m_root.get(), m_destination))
        return true;
    m_error = ENOENT;
    return false;
}

bool ExtractionTree::applyFolderAttributes(const QString& path, const FolderAttributes& attributes)
{
    Outcome outcome = Outcome::created;
    const FileDescriptor folder = openFolder(path.split(u'/'), false, outcome);
    if (!folder.isValid())
        return false;
    if (fchmod(folder.get(), (attributes.mode & 0777) | S_IRWXU) != 0) {
        fail();
        return false;
    }
    if (attributes.mtime) {
        const timespec times[2] = { { 0, UTIME_OMIT }, *attributes.mtime };
        if (futimens(folder.get(), times) != 0) {
            fail();
            return false;
        }
    }
    return true;
}

FileDescriptor ExtractionTree::openParent(const QString& path, QByteArray& name, Outcome& outcome)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    name = QFile::encodeName(path.sliced(slash + 1));
    if (slash < 0)
        return FileDescriptor(fcntl(m_root.get(), F_DUPFD_CLOEXEC, 0));
    const QString parentPath = path.first(slash);
    if (const auto found = m_openFolders.find(parentPath); found != m_openFolders.end())
        return FileDescriptor(fcntl(found->second.get(), F_DUPFD_CLOEXEC, 0));

    // Walk down from the deepest folder on the way that is open already;
    // `known` ends at -1 when none is.
    int base = m_root.get();
    qsizetype known = parentPath.size();
    while ((known = parentPath.lastIndexOf(u'/', known - 1)) > 0) {
        if (const auto open = m_openFolders.find(parentPath.first(known)); open != m_openFolders.end()) {
            base = open->second.get();
            break;
        }
    }
    FileDescriptor parent = walkFrom(base, known < 0 ? QString() : parentPath.first(known),
                                     parentPath.sliced(known + 1).split(u'/'), true, outcome);
    if (!parent.isValid())
        return parent;
    if (m_openFolders.size() >= kOpenFolderLimit)
        m_openFolders.clear();
    FileDescriptor kept(fcntl(parent.get(), F_DUPFD_CLOEXEC, 0));
    if (kept.isValid())
        m_openFolders.emplace(parentPath, std::move(kept));
    return parent;
}

FileDescriptor ExtractionTree::openFolder(const QStringList& components, bool create, Outcome& outcome)
{
    return walkFrom(m_root.get(), QString(), components, create, outcome);
}

FileDescriptor ExtractionTree::walkFrom(int folder, QString path, const QStringList& components, bool create,
                                        Outcome& outcome)
{
    FileDescriptor current(fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!current.isValid()) {
        outcome = fail();
        return {};
    }
    for (const QString& component : components) {
        path = path.isEmpty() ? component : path + u'/' + component;
        current = openChild(current.get(), path, component, create, outcome);
        if (!current.isValid())
            return {};
    }
    return current;
}

FileDescriptor ExtractionTree::openChild(int parent, const QString& path, const QString& name, bool create,
                                         Outcome& outcome)
{
    const QByteArray encoded = QFile::encodeName(name);
    FileDescriptor child(openat(parent, encoded.constData(), kFolderFlags));
    if (!child.isValid() && errno == ENOENT && create) {
        if (mkdirat(parent, encoded.constData(), 0777) == 0)
            m_createdFolders.insert(path);
        else if (errno != EEXIST) {
            outcome = fail();
            return {};
        }
        child = FileDescriptor(openat(parent, encoded.constData(), kFolderFlags));
    }
    if (!child.isValid())
        outcome = (errno == ENOTDIR || errno == ELOOP) ? Outcome::skipped : fail();
    return child;
}

ExtractionTree::Outcome ExtractionTree::fail()
{
    m_error = errno;
    return Outcome::failed;
}
