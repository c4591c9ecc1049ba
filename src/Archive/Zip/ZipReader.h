#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct archive;

// One zip archive open for reading with libarchive, always as a seekable file:
// read from a pipe, skipping an entry can break the next header and links come
// back as regular files.
class ZipReader
{
public:
    ZipReader();
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // An empty password counts as none. False when the file is not a zip
    // archive libarchive can open.
    bool open(const QString& archivePath, const std::optional<QString>& password = std::nullopt);

    archive* handle() const { return m_archive; }
    QByteArray errorString() const;

private:
    archive* m_archive = nullptr;
};
