#include "RarBytes.h"

#include "Archive/Rar/Decrypt/RarCrc32.h"

#include <QRandomGenerator>
#include <QtEndian>

namespace RarBytes {

quint32 crc32(QByteArrayView data)
{
    // The product's CRC: libarchive and unar check the sums it writes
    // whenever the RAR tests read a fixture back.
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

QByteArray rar5Header(const QByteArray& body)
{
    QByteArray checked;
    appendVint(checked, quint64(body.size()));
    checked += body;
    QByteArray out;
    appendLe32(out, crc32(checked));
    return out + checked;
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

} // namespace RarBytes
