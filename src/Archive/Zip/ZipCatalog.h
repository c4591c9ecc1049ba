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
    QList<QByteArray> rawNames;
    bool hasEncryptedEntries = false;

    // Empty when the archive cannot be read to its end. Needs an active
    // Utf8LocaleScope for the raw names.
    // The same file read twice in a row (unchanged in between) is walked once.
    static std::optional<ZipCatalog> read(const QString& archivePath);

private:
    static std::optional<ZipCatalog> walkHeaders(const QString& archivePath);
};
