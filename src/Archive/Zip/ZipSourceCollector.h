#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <sys/stat.h>

// Lists everything an archive is made of before anything is written, so the
// entry count is known up front: each input under its last path component,
// folders recursively with their empty sub-folders, links as links (never
// followed, so no loops), other special files left out.
class ZipSourceCollector
{
public:
    struct Source
    {
        QByteArray path; // on disk
        QString name; // in the archive, "/"-separated
        struct stat status;
    };

    struct FileId
    {
        dev_t device;
        ino_t inode;
    };

    // The `excluded` files are never listed: the archive being written may
    // sit among its own inputs.
    explicit ZipSourceCollector(const QList<FileId>& excluded);

    // False when the input or something below it cannot be read (or it has
    // no name, like "/").
    bool add(const QString& input);

    const QList<Source>& sources() const { return m_sources; }

private:
    bool addPath(const QByteArray& path, const QString& name);
    bool addFolderContents(const QByteArray& path, const QString& name, const struct stat& status);
    bool isExcluded(const struct stat& status) const;

    QList<FileId> m_excluded;
    QList<Source> m_sources;
    // Folders being walked: a bind mount can bring one back below itself.
    QList<FileId> m_openFolders;
};
