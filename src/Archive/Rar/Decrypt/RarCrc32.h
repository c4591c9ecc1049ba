#pragma once

#include <QByteArrayView>

// CRC-32 (IEEE, as zlib computes it). RAR4 keeps its low half as a header
// checksum; both formats use all of it for file data and RAR5 for headers.
namespace RarCrc32 {

// Continues `crc` (0 to start) over `data`.
quint32 update(quint32 crc, QByteArrayView data);

inline quint32 of(QByteArrayView data)
{
    return update(0, data);
}

} // namespace RarCrc32
