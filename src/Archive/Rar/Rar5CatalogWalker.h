#pragma once

#include "Archive/Rar/RarVolumeWalk.h"

#include <QByteArray>

#include <optional>

class QFile;
class RarCatalog;
struct Rar5Header;

// Walks the headers of one RAR5 volume (main, file, service, end of archive),
// checking each header's CRC-32 and skipping data areas, and adds its file
// headers to a catalogue. A slice that continues from the previous volume
// completes the catalogue's last entry.
class Rar5CatalogWalker
{
public:
    Rar5CatalogWalker(QFile& file, RarCatalog& catalog);

    // The file stands just after the signature.
    RarVolumeWalk walk();

private:
    std::optional<Rar5Header> readHeader();
    bool addFile(const Rar5Header& header);
    bool skipData(const Rar5Header& header);

    QFile& m_file;
    RarCatalog& m_catalog;
    qint64 m_size = 0;
};
