#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// Runs the real 7zz to build and check archives, and finds the 7zz children
// of the test process.
namespace SevenZipFixtures {

// FileTree::snapshot with links as stored ("-> target", relative or not),
// so trees in different places compare equal.
QMap<QString, QByteArray> tree(const QString& root);

// A captured 7zz output committed under data/.
QByteArray capture(const QString& name);

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

struct ChildProcess
{
    qint64 pid = 0;
    QByteArray commandLine;
    QByteArray environment;
};
// A running 7zz whose parent is this process.
std::optional<ChildProcess> findSevenZipChild();
// SIGKILL, then waits until the kernel has torn the process down (its pipes
// are closed once it is a zombie).
bool killAndWaitForDeath(qint64 pid);

} // namespace SevenZipFixtures
