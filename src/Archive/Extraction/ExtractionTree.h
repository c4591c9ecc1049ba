#pragma once

#include "Archive/Extraction/FileDescriptor.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <unordered_map>

#include <sys/types.h>
#include <time.h>

class PendingFile;

// Creates folders, files and links below the extraction folder through folder
// descriptors: every component is opened with O_NOFOLLOW, so nothing is ever
// written through a link, and files are created with O_EXCL, so nothing that
// exists is replaced. Paths are relative and already sanitised.
class ExtractionTree
{
public:
    enum class Outcome
    {
        created,
        // The place is taken: an earlier entry of the same name, or a file or
        // a link where a folder should be. Nothing was written.
        skipped,
        // The file system refused; error() tells why.
        failed,
    };

    // False with error() set when `destination` is not an open-able folder.
    bool open(const QString& destination);

    Outcome makeDirectory(const QString& path, mode_t mode, const std::optional<timespec>& mtime);
    Outcome makeSymlink(const QString& path, const QString& target, const std::optional<timespec>& mtime);
    // On `created`, `file` is the new empty file to fill.
    Outcome createFile(const QString& path, std::unique_ptr<PendingFile>& file);
    // A second name for the regular file already at `targetPath` in this tree;
    // `skipped` when that is no regular file (a link is never followed).
    Outcome makeHardLink(const QString& path, const QString& targetPath);
    // Moves the regular file `name` of the open folder `sourceFolder` (on the
    // same file system) to `path`, never replacing anything.
    Outcome moveFile(const QString& path, int sourceFolder, const QByteArray& name);

    // Gives the folders made for directory entries their permissions (always
    // owner rwx, so the tree can be removed again) and times, now that nothing
    // more is written into them. False with error() set on failure.
    bool finish();

    int error() const { return m_error; }

private:
    struct FolderAttributes
    {
        mode_t mode;
        std::optional<timespec> mtime;
    };

    FileDescriptor openFolder(const QStringList& components, bool create, Outcome& outcome);
    FileDescriptor walkFrom(int folder, QString path, const QStringList& components, bool create,
                            Outcome& outcome);
    FileDescriptor openChild(int parent, const QString& path, const QString& name, bool create,
                             Outcome& outcome);
    FileDescriptor openParent(const QString& path, QByteArray& name, Outcome& outcome);
    bool applyFolderAttributes(const QString& path, const FolderAttributes& attributes);
    bool destinationUnchanged();
    Outcome fail();

    QByteArray m_destination;
    FileDescriptor m_root;
    // Folders opened for recent entries, by path, so that an entry in one
    // of them or below needs no walk from the top. Folders are never removed
    // or replaced here, so each is still the one a walk would find.
    std::unordered_map<QString, FileDescriptor> m_openFolders;
    QSet<QString> m_createdFolders;
    QHash<QString, FolderAttributes> m_folderAttributes;
    int m_error = 0;
};
