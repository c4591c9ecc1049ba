#include "Archive/Rar/StagingFolder.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kOpenFolders = 32;
// Each pass opens one more level of folders that could not be read.
constexpr int kMaxAccessPasses = 256;

thread_local int unreadableFolders = 0;

int grantOwnerAccess(const char* path, const struct stat* status, int type, FTW*)
{
    if (type == FTW_DNR)
        ++unreadableFolders;
    if ((type == FTW_D || type == FTW_DNR) && (status->st_mode & S_IRWXU) != S_IRWXU)
        chmod(path, (status->st_mode & 07777) | S_IRWXU);
    return 0;
}

int removeEntry(const char* path, const struct stat*, int type, FTW*)
{
    const int result = (type == FTW_DP) ? rmdir(path) : unlink(path);
    return (result == 0 || errno == ENOENT) ? 0 : -1;
}

} // namespace

StagingFolder::StagingFolder(const QString& destination)
{
    // Beside the folder itself, not beside a link to it: moving out of the
    // staging folder must stay on one file system.
    const QFileInfo info(destination);
    const QString canonical = info.canonicalFilePath();
    const QString parent = QFileInfo(canonical.isEmpty() ? destination : canonical).absolutePath();
    QByteArray pattern = QFile::encodeName(parent + QStringLiteral("/.kestrel-staging-XXXXXX"));
    // mkdtemp creates the folder readable by its owner only.
    if (mkdtemp(pattern.data()))
        m_path = QFile::decodeName(pattern);
    else
        m_error = errno;
}

StagingFolder::~StagingFolder()
{
    if (isValid())
        removeTree(m_path);
}

bool StagingFolder::clear()
{
    return isValid() && removeTree(m_path) && mkdir(QFile::encodeName(m_path).constData(), 0700) == 0;
}

bool StagingFolder::removeTree(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    // First pass top-down so that every folder can be read and emptied, then
    // bottom-up removal; FTW_PHYS never follows a link.
    for (int pass = 0; pass < kMaxAccessPasses; ++pass) {
        unreadableFolders = 0;
        nftw(encoded.constData(), grantOwnerAccess, kOpenFolders, FTW_PHYS);
        if (unreadableFolders == 0)
            break;
    }
    return nftw(encoded.constData(), removeEntry, kOpenFolders, FTW_PHYS | FTW_DEPTH) == 0;
}
