#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <initializer_list>

class QRandomGenerator;

// The integer encodings, checksum, blocks and random fields both RAR formats
// are built from.
namespace RarBytes {

// CRC-32 (IEEE, reflected 0xEDB88320), as zlib computes it: RAR4 keeps the low
// 16 bits as a header checksum, RAR5 all 32 bits; both use it for file data.
quint32 crc32(QByteArrayView data);

void appendLe16(QByteArray& out, quint16 value);
void appendLe32(QByteArray& out, quint32 value);

// RAR5 variable-length integers: 7 bits per byte, lowest first, high bit set
// on every byte but the last.
void appendVint(QByteArray& out, quint64 value);
QByteArray vints(std::initializer_list<quint64> values);

// A RAR4 block: HEAD_CRC (the low half of the CRC-32 of the rest), HEAD_TYPE,
// HEAD_FLAGS, HEAD_SIZE, then `fields`.
QByteArray rar4Block(quint8 type, quint16 flags, const QByteArray& fields);

// A RAR5 header: CRC-32, size, type and flags, then the extra area size and
// the data size when there are any (both flagged), `fields` and `extra`.
QByteArray rar5Block(quint64 type, quint64 flags, const QByteArray& fields, qsizetype dataSize = -1,
                     const QByteArray& extra = {});

// Salts and IVs, drawn from the writer's own generator: a fixed seed makes
// every archive the same on every run, whatever order tests run in.
QByteArray randomBytes(qsizetype size, QRandomGenerator& random);

} // namespace RarBytes
