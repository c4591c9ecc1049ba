#include "Archive/Rar/Decrypt/Rar5KeyDerivation.h"

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <algorithm>

#include <nettle/hmac.h>
#include <nettle/sha2.h>

namespace {

using Digest = std::array<quint8, SHA256_DIGEST_SIZE>;

constexpr int extraRounds = 16;

Digest digestOf(hmac_sha256_ctx& hmac, QByteArrayView message)
{
    Digest digest;
    hmac_sha256_update(&hmac, size_t(message.size()), reinterpret_cast<const uint8_t*>(message.data()));
    hmac_sha256_digest(&hmac, digest.size(), digest.data());
    return digest;
}

// Runs `rounds` more PBKDF2 iterations: U = HMAC(U), sum ^= U.
void iterate(hmac_sha256_ctx& hmac, Digest& u, Digest& sum, quint64 rounds)
{
    for (quint64 round = 0; round < rounds; ++round) {
        hmac_sha256_update(&hmac, u.size(), u.data());
        hmac_sha256_digest(&hmac, u.size(), u.data());
        for (size_t i = 0; i < sum.size(); ++i)
            sum[i] ^= u[i];
    }
}

} // namespace

Rar5Keys Rar5KeyDerivation::derive(const QString& password, QByteArrayView salt, int log2Count)
{
    Q_ASSERT(log2Count >= 0 && log2Count <= maxLog2Count);
    const QByteArray utf8 = password.toUtf8();
    hmac_sha256_ctx hmac;
    hmac_sha256_set_key(&hmac, size_t(utf8.size()), reinterpret_cast<const uint8_t*>(utf8.constData()));

    QByteArray firstBlock = salt.toByteArray();
    firstBlock.append("\0\0\0\1", 4); // block index 1, big-endian
    Digest u = digestOf(hmac, firstBlock);
    Digest sum = u;

    Rar5Keys keys;
    iterate(hmac, u, sum, (quint64(1) << log2Count) - 1);
    keys.key = sum;
    iterate(hmac, u, sum, extraRounds);
    keys.hashKey = sum;
    iterate(hmac, u, sum, extraRounds);
    for (size_t i = 0; i < sum.size(); ++i)
        keys.passwordCheck[i % keys.passwordCheck.size()] ^= sum[i];
    return keys;
}

bool Rar5KeyDerivation::isCheckValueIntact(QByteArrayView checkValue)
{
    // RAR 5.21 and older wrote zeros into some records instead of a check value.
    if (checkValue.size() != checkValueSize || checkValue.first(8) == QByteArrayView(QByteArray(8, '\0')))
        return false;
    Digest digest;
    sha256_ctx sha;
    sha256_init(&sha);
    sha256_update(&sha, 8, reinterpret_cast<const uint8_t*>(checkValue.data()));
    sha256_digest(&sha, digest.size(), digest.data());
    return std::equal(digest.begin(), digest.begin() + 4, checkValue.begin() + 8,
                      [](quint8 a, char b) { return a == quint8(b); });
}

quint32 Rar5KeyDerivation::macOf(quint32 crc, const std::array<quint8, 32>& hashKey)
{
    hmac_sha256_ctx hmac;
    hmac_sha256_set_key(&hmac, hashKey.size(), hashKey.data());
    uint8_t little[4];
    qToLittleEndian(crc, little);
    hmac_sha256_update(&hmac, sizeof little, little);
    Digest digest;
    hmac_sha256_digest(&hmac, digest.size(), digest.data());
    quint32 mac = 0;
    for (size_t i = 0; i < digest.size(); ++i)
        mac ^= quint32(digest[i]) << ((i & 3) * 8);
    return mac;
}
