#include "RarBytes.h"

#include "Archive/Rar/Decrypt/RarCrc32.h"

#include <QtEndian>

namespace RarBytes {

quint32 crc32(QByteArrayView data)
{
    // The product's CRC: tst_rarfixture has lsar, unar and libarchive check
    // the sums it writes.
    return RarCrc32::of(data);
}

void appendLe16(QByteArray& out, quint16 value)
{
    const quint16 little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

void appendLe32(QByteArray& out, quint32 value)
{
    const quint32 little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

void appendVint(QByteArray& out, quint64 value)
{
    while (value >= 0x80) {
        out.append(char(0x80 | (value & 0x7f)));
        value >>= 7;
    }
    out.append(char(value));
}

qsizetype vintSize(quint64 value)
{
    qsizetype size = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++size;
    }
    return size;
}

} // namespace RarBytes
