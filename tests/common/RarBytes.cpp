#include "RarBytes.h"

#include <QtEndian>

#include <array>

namespace RarBytes {

namespace {

constexpr std::array<quint32, 256> crcTable()
{
    std::array<quint32, 256> table {};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

} // namespace

quint32 crc32(QByteArrayView data)
{
    static constexpr auto table = crcTable();
    quint32 crc = 0xffffffffu;
    for (const char byte : data)
        crc = table[(crc ^ quint8(byte)) & 0xff] ^ (crc >> 8);
    return ~crc;
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
