#pragma once

#include "Archive/Rar/Decrypt/Rar4KeyDerivation.h"

#include <QHash>
#include <QString>

#include <optional>

class RarDecryptSession;

// Rewrites a RAR 2.9-4.x archive (marker block, archive header, file blocks,
// end of archive) in plain form. With MHD_PASSWORD every block after the
// archive header is decrypted and written plain; each file block with
// LHD_PASSWORD gets its data decrypted and loses the flag and its salt.
// Stored data is cut to its real size and its CRC compared, which is the
// only wrong-password check this format allows; compressed data keeps its
// padding, which the decoder never reaches, and is checked by whoever
// unpacks it. Service and old-style blocks (comments, recovery record,
// authenticity information) are left out.
class Rar4Decryptor
{
public:
    Rar4Decryptor(RarDecryptSession& session, const QString& password);

    // The input stands at the start of the archive, on its marker block.
    bool run();

private:
    struct Block
    {
        QByteArray bytes; // the whole block header, from HEAD_CRC on
        quint8 type = 0;
        quint16 flags = 0;
    };

    struct FileFields
    {
        quint64 packSize = 0;
        quint64 unpackedSize = 0;
        bool sizeKnown = true;
        quint32 crc = 0;
        quint8 unpackVersion = 0;
        quint8 method = 0;
        qsizetype nameEnd = 0; // where the salt, if any, starts
    };

    bool copyArchiveHeader();
    bool readBlock(Block* block);
    bool readEncryptedBlock(QByteArray* bytes);
    bool handleFile(const Block& block);
    bool decryptFile(const Block& block, const FileFields& file);
    bool skipBlock(const Block& block);
    static std::optional<FileFields> parseFile(const Block& block);
    static QByteArray plainFileBlock(const Block& block, const FileFields& file, qsizetype saltSize,
                                     quint64 packSize);
    const Rar4Key& keyFor(const QByteArray& salt);
    // A failure a wrong password explains, until the password has proven right.
    bool failPasswordOrDamage();
    // A block that makes no sense: a wrong password explains it if it was encrypted.
    bool failBlock();

    RarDecryptSession& m_session;
    QString m_password;
    bool m_headersEncrypted = false;
    bool m_passwordConfirmed = false;
    QHash<QByteArray, Rar4Key> m_keys;
};
