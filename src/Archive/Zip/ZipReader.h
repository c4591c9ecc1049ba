#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct archive;
struct archive_entry;

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

    // The bytes of the entry's name: UTF-8 for names flagged so, raw bytes for
    // the others (see Utf8LocaleScope, which must be active).
    static QByteArray rawPathname(archive_entry* entry);
    static QByteArray rawSymlink(archive_entry* entry);

private:
    archive* m_archive = nullptr;
};
