#include "Archive/Run/JobOutput.h"

#include "Archive/ArchiveFile.h"
#include "Archive/Extraction/FileDescriptor.h"
#include "Archive/Extraction/FileIdentity.h"

#include <QFile>

#include <fcntl.h>

JobOutput JobOutput::adopt(const QString& path)
{
    JobOutput output;
    output.m_path = path;
    output.m_held = std::make_shared<const FileDescriptor>(
        ::open(QFile::encodeName(path).constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    return output;
}

bool JobOutput::isStillThere() const
{
    return m_held && FileIdentity::descriptorIsAt(m_held->get(), QFile::encodeName(m_path));
}

void JobOutput::remove() const
{
    if (isStillThere())
        ArchiveFile::deletePath(m_path);
}
