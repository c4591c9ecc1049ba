#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What a walk over an archive's headers alone tells, without reading or
// decrypting any data.
struct ZipCatalog
{
    qint64 entryCount = 0;
    // The names that are not UTF-8, which the legacy encoding is chosen from.
    // Only these are kept: an archive of many entries would otherwise hold
    // every name for the whole job.
    QList<QByteArray> legacyNames;
    bool hasEncryptedEntries = false;

    // Empty when the archive cannot be read to its end. Needs an active
    // Utf8LocaleScope for the raw names.
    static std::optional<ZipCatalog> read(const QString& archivePath);

private:
    static std::optional<ZipCatalog> walkHeaders(const QString& archivePath);
};
