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
// folders to "<dir>", symbolic links to "-> " and their target as stored,
// anything else to "<special>". With `attributes`, files and folders start
// with their permission bits in octal and their modification time in
// seconds: "755 1600000000 <dir>".
QMap<QString, QByteArray> snapshot(const QString& root, bool attributes = false);

// Makes below `root` what `tree` describes, in the form snapshot() gives
// without attributes; parents before their children.
bool write(const QString& root, const QMap<QString, QByteArray>& tree);

// `size` bytes that do not compress, the same for the same seed.
QByteArray randomBytes(qsizetype size, quint32 seed);

// Names directly inside `folder`, sorted.
QStringList entries(const QString& folder);

} // namespace FileTree
