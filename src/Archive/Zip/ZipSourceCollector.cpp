#include "Archive/Zip/ZipSourceCollector.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>

#include <dirent.h>

namespace {

struct FolderCloser
{
    void operator()(DIR* folder) const { closedir(folder); }
};

} // namespace

ZipSourceCollector::ZipSourceCollector(const QList<FileId>& excluded)
    : m_excluded(excluded)
{
}

bool ZipSourceCollector::add(const QString& input)
{
    // An empty text would mean the current folder.
    if (input.isEmpty())
        return false;
    // Clean first: "Photos/" and "Photos/." are stored as "Photos".
    const QString path = QDir::cleanPath(QFileInfo(input).absoluteFilePath());
    const QString name = path.section(u'/', -1);
    if (name.isEmpty())
        return false;
    return addPath(QFile::encodeName(path), name);
}

bool ZipSourceCollector::addPath(const QByteArray& path, const QString& name)
{
    struct stat status = {};
    if (lstat(path.constData(), &status) != 0)
        return false;
    if (isExcluded(status))
        return true;
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode) && !S_ISLNK(status.st_mode))
        return true;
    m_sources.append({ path, name, status });
    return S_ISDIR(status.st_mode) ? addFolderContents(path, name, status) : true;
}

bool ZipSourceCollector::addFolderContents(const QByteArray& path, const QString& name,
                                           const struct stat& status)
{
    const auto seen
        = [&status](const FileId& id) { return id.device == status.st_dev && id.inode == status.st_ino; };
    if (std::any_of(m_openFolders.cbegin(), m_openFolders.cend(), seen))
        return true;
    const std::unique_ptr<DIR, FolderCloser> folder(opendir(path.constData()));
    if (!folder)
        return false;
    QList<QByteArray> children;
    errno = 0;
    while (const dirent* child = readdir(folder.get())) {
        const QByteArray childName(child->d_name);
        if (childName != "." && childName != "..")
            children.append(childName);
    }
    if (errno != 0)
        return false;
    std::sort(children.begin(), children.end());
    m_openFolders.append({ status.st_dev, status.st_ino });
    bool ok = true;
    for (const QByteArray& child : std::as_const(children)) {
        ok = addPath(path + '/' + child, name + u'/' + QFile::decodeName(child));
        if (!ok)
            break;
    }
    m_openFolders.removeLast();
    return ok;
}

bool ZipSourceCollector::isExcluded(const struct stat& status) const
{
    return std::any_of(m_excluded.cbegin(), m_excluded.cend(), [&status](const FileId& id) {
        return id.device == status.st_dev && id.inode == status.st_ino;
    });
}
