#include "Archive/Zip/ZipCatalog.h"

#include "Archive/Zip/ZipReader.h"

#include <archive.h>
#include <archive_entry.h>

std::optional<ZipCatalog> ZipCatalog::read(const QString& archivePath)
{
    ZipReader reader;
    if (!reader.open(archivePath))
        return std::nullopt;
    ZipCatalog catalog;
    archive_entry* entry = nullptr;
    for (;;) {
        const int result = archive_read_next_header(reader.handle(), &entry);
        if (result == ARCHIVE_EOF)
            break;
        if (result == ARCHIVE_FATAL)
            return std::nullopt;
        ++catalog.entryCount;
        catalog.rawNames.append(ZipReader::rawPathname(entry));
        // After the first header the central directory has been read, which
        // makes the archive-wide answer reliable; entries are checked anyway.
        if (archive_entry_is_encrypted(entry) || archive_read_has_encrypted_entries(reader.handle()) > 0)
            catalog.hasEncryptedEntries = true;
    }
    return catalog;
}
