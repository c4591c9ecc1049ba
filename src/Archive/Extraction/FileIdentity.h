#pragma once

#include <QString>

#include <optional>

#include <sys/types.h>

// What a file or folder is, whatever its name: its device and inode. Tells
// whether a path still names the folder a job made or holds open, or has
// been moved, removed or replaced meanwhile.
class FileIdentity
{
public:
    // The identity of what `path` names itself (a link is not followed);
    // nothing when it does not exist.
    static std::optional<FileIdentity> ofPath(const QString& path);
    static std::optional<FileIdentity> ofPath(const QByteArray& encodedPath);

    // The identity of an open descriptor; nothing when it is invalid or what
    // it holds has been deleted.
    static std::optional<FileIdentity> ofDescriptor(int fd);

    // The open descriptor `fd` is still what `encodedPath` names.
    static bool descriptorIsAt(int fd, const QByteArray& encodedPath);

    bool operator==(const FileIdentity&) const = default;

private:
    FileIdentity(dev_t device, ino_t inode)
        : m_device(device)
        , m_inode(inode)
    {
    }

    dev_t m_device;
    ino_t m_inode;
};
