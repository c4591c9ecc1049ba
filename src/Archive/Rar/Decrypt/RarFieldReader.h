#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Reads the little-endian integers, RAR5 variable-length integers and byte
// runs header fields are made of. Reading past the end sets `ok()` to false
// and yields zeros, so a parser can read a whole header and check once.
class RarFieldReader
{
public:
    explicit RarFieldReader(QByteArrayView data);

    quint8 byte();
    quint16 le16();
    quint32 le32();
    // RAR5 vint: 7 bits per byte, lowest first, high bit set on all but the last.
    quint64 vint();
    QByteArrayView bytes(qsizetype size);

    qsizetype position() const { return m_position; }
    qsizetype remaining() const { return m_data.size() - m_position; }
    bool ok() const { return m_ok; }

private:
    bool take(qsizetype size);

    QByteArrayView m_data;
    qsizetype m_position = 0;
    bool m_ok = true;
};

// The writing side, for the headers rebuilt in plain form.
namespace RarFieldWriter {

void appendLe16(QByteArray& out, quint16 value);
void appendLe32(QByteArray& out, quint32 value);
void appendVint(QByteArray& out, quint64 value);

} // namespace RarFieldWriter
