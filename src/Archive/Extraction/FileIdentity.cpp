#include "Archive/Extraction/FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

std::optional<FileIdentity> FileIdentity::ofPath(const QString& path)
{
    return ofPath(QFile::encodeName(path));
}

std::optional<FileIdentity> FileIdentity::ofPath(const QByteArray& encodedPath)
{
    struct stat status
    {
    };
    if (encodedPath.isEmpty() || ::lstat(encodedPath.constData(), &status) != 0)
        return std::nullopt;
    return FileIdentity(status.st_dev, status.st_ino);
}

std::optional<FileIdentity> FileIdentity::ofDescriptor(int fd)
{
    struct stat status
    {
    };
    if (fd < 0 || ::fstat(fd, &status) != 0 || status.st_nlink == 0)
        return std::nullopt;
    return FileIdentity(status.st_dev, status.st_ino);
}

bool FileIdentity::descriptorIsAt(int fd, const QByteArray& encodedPath)
{
    const std::optional<FileIdentity> held = ofDescriptor(fd);
    return held && held == ofPath(encodedPath);
}
