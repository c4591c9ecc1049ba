#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The integer encodings, checksum and random fields both RAR formats are built from.
namespace RarBytes {

// CRC-32 (IEEE, reflected 0xEDB88320), as zlib computes it: RAR4 keeps the low
// 16 bits as a header checksum, RAR5 all 32 bits; both use it for file data.
quint32 crc32(QByteArrayView data);

void appendLe16(QByteArray& out, quint16 value);
void appendLe32(QByteArray& out, quint32 value);

// RAR5 variable-length integer: 7 bits per byte, lowest first, high bit set on
// every byte but the last.
void appendVint(QByteArray& out, quint64 value);

// A RAR5 header: the size of `body` as a vint, then `body`, both after their CRC-32.
QByteArray rar5Header(const QByteArray& body);

// Salts and IVs.
QByteArray randomBytes(qsizetype size);

} // namespace RarBytes
