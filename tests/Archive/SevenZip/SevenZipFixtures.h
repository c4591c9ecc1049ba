#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Runs the real 7zz to build and check archives.
namespace SevenZipFixtures {

// readme.txt, Fotos/2024/a.bin, a file of a Unicode name in Fotos, an empty
// folder and a link to readme.txt.
bool writeSampleTree(const QString& root);

// A captured 7zz output committed under data/.
QByteArray capture(const QString& name);

// Packs every entry of `folder` into `archive` with 7zz's "a" and `switches`
// ("-t7z", "-p..."); links are stored as links.
bool pack(const QString& archive, const QString& folder, const QStringList& switches);

// What 7zz itself lists, technically or as paths; `password` goes on its
// command line.
QByteArray listing(const QString& archive, const QString& password = {});
QStringList listedPaths(const QString& archive, const QString& password = {});

// Builds an archive entry by entry, in order: each file or link is added and
// then renamed to `storedName`, which may be anything, "../x" included.
struct Entry
{
    QString storedName;
    QByteArray content; // the target for a link
    bool isLink = false;
};
bool buildArchive(const QString& archive, const QList<Entry>& entries, const QString& scratchFolder);

// A large, quickly made file: sparse zeros.
bool makeLargeFile(const QString& path, qint64 size);

} // namespace SevenZipFixtures
