#pragma once

#include <QByteArray>

#include <array>

class QString;

// AES-256-CBC as RAR5 encrypts file data and, with archive encryption, every
// header after the archive encryption header. The key, the key for checksum
// MACs and the password check value are PBKDF2-HMAC-SHA256 over the UTF-8
// password with 2^log2Count, 2^log2Count + 16 and 2^log2Count + 32 iterations,
// as RARLAB's "RAR 5.0 archive format" describes them.
class Rar5Cipher
{
public:
    static constexpr int saltSize = 16;
    static constexpr int ivSize = 16;
    static constexpr int log2Count = 15; // what rar uses

    Rar5Cipher(const QString& password, const QByteArray& salt);

    // Zero-pads `data` to whole AES blocks: readers trim by the sizes stored.
    QByteArray encrypt(const QByteArray& data, const QByteArray& iv) const;

    // 8 bytes folded from the third PBKDF2 value, then the first 4 bytes of
    // their SHA-256.
    QByteArray checkValue() const;

    // A data CRC-32 as stored for files with MAC checksums.
    quint32 mac(quint32 crc) const;

    // The file encryption record for data encrypted with `iv`, sized, as the
    // extra area of a file header holds it: AES-256, the KDF count, salt, IV
    // and, when asked for, the check value and the flag for MAC checksums.
    QByteArray encryptionRecord(const QByteArray& iv, bool withCheckValue, bool withMacs) const;

    const QByteArray& salt() const { return m_salt; }

private:
    QByteArray m_salt;
    std::array<quint8, 32> m_key {};
    std::array<quint8, 32> m_hashKey {};
    std::array<quint8, 8> m_check {};
};
