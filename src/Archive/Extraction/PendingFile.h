#pragma once

#include "Archive/Extraction/FileDescriptor.h"

#include <QByteArray>

#include <optional>

#include <sys/types.h>
#include <time.h>

// A new file in the extraction folder while its data is written. It is
// removed again unless commit() succeeds, so a failed or cancelled extraction
// never leaves a half-written file that looks complete.
class PendingFile
{
public:
    PendingFile(FileDescriptor folder, QByteArray name, FileDescriptor file);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // 0, or the errno of the failed write.
    int write(const char* data, size_t size);
    // Sets the permission bits (never setuid, setgid or sticky) and the
    // modification time, then closes: 0, or the errno of what failed.
    int commit(mode_t mode, const std::optional<timespec>& mtime);

private:
    FileDescriptor m_folder;
    QByteArray m_name;
    FileDescriptor m_file;
    bool m_committed = false;
};
