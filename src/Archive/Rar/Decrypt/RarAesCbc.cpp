#include "Archive/Rar/Decrypt/RarAesCbc.h"

#include <algorithm>

#include <nettle/cbc.h>

RarAesCbc::RarAesCbc(QByteArrayView key, QByteArrayView iv)
    : m_aes256(key.size() == AES256_KEY_SIZE)
{
    Q_ASSERT(key.size() == AES128_KEY_SIZE || key.size() == AES256_KEY_SIZE);
    Q_ASSERT(iv.size() == blockSize);
    const auto* keyBytes = reinterpret_cast<const uint8_t*>(key.data());
    if (m_aes256)
        aes256_set_decrypt_key(&m_aes256Context, keyBytes);
    else
        aes128_set_decrypt_key(&m_aes128, keyBytes);
    std::copy_n(reinterpret_cast<const quint8*>(iv.data()), blockSize, m_iv.begin());
}

void RarAesCbc::decrypt(char* data, qsizetype size)
{
    Q_ASSERT(size % blockSize == 0);
    auto* bytes = reinterpret_cast<uint8_t*>(data);
    if (m_aes256)
        cbc_decrypt(&m_aes256Context, reinterpret_cast<nettle_cipher_func*>(aes256_decrypt), blockSize,
                    m_iv.data(), size_t(size), bytes, bytes);
    else
        cbc_decrypt(&m_aes128, reinterpret_cast<nettle_cipher_func*>(aes128_decrypt), blockSize, m_iv.data(),
                    size_t(size), bytes, bytes);
}
