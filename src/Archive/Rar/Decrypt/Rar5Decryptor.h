#pragma once

#include "Archive/Rar/Decrypt/Rar5Header.h"
#include "Archive/Rar/Decrypt/Rar5KeyDerivation.h"

#include <QHash>
#include <QString>

#include <optional>

class RarDecryptSession;

// Rewrites a RAR5 archive in plain form. Encrypted headers (after an archive
// encryption header) are decrypted and written as plain headers; each file
// with an encryption record gets its data decrypted and loses the record.
// Padding is cut off: stored data at its real size, where its checksum is
// verified too, compressed data after its last block (libarchive would read
// the padding as one more). Both also reveal a wrong password where no check
// value is stored. MAC-converted
// checksums cannot be turned back: a stored file's is replaced by the real
// CRC once verified, a compressed file's is dropped (with any BLAKE2 hash),
// so the password check value alone vouches for it. Service headers (comment,
// quick open, recovery record) and the main header's extra area are left out:
// their offsets and copies would be stale.
class Rar5Decryptor
{
public:
    Rar5Decryptor(RarDecryptSession& session, const QString& password);

    // The input stands at the start of the archive, on its signature.
    bool run();

private:
    bool readHeader(Rar5Header* header);
    bool readPlainHeader(QByteArray* checked, quint32* crc);
    bool readEncryptedHeader(QByteArray* checked, quint32* crc);
    bool startHeaderEncryption(const Rar5Header& header);
    bool handleMain(const Rar5Header& header);
    bool handleFile(const Rar5Header& header);
    bool decryptFile(Rar5Header header, Rar5Header::FileFields fields,
                     const QList<Rar5Header::ExtraRecord>& records, const Rar5Header::ExtraRecord& record);
    bool compressedLength(const Rar5Keys& keys, QByteArrayView iv, qint64 size, qint64* length);
    bool peekPlain(const Rar5Keys& keys, QByteArrayView iv, qint64 offset, qint64 count, QByteArray* plain);
    bool checkPassword(QByteArrayView checkValue, const Rar5Keys& keys);
    const Rar5Keys& keysFor(const QByteArray& salt, int log2Count);
    // A failure a wrong password explains, until the password has proven right.
    bool failPasswordOrDamage();

    RarDecryptSession& m_session;
    QString m_password;
    std::optional<Rar5Keys> m_headerKeys;
    bool m_passwordConfirmed = false;
    QHash<QByteArray, Rar5Keys> m_keys;
};
