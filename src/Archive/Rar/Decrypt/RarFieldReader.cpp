#include "Archive/Rar/Decrypt/RarFieldReader.h"

#include <QtEndian>

namespace {

// A 64-bit value never needs more than ten 7-bit groups.
constexpr int maxVintBytes = 10;

} // namespace

RarFieldReader::RarFieldReader(QByteArrayView data)
    : m_data(data)
{
}

bool RarFieldReader::take(qsizetype size)
{
    if (!m_ok || size < 0 || size > remaining()) {
        m_ok = false;
        return false;
    }
    m_position += size;
    return true;
}

quint8 RarFieldReader::byte()
{
    return take(1) ? quint8(m_data[m_position - 1]) : 0;
}

quint16 RarFieldReader::le16()
{
    return take(2) ? qFromLittleEndian<quint16>(m_data.data() + m_position - 2) : 0;
}

quint32 RarFieldReader::le32()
{
    return take(4) ? qFromLittleEndian<quint32>(m_data.data() + m_position - 4) : 0;
}

quint64 RarFieldReader::vint()
{
    quint64 value = 0;
    for (int index = 0; index < maxVintBytes; ++index) {
        const quint8 part = byte();
        value |= quint64(part & 0x7f) << (7 * index);
        if (!(part & 0x80))
            return m_ok ? value : 0;
    }
    m_ok = false;
    return 0;
}

QByteArrayView RarFieldReader::bytes(qsizetype size)
{
    return take(size) ? m_data.sliced(m_position - size, size) : QByteArrayView();
}

namespace RarFieldWriter {

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

} // namespace RarFieldWriter
