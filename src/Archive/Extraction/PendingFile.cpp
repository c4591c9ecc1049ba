#include "Archive/Extraction/PendingFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

PendingFile::PendingFile(FileDescriptor folder, QByteArray name, FileDescriptor file)
    : m_folder(std::move(folder))
    , m_name(std::move(name))
    , m_file(std::move(file))
{
}

PendingFile::~PendingFile()
{
    if (m_committed)
        return;
    const int savedErrno = errno;
    m_file.close();
    unlinkat(m_folder.get(), m_name.constData(), 0);
    errno = savedErrno;
}

int PendingFile::write(const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(m_file.get(), data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        data += written;
        size -= size_t(written);
    }
    return 0;
}

int PendingFile::commit(mode_t mode, const std::optional<timespec>& mtime)
{
    if (fchmod(m_file.get(), mode & 0777) != 0)
        return errno;
    if (mtime) {
        const timespec times[2] = { { 0, UTIME_OMIT }, *mtime };
        if (futimens(m_file.get(), times) != 0)
            return errno;
    }
    // A delayed write error (NFS, quota) shows up only here.
    if (!m_file.close())
        return errno;
    m_committed = true;
    return 0;
}
