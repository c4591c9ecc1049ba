#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Small helpers for tests that build folders and compare what lands on disk.
namespace FileTree {

// Writes `content` to `root`/`relativePath`, creating parent folders.
bool writeFile(const QString& root, const QString& relativePath, const QByteArray& content);

// The whole content of the file at `path`; empty when it cannot be read.
QByteArray readFile(const QString& path);

// Every entry below `root` by relative path: files map to their content,
// folders to "<dir>", symbolic links to "-> target".
QMap<QString, QByteArray> snapshot(const QString& root);

// `size` bytes that do not compress, the same for the same seed.
QByteArray randomBytes(qsizetype size, quint32 seed);

// Names directly inside `folder`, sorted.
QStringList entries(const QString& folder);

// Runs a program with a closed standard input (a prompt gets end of file) and
// returns its exit code (-1 when it could not start).
int run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr,
        const QString& workingDirectory = {});

} // namespace FileTree
