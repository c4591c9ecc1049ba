#include "Rar4Cipher.h"

#include <QString>

#include <nettle/aes.h>
#include <nettle/cbc.h>
#include <nettle/sha1.h>

namespace {

constexpr int hashRounds = 0x40000;

} // namespace

Rar4Cipher::Rar4Cipher(const QString& password, const QByteArray& salt)
{
    QByteArray seed;
    for (const QChar unit : password) {
        seed.append(char(unit.cell()));
        seed.append(char(unit.row()));
    }
    seed += salt;

    sha1_ctx sha;
    sha1_init(&sha);
    for (int round = 0; round < hashRounds; ++round) {
        sha1_update(&sha, size_t(seed.size()), reinterpret_cast<const uint8_t*>(seed.constData()));
        const uint8_t counter[3] = { uint8_t(round), uint8_t(round >> 8), uint8_t(round >> 16) };
        sha1_update(&sha, sizeof counter, counter);
        // Every 0x4000 rounds the last byte of the running digest becomes one IV byte.
        if (round % (hashRounds / 16) == 0) {
            sha1_ctx snapshot = sha;
            uint8_t digest[SHA1_DIGEST_SIZE];
            sha1_digest(&snapshot, sizeof digest, digest);
            m_iv[round / (hashRounds / 16)] = digest[19];
        }
    }
    uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_digest(&sha, sizeof digest, digest);
    // The key is the first four digest words, each written little-endian.
    for (int i = 0; i < 16; ++i)
        m_key[i] = digest[i ^ 3];
}

QByteArray Rar4Cipher::encrypt(const QByteArray& data) const
{
    QByteArray padded = data;
    padded.append((AES_BLOCK_SIZE - data.size() % AES_BLOCK_SIZE) % AES_BLOCK_SIZE, '\0');
    aes128_ctx aes;
    aes128_set_encrypt_key(&aes, m_key.data());
    std::array<quint8, 16> iv = m_iv;
    QByteArray out(padded.size(), Qt::Uninitialized);
    cbc_encrypt(&aes, reinterpret_cast<nettle_cipher_func*>(aes128_encrypt), AES_BLOCK_SIZE, iv.data(),
                size_t(padded.size()), reinterpret_cast<uint8_t*>(out.data()),
                reinterpret_cast<const uint8_t*>(padded.constData()));
    return out;
}
