#pragma once

#include <QtEndian>

#include <cerrno>

#include <unistd.h>

// Reading a zip archive's little-endian records from a file, shared by the
// directory reader and the extractor.
namespace ZipBytes {

inline quint16 le16(const char* p)
{
    return qFromLittleEndian<quint16>(p);
}

inline quint32 le32(const char* p)
{
    return qFromLittleEndian<quint32>(p);
}

inline quint64 le64(const char* p)
{
    return qFromLittleEndian<quint64>(p);
}

// Up to `size` bytes at `offset`, fewer only at the end of the file; -1 on
// an error.
inline qint64 readUpTo(int fd, char* data, qint64 size, quint64 offset)
{
    qint64 total = 0;
    while (total < size) {
        const ssize_t got = pread(fd, data + total, size_t(size - total), off_t(offset + quint64(total)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

// All `size` bytes at `offset`, or false.
inline bool readAt(int fd, char* data, qint64 size, quint64 offset)
{
    return readUpTo(fd, data, size, offset) == size;
}

} // namespace ZipBytes
