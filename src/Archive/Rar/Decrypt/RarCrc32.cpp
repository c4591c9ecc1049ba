#include "Archive/Rar/Decrypt/RarCrc32.h"

#include <array>

namespace RarCrc32 {

namespace {

constexpr std::array<quint32, 256> table()
{
    std::array<quint32, 256> entries {};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
        entries[n] = c;
    }
    return entries;
}

} // namespace

quint32 update(quint32 crc, QByteArrayView data)
{
    static constexpr auto entries = table();
    crc = ~crc;
    for (const char byte : data)
        crc = entries[(crc ^ quint8(byte)) & 0xff] ^ (crc >> 8);
    return ~crc;
}

} // namespace RarCrc32
