#pragma once

#include <QByteArray>

class QString;

// Encrypts the file data of an existing, unencrypted, single-volume RAR
// archive as rar -p would have: real compressed streams can then be tested
// encrypted, though no free tool writes either. RAR4: AES-128 with a salt per
// file. RAR5: AES-256 with one salt and an IV per file, a password check
// value and MAC checksums (rar's defaults); BLAKE2 hash records are dropped.
// Headers stay plain. An empty result (and a warning) for input it cannot
// handle.
class RarArchiveEncryptor
{
public:
    RarArchiveEncryptor() = delete;

    static QByteArray encrypt(const QByteArray& archive, const QString& password);

private:
    static QByteArray encryptRar4(const QByteArray& archive, const QString& password);
    static QByteArray encryptRar5(const QByteArray& archive, const QString& password);
};
