#include "Archive/Extraction/FileDescriptor.h"

#include <utility>

#include <unistd.h>

FileDescriptor::~FileDescriptor()
{
    close();
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

bool FileDescriptor::close()
{
    if (m_fd < 0)
        return true;
    // Linux releases the descriptor even when close() fails, so never retry.
    return ::close(std::exchange(m_fd, -1)) == 0;
}
