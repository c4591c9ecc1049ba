#pragma once

#include "Archive/Rar/RarVolumeWalk.h"

#include <QByteArray>

class QFile;
class RarCatalog;

// Walks the blocks of one RAR 2.9-4.x volume (archive header, file and
// service blocks, end of archive), checking each header's checksum and
// skipping data areas, and adds its file blocks to a catalogue. A slice that
// continues from the previous volume completes the catalogue's last entry.
class Rar4CatalogWalker
{
public:
    Rar4CatalogWalker(QFile& file, RarCatalog& catalog);

    // The file stands just after the marker block.
    RarVolumeWalk walk();

private:
    struct Block
    {
        QByteArray bytes; // the whole header, from HEAD_CRC on
        quint8 type = 0;
        quint16 flags = 0;
    };

    bool readBlock(Block* block);
    bool addFile(const Block& block);
    bool skipData(const Block& block);
    RarVolumeWalk::End endWithoutMarker() const;

    QFile& m_file;
    RarCatalog& m_catalog;
    qint64 m_size = 0;
    // RAR before 2.9 wrote no end-of-archive block; 2.9 and later always do.
    bool m_sawModernFile = false;
};
