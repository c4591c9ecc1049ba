#include "Archive/Rar/Decrypt/Rar4KeyDerivation.h"

#include <QString>
#include <QtEndian>

#include <nettle/sha1.h>

namespace {

constexpr int hashRounds = 0x40000;
constexpr int ivStep = hashRounds / 16;

quint32 rotateLeft(quint32 value, int bits)
{
    return value << bits | value >> (32 - bits);
}

// The last sixteen words of SHA-1's message schedule for one 64-byte block.
void replaceWithScheduleTail(char* block)
{
    std::array<quint32, 80> words {};
    for (int t = 0; t < 16; ++t)
        words[t] = qFromBigEndian<quint32>(block + 4 * t);
    for (int t = 16; t < 80; ++t)
        words[t] = rotateLeft(words[t - 3] ^ words[t - 8] ^ words[t - 14] ^ words[t - 16], 1);
    for (int k = 0; k < 16; ++k)
        qToLittleEndian(words[64 + k], block + 4 * k);
}

} // namespace

Rar4Key Rar4KeyDerivation::derive(const QString& password, QByteArrayView salt)
{
    QByteArray seed;
    for (const QChar unit : password) {
        seed.append(char(unit.cell()));
        seed.append(char(unit.row()));
    }
    seed += salt;

    Rar4Key result;
    sha1_ctx sha;
    sha1_init(&sha);
    quint64 hashed = 0;
    for (int round = 0; round < hashRounds; ++round) {
        sha1_update(&sha, size_t(seed.size()), reinterpret_cast<const uint8_t*>(seed.constData()));
        scrambleDirectBlocks(seed, hashed);
        hashed += quint64(seed.size());
        const uint8_t counter[3] = { uint8_t(round), uint8_t(round >> 8), uint8_t(round >> 16) };
        sha1_update(&sha, sizeof counter, counter);
        hashed += sizeof counter;
        if (round % ivStep == 0) {
            sha1_ctx snapshot = sha;
            uint8_t digest[SHA1_DIGEST_SIZE];
            sha1_digest(&snapshot, sizeof digest, digest);
            result.iv[round / ivStep] = digest[SHA1_DIGEST_SIZE - 1];
        }
    }
    uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_digest(&sha, sizeof digest, digest);
    // The key is the first four digest words, each stored little-endian.
    for (int i = 0; i < 16; ++i)
        result.key[i] = digest[i ^ 3];
    return result;
}

// RAR's SHA-1 hashes the whole 64-byte blocks that follow the one completing
// its buffer straight from the caller's memory, and leaves its working copy of
// the message schedule there. The password seed is reused every round, so from
// then on the rounds hash those bytes. Only seeds longer than 64 bytes (more
// than 28 password characters with a salt) have such blocks.
void Rar4KeyDerivation::scrambleDirectBlocks(QByteArray& seed, quint64 hashedBefore)
{
    const qsizetype filled = qsizetype(hashedBefore % SHA1_BLOCK_SIZE);
    if (filled + seed.size() < SHA1_BLOCK_SIZE)
        return;
    for (qsizetype offset = SHA1_BLOCK_SIZE - filled; offset + SHA1_BLOCK_SIZE <= seed.size();
         offset += SHA1_BLOCK_SIZE)
        replaceWithScheduleTail(seed.data() + offset);
}
