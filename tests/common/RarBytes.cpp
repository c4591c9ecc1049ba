#include "RarBytes.h"

#include "Archive/Rar/Decrypt/RarCrc32.h"

#include <QRandomGenerator>
#include <QtEndian>

namespace RarBytes {

namespace {

constexpr quint64 hasExtraArea = 0x0001;
constexpr quint64 hasDataArea = 0x0002;

} // namespace

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

QByteArray vints(std::initializer_list<quint64> values)
{
    QByteArray out;
    for (const quint64 value : values)
        appendVint(out, value);
    return out;
}

QByteArray rar4Block(quint8 type, quint16 flags, const QByteArray& fields)
{
    QByteArray block(1, char(type));
    appendLe16(block, flags);
    appendLe16(block, quint16(7 + fields.size()));
    block += fields;
    QByteArray out;
    appendLe16(out, quint16(crc32(block) & 0xffff));
    return out + block;
}

QByteArray rar5Block(quint64 type, quint64 flags, const QByteArray& fields, qsizetype dataSize,
                     const QByteArray& extra)
{
    QByteArray body
        = vints({ type, flags | (dataSize >= 0 ? hasDataArea : 0) | (extra.isEmpty() ? 0 : hasExtraArea) });
    if (!extra.isEmpty())
        appendVint(body, quint64(extra.size()));
    if (dataSize >= 0)
        appendVint(body, quint64(dataSize));
    body += fields + extra;
    const QByteArray sized = vints({ quint64(body.size()) }) + body;
    QByteArray out;
    appendLe32(out, crc32(sized));
    return out + sized;
}

QByteArray randomBytes(qsizetype size, QRandomGenerator& random)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

} // namespace RarBytes
