#include "RarArchiveEncryptor.h"

#include "Rar4Cipher.h"
#include "Rar5Cipher.h"
#include "RarBytes.h"

#include <QString>
#include <QtDebug>
#include <QtEndian>

using namespace RarBytes;

namespace {

const QByteArray rar4Marker = QByteArrayLiteral("Rar!\x1a\x07\x00");
const QByteArray rar5Signature = QByteArrayLiteral("Rar!\x1a\x07\x01\x00");

// RAR4 block and file header fields (technote.txt)
constexpr quint8 fileBlock = 0x74;
constexpr quint16 lhdPassword = 0x0004;
constexpr quint16 lhdDirectory = 0x00e0;
constexpr quint16 lhdLarge = 0x0100;
constexpr quint16 lhdSalt = 0x0400;
constexpr quint16 longBlock = 0x8000;
constexpr quint8 firstAesVersion = 29;

quint16 le16At(const QByteArray& data, qsizetype offset)
{
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

quint32 le32At(const QByteArray& data, qsizetype offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

quint64 readVint(const QByteArray& data, qsizetype* offset)
{
    quint64 value = 0;
    for (int shift = 0; *offset < data.size(); shift += 7) {
        const quint8 byte = quint8(data[(*offset)++]);
        value |= quint64(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            break;
    }
    return value;
}

// Inserts the salt after the name, sets LHD_PASSWORD and LHD_SALT, and
// describes the padded, encrypted data.
QByteArray encryptedRar4Block(const QByteArray& block, const QByteArray& salt, qsizetype packSize)
{
    QByteArray fields = block.sliced(7);
    fields.insert(25 + le16At(block, 26), salt);
    qToLittleEndian(quint32(packSize), fields.data());
    return rar4Block(fileBlock, le16At(block, 3) | lhdPassword | lhdSalt, fields);
}

// Drops BLAKE2 hash records (they would need MACs too) and adds the file
// encryption record with a check value and MAC checksums, as rar writes it.
QByteArray encryptedRar5Extra(const QByteArray& extra, const Rar5Cipher& cipher, const QByteArray& iv)
{
    QByteArray kept;
    for (qsizetype offset = 0; offset < extra.size();) {
        const qsizetype start = offset;
        const quint64 size = readVint(extra, &offset);
        qsizetype typeOffset = offset;
        const quint64 type = readVint(extra, &typeOffset);
        offset += qsizetype(size);
        if (type != 0x02)
            kept += extra.sliced(start, offset - start);
    }
    return cipher.encryptionRecord(iv, true, true) + kept;
}

// Replaces the data CRC in a file header's fields with its MAC.
QByteArray withMacCrc(QByteArray fields, const Rar5Cipher& cipher)
{
    qsizetype offset = 0;
    const quint64 fileFlags = readVint(fields, &offset);
    readVint(fields, &offset); // unpacked size
    readVint(fields, &offset); // attributes
    if (fileFlags & 0x0002)
        offset += 4;
    if (fileFlags & 0x0004)
        qToLittleEndian(cipher.mac(le32At(fields, offset)), fields.data() + offset);
    return fields;
}

} // namespace

QByteArray RarArchiveEncryptor::encrypt(const QByteArray& archive, const QString& password)
{
    if (archive.startsWith(rar5Signature))
        return encryptRar5(archive, password);
    if (archive.startsWith(rar4Marker))
        return encryptRar4(archive, password);
    qWarning() << "RarArchiveEncryptor: not a RAR archive";
    return {};
}

QByteArray RarArchiveEncryptor::encryptRar4(const QByteArray& archive, const QString& password)
{
    QByteArray out = rar4Marker;
    for (qsizetype offset = rar4Marker.size(); offset + 7 <= archive.size();) {
        const QByteArray block = archive.mid(offset, le16At(archive, offset + 5));
        const quint16 flags = le16At(block, 3);
        const qsizetype dataSize = (flags & longBlock) ? le32At(block, 7) : 0;
        const QByteArray data = archive.mid(offset + block.size(), dataSize);
        offset += block.size() + dataSize;
        const bool isFile = quint8(block[2]) == fileBlock && (flags & lhdDirectory) != lhdDirectory;
        if (!isFile) {
            out += block + data;
            continue;
        }
        if ((flags & (lhdLarge | lhdPassword)) || quint8(block[24]) < firstAesVersion) {
            qWarning() << "RarArchiveEncryptor: unsupported RAR4 file block";
            return {};
        }
        const QByteArray salt = randomBytes(Rar4Cipher::saltSize);
        const QByteArray encrypted = Rar4Cipher(password, salt).encrypt(data);
        out += encryptedRar4Block(block, salt, encrypted.size()) + encrypted;
    }
    return out;
}

QByteArray RarArchiveEncryptor::encryptRar5(const QByteArray& archive, const QString& password)
{
    const Rar5Cipher cipher(password, randomBytes(Rar5Cipher::saltSize));
    QByteArray out = rar5Signature;
    for (qsizetype offset = rar5Signature.size(); offset < archive.size();) {
        const qsizetype start = offset;
        offset += 4;
        const quint64 size = readVint(archive, &offset);
        const qsizetype bodyEnd = offset + qsizetype(size);
        const quint64 type = readVint(archive, &offset);
        const quint64 flags = readVint(archive, &offset);
        const qsizetype extraSize = (flags & 1) ? qsizetype(readVint(archive, &offset)) : 0;
        const qsizetype dataSize = (flags & 2) ? qsizetype(readVint(archive, &offset)) : 0;
        const QByteArray fields = archive.mid(offset, bodyEnd - extraSize - offset);
        const QByteArray extra = archive.mid(bodyEnd - extraSize, extraSize);
        const QByteArray data = archive.mid(bodyEnd, dataSize);
        offset = bodyEnd + dataSize;
        qsizetype fieldsOffset = 0;
        const bool isFile = type == 2 && !(readVint(fields, &fieldsOffset) & 0x0001);
        if (!isFile) {
            out += archive.mid(start, offset - start);
            continue;
        }
        const QByteArray iv = randomBytes(Rar5Cipher::ivSize);
        const QByteArray encrypted = cipher.encrypt(data, iv);
        out += rar5Block(type, flags & ~quint64(3), withMacCrc(fields, cipher), encrypted.size(),
                         encryptedRar5Extra(extra, cipher, iv))
            + encrypted;
    }
    return out;
}
