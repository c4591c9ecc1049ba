#pragma once

#include <QByteArrayView>

#include <array>

class QString;

// What RAR5 derives from a password and a salt: the AES-256 key, the key that
// turns data checksums into MACs, and the 8-byte password check value.
struct Rar5Keys
{
    std::array<quint8, 32> key {};
    std::array<quint8, 32> hashKey {};
    std::array<quint8, 8> passwordCheck {};
};

// PBKDF2-HMAC-SHA256 over the UTF-8 password with 2^log2Count iterations
// gives the key; 16 more iterations of the same chain the hash key, 16 more
// again the value folded (XOR of its four 8-byte quarters) into the check.
class Rar5KeyDerivation
{
public:
    Rar5KeyDerivation() = delete;

    static constexpr int saltSize = 16;
    static constexpr int maxLog2Count = 24; // as RAR refuses more
    static constexpr int checkValueSize = 12; // password check and its checksum

    static Rar5Keys derive(const QString& password, QByteArrayView salt, int log2Count);

    // The check value's last 4 bytes are the start of the SHA-256 of its first
    // 8. RAR ignores a check value that fails this; so do we.
    static bool isCheckValueIntact(QByteArrayView checkValue);

    // The CRC-32 as stored for files encrypted with checksum MACs.
    static quint32 macOf(quint32 crc, const std::array<quint8, 32>& hashKey);
};
