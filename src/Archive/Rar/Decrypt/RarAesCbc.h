#pragma once

#include <QByteArrayView>

#include <array>

#include <nettle/aes.h>

// AES-CBC decryption as both RAR formats use it: AES-128 (RAR 2.9 to 4.x) or
// AES-256 (RAR5), no padding scheme, the chain carried on from one call to
// the next so data can be decrypted in chunks.
class RarAesCbc
{
public:
    static constexpr int blockSize = AES_BLOCK_SIZE;

    // `key` has 16 or 32 bytes, `iv` 16.
    RarAesCbc(QByteArrayView key, QByteArrayView iv);

    // Decrypts in place; `size` is a multiple of the block size.
    void decrypt(char* data, qsizetype size);

    static qsizetype paddedSize(qsizetype size) { return (size + blockSize - 1) / blockSize * blockSize; }

private:
    bool m_aes256 = false;
    aes128_ctx m_aes128 {};
    aes256_ctx m_aes256Context {};
    std::array<quint8, blockSize> m_iv {};
};
