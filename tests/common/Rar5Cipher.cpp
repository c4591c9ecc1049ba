#include "Rar5Cipher.h"

#include "RarBytes.h"

#include <QString>
#include <QtEndian>

#include <nettle/aes.h>
#include <nettle/cbc.h>
#include <nettle/hmac.h>
#include <nettle/pbkdf2.h>
#include <nettle/sha2.h>

namespace {

std::array<quint8, 32> pbkdf2(const QByteArray& password, const QByteArray& salt, unsigned iterations)
{
    std::array<quint8, 32> out {};
    pbkdf2_hmac_sha256(size_t(password.size()), reinterpret_cast<const uint8_t*>(password.constData()),
                       iterations, size_t(salt.size()), reinterpret_cast<const uint8_t*>(salt.constData()),
                       out.size(), out.data());
    return out;
}

} // namespace

Rar5Cipher::Rar5Cipher(const QString& password, const QByteArray& salt)
    : m_salt(salt)
{
    const QByteArray utf8 = password.toUtf8();
    const unsigned iterations = 1u << log2Count;
    m_key = pbkdf2(utf8, salt, iterations);
    m_hashKey = pbkdf2(utf8, salt, iterations + 16);
    const std::array<quint8, 32> check = pbkdf2(utf8, salt, iterations + 32);
    for (size_t i = 0; i < check.size(); ++i)
        m_check[i % m_check.size()] ^= check[i];
}

QByteArray Rar5Cipher::encrypt(const QByteArray& data, const QByteArray& iv) const
{
    QByteArray padded = data;
    padded.append((AES_BLOCK_SIZE - data.size() % AES_BLOCK_SIZE) % AES_BLOCK_SIZE, '\0');
    aes256_ctx aes;
    aes256_set_encrypt_key(&aes, m_key.data());
    QByteArray chain = iv;
    QByteArray out(padded.size(), Qt::Uninitialized);
    cbc_encrypt(&aes, reinterpret_cast<nettle_cipher_func*>(aes256_encrypt), AES_BLOCK_SIZE,
                reinterpret_cast<uint8_t*>(chain.data()), size_t(padded.size()),
                reinterpret_cast<uint8_t*>(out.data()), reinterpret_cast<const uint8_t*>(padded.constData()));
    return out;
}

QByteArray Rar5Cipher::checkValue() const
{
    QByteArray value(reinterpret_cast<const char*>(m_check.data()), qsizetype(m_check.size()));
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_ctx sha;
    sha256_init(&sha);
    sha256_update(&sha, m_check.size(), m_check.data());
    sha256_digest(&sha, sizeof digest, digest);
    return value + QByteArray(reinterpret_cast<const char*>(digest), 4);
}

quint32 Rar5Cipher::mac(quint32 crc) const
{
    uint8_t little[4];
    qToLittleEndian(crc, little);
    uint8_t digest[SHA256_DIGEST_SIZE];
    hmac_sha256_ctx hmac;
    hmac_sha256_set_key(&hmac, m_hashKey.size(), m_hashKey.data());
    hmac_sha256_update(&hmac, sizeof little, little);
    hmac_sha256_digest(&hmac, sizeof digest, digest);
    quint32 folded = 0;
    for (int i = 0; i < SHA256_DIGEST_SIZE; ++i)
        folded ^= quint32(digest[i]) << ((i & 3) * 8);
    return folded;
}

QByteArray Rar5Cipher::encryptionRecord(const QByteArray& iv, bool withCheckValue, bool withMacs) const
{
    // Record type 1, version 0 (AES-256), flags 1 (check value) and 2 (MACs).
    QByteArray record = RarBytes::vints({ 0x01, 0, (withCheckValue ? 0x01u : 0u) | (withMacs ? 0x02u : 0u) });
    record.append(char(log2Count));
    record += m_salt + iv + (withCheckValue ? checkValue() : QByteArray());
    return RarBytes::vints({ quint64(record.size()) }) + record;
}
