#include "Archive/Rar/Rar4CatalogWalker.h"

#include "Archive/Rar/Decrypt/RarCrc32.h"
#include "Archive/Rar/Decrypt/RarFieldReader.h"
#include "Archive/Rar/Rar4Format.h"
#include "Archive/Rar/RarCatalog.h"

#include <QFile>
#include <QString>
#include <QtEndian>

#include <limits>

namespace {

using namespace Rar4Format;

constexpr quint8 hostUnix = 3;
constexpr quint32 unixTypeMask = 0xf000;
constexpr quint32 unixDirectory = 0x4000;
constexpr quint32 unixLink = 0xa000;
constexpr quint32 dosDirectory = 0x10;
constexpr quint8 firstModernVersion = 29;

quint16 checksumOf(QByteArrayView block)
{
    return quint16(RarCrc32::of(block.sliced(2)) & 0xffff);
}

// RAR's packed Unicode names: after the name in the local code page and a
// NUL, a high byte, then two-bit opcodes (grouped four to a flag byte) that
// emit a low byte with a zero, or with the high byte, a whole UTF-16 unit, or
// a run copied from the code-page name with an optional correction.
QByteArray unpackUnicodeName(QByteArrayView plain, QByteArrayView packed)
{
    QString name;
    RarFieldReader reader(packed);
    const quint16 high = quint16(reader.byte()) << 8;
    quint8 flags = 0;
    int flagBits = 0;
    while (reader.ok() && reader.remaining() > 0) {
        if (flagBits == 0) {
            flags = reader.byte();
            flagBits = 8;
        }
        switch (flags >> 6) {
        case 0:
            name.append(QChar(quint16(reader.byte())));
            break;
        case 1:
            name.append(QChar(quint16(reader.byte()) | high));
            break;
        case 2:
            name.append(QChar(reader.le16()));
            break;
        default: {
            const quint8 length = reader.byte();
            const quint8 correction = (length & 0x80) ? reader.byte() : 0;
            for (int count = (length & 0x7f) + 2; count > 0 && name.size() < plain.size(); --count) {
                const quint8 source = quint8(plain[name.size()]);
                name.append((length & 0x80) ? QChar(quint16(quint8(source + correction)) | high)
                                            : QChar(quint16(source)));
            }
        }
        }
        flags = quint8(flags << 2);
        flagBits -= 2;
    }
    return name.toUtf8();
}

QByteArray nameOf(QByteArrayView stored, quint16 flags)
{
    if (!(flags & lhdUnicode))
        return stored.toByteArray();
    const qsizetype nul = stored.indexOf('\0');
    // Unicode names without a code-page form are stored as UTF-8.
    if (nul < 0)
        return stored.toByteArray();
    return unpackUnicodeName(stored.first(nul), stored.sliced(nul + 1));
}

} // namespace

Rar4CatalogWalker::Rar4CatalogWalker(QFile& file, RarCatalog& catalog)
    : m_file(file)
    , m_catalog(catalog)
    , m_size(file.size())
{
}

RarVolumeWalk Rar4CatalogWalker::walk()
{
    RarVolumeWalk result;
    Block header;
    if (!readBlock(&header) || header.type != archiveBlock)
        return result;
    result.isVolume = header.flags & mhdVolume;
    m_catalog.setSolid(header.flags & mhdSolid);
    if (header.flags & mhdPassword) {
        result.end = RarVolumeWalk::End::namesEncrypted;
        return result;
    }
    for (;;) {
        if (m_file.pos() == m_size) {
            result.end = endWithoutMarker();
            return result;
        }
        Block block;
        if (!readBlock(&block))
            return result;
        if (block.type == endBlock) {
            result.end = (block.flags & earcNextVolume) ? RarVolumeWalk::End::nextVolume
                                                        : RarVolumeWalk::End::lastVolume;
            return result;
        }
        if ((block.type == fileBlock && !addFile(block)) || !skipData(block))
            return result;
    }
}

bool Rar4CatalogWalker::readBlock(Block* block)
{
    block->bytes = m_file.read(baseSize);
    if (block->bytes.size() != baseSize)
        return false;
    const qsizetype size = qFromLittleEndian<quint16>(block->bytes.constData() + 5);
    if (size < baseSize)
        return false;
    const QByteArray rest = m_file.read(size - baseSize);
    if (rest.size() != size - baseSize)
        return false;
    block->bytes += rest;
    block->type = quint8(block->bytes[2]);
    block->flags = qFromLittleEndian<quint16>(block->bytes.constData() + 3);
    const bool oldStyle = block->type >= firstOldStyleBlock && block->type <= lastOldStyleBlock;
    return oldStyle || checksumOf(block->bytes) == qFromLittleEndian<quint16>(block->bytes.constData());
}

bool Rar4CatalogWalker::addFile(const Block& block)
{
    RarFieldReader reader(block.bytes);
    reader.bytes(baseSize);
    reader.le32(); // PACK_SIZE
    quint64 size = reader.le32();
    const quint8 host = reader.byte();
    const quint32 crc = reader.le32();
    reader.le32(); // FTIME
    const quint8 version = reader.byte();
    reader.byte(); // METHOD
    const quint16 nameSize = reader.le16();
    const quint32 attributes = reader.le32();
    bool sizeKnown = size != 0xffffffffu;
    if (block.flags & lhdLarge) {
        reader.le32(); // HIGH_PACK_SIZE
        size |= quint64(reader.le32()) << 32;
        sizeKnown = true;
    }
    const QByteArrayView storedName = reader.bytes(nameSize);
    if (!reader.ok() || size > quint64(std::numeric_limits<qint64>::max()))
        return false;
    m_sawModernFile = m_sawModernFile || version >= firstModernVersion;

    if (block.flags & lhdSplitBefore) {
        RarCatalog::Entry* entry = m_catalog.lastEntry();
        if (!entry)
            return false;
        // Only the last slice carries the CRC of the whole file.
        if (!(block.flags & lhdSplitAfter))
            entry->crc = crc;
        return true;
    }
    RarCatalog::Entry entry;
    entry.name = nameOf(storedName, block.flags);
    entry.size = qint64(size);
    entry.crc = crc;
    const quint32 type = attributes & unixTypeMask;
    const bool directory = (block.flags & lhdWindowMask) == lhdWindowMask
        || (host == hostUnix ? type == unixDirectory : (attributes & dosDirectory) != 0);
    entry.flags = (directory ? RarCatalog::Entry::directory : 0)
        | (host == hostUnix && type == unixLink ? RarCatalog::Entry::linked : 0)
        | ((block.flags & lhdPassword) ? RarCatalog::Entry::encrypted : 0)
        | (sizeKnown ? 0 : RarCatalog::Entry::sizeUnknown) | (directory ? 0 : RarCatalog::Entry::hasCrc);
    m_catalog.addEntry(std::move(entry));
    return true;
}

bool Rar4CatalogWalker::skipData(const Block& block)
{
    if (!(block.flags & longBlock))
        return true;
    RarFieldReader reader(block.bytes);
    reader.bytes(baseSize);
    quint64 dataSize = reader.le32();
    if ((block.type == fileBlock || block.type == serviceBlock) && (block.flags & lhdLarge)) {
        reader.bytes(fileFieldsEnd - baseSize - 4);
        dataSize |= quint64(reader.le32()) << 32;
    }
    if (!reader.ok() || dataSize > quint64(m_size - m_file.pos()))
        return false;
    return m_file.seek(m_file.pos() + qint64(dataSize));
}

RarVolumeWalk::End Rar4CatalogWalker::endWithoutMarker() const
{
    return m_sawModernFile ? RarVolumeWalk::End::damaged : RarVolumeWalk::End::lastVolume;
}
