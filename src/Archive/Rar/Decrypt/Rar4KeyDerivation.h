#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

class QString;

// Key and IV of the AES-128 encryption RAR 2.9 to 4.x use for file data and,
// with encrypted headers, for every block after the archive header.
struct Rar4Key
{
    std::array<quint8, 16> key {};
    std::array<quint8, 16> iv {};
};

// Derives them as RAR does: 0x40000 SHA-1 rounds over the UTF-16LE password,
// the 8-byte salt and a 3-byte round counter; every 0x4000th round gives an IV
// byte, the final digest the key.
class Rar4KeyDerivation
{
public:
    Rar4KeyDerivation() = delete;

    static constexpr int saltSize = 8;

    // `salt` is empty for entries written without one.
    static Rar4Key derive(const QString& password, QByteArrayView salt);

private:
    static void scrambleDirectBlocks(QByteArray& seed, quint64 hashedBefore);
};
