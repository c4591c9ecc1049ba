#include "Archive/Rar/Decrypt/Rar4Decryptor.h"

#include "Archive/Rar/Decrypt/RarAesCbc.h"
#include "Archive/Rar/Decrypt/RarCrc32.h"
#include "Archive/Rar/Decrypt/RarDecryptSession.h"
#include "Archive/Rar/Decrypt/RarFieldReader.h"
#include "Archive/Rar/Rar4Format.h"
#include "Archive/Rar/RarArchive.h"

#include <QtEndian>

namespace {

using namespace Rar4Format;

constexpr qsizetype markerSize = 7;

constexpr qsizetype hostSystemOffset = 15; // HOST_OS of a file or service header
constexpr quint8 lastHostSystem = 5; // MS DOS, OS/2, Windows, Unix, Mac OS, BeOS
constexpr quint16 maxEndBlockSize = 20; // with data CRC, volume number and reserved space
constexpr quint16 maxFileBlockSize = 4096; // fixed fields, salt and times, and a long name

constexpr quint8 firstAesVersion = 29; // older versions used RAR's own ciphers
constexpr quint8 methodStore = 0x30;

// HEAD_CRC is the low half of the CRC-32 of everything from HEAD_TYPE on.
quint16 checksumOf(QByteArrayView block)
{
    return quint16(RarCrc32::of(block.sliced(2)) & 0xffff);
}

// Whether the first AES block of a header that the file cuts short reads as
// one RAR writes after the archive header: a file or service header (data
// area flag, a plausible size, a known host system) or a short end of
// archive. Noise from a wrong password passes this about once in 150,000
// tries; a bare check of the type byte let one in thirty through as damage.
bool looksLikeBlockStart(QByteArrayView start)
{
    const quint8 type = quint8(start[2]);
    const quint16 flags = qFromLittleEndian<quint16>(start.data() + 3);
    const quint16 size = qFromLittleEndian<quint16>(start.data() + 5);
    if (type == fileBlock || type == serviceBlock)
        return (flags & longBlock) && size >= fileFieldsEnd && size <= maxFileBlockSize
            && quint8(start[hostSystemOffset]) <= lastHostSystem;
    return type == endBlock && size <= maxEndBlockSize;
}

void seal(QByteArray& block)
{
    qToLittleEndian(quint16(block.size()), block.data() + 5);
    qToLittleEndian(checksumOf(block), block.data());
}

} // namespace

Rar4Decryptor::Rar4Decryptor(RarDecryptSession& session, const QString& password)
    : m_session(session)
    , m_password(password)
{
}

bool Rar4Decryptor::run()
{
    QByteArray marker;
    if (!m_session.read(markerSize, &marker) || !m_session.write(marker) || !copyArchiveHeader())
        return false;
    while (m_session.keepGoing()) {
        // Archives written without an end of archive block simply stop.
        if (m_session.atEnd())
            return true;
        Block block;
        if (!readBlock(&block))
            return false;
        if (block.type == endBlock)
            return m_session.write(block.bytes);
        if (!(block.type == fileBlock ? handleFile(block) : skipBlock(block)))
            return false;
    }
    return false;
}

bool Rar4Decryptor::copyArchiveHeader()
{
    Block header;
    if (!readBlock(&header))
        return false;
    if (header.type != archiveBlock)
        return m_session.fail(RarArchive::badArchive);
    if (header.flags & mhdVolume)
        return m_session.fail(RarArchive::unknownFormat);
    m_headersEncrypted = header.flags & mhdPassword;
    qToLittleEndian(quint16(header.flags & ~mhdPassword), header.bytes.data() + 3);
    seal(header.bytes);
    return m_session.write(header.bytes);
}

bool Rar4Decryptor::readBlock(Block* block)
{
    QByteArray rest;
    if (m_headersEncrypted) {
        if (!readEncryptedBlock(&block->bytes))
            return false;
    } else if (!m_session.read(baseSize, &block->bytes)) {
        return false;
    } else {
        const qsizetype size = qFromLittleEndian<quint16>(block->bytes.constData() + 5);
        if (size < baseSize || !m_session.read(size - baseSize, &rest))
            return m_session.fail(RarArchive::badArchive);
        block->bytes += rest;
    }
    block->type = quint8(block->bytes[2]);
    block->flags = qFromLittleEndian<quint16>(block->bytes.constData() + 3);
    const bool oldStyle = block->type >= firstOldStyleBlock && block->type <= lastOldStyleBlock;
    if (oldStyle)
        return true;
    if (checksumOf(block->bytes) != qFromLittleEndian<quint16>(block->bytes.constData()))
        return failBlock();
    if (m_headersEncrypted)
        m_passwordConfirmed = true;
    return true;
}

// Each encrypted block: its salt, then the block zero-padded to whole AES
// blocks, encrypted with the key and IV that salt gives.
bool Rar4Decryptor::readEncryptedBlock(QByteArray* bytes)
{
    QByteArray salt;
    QByteArray rest;
    if (!m_session.read(Rar4KeyDerivation::saltSize, &salt) || !m_session.read(RarAesCbc::blockSize, bytes))
        return false;
    const Rar4Key& key = keyFor(salt);
    RarAesCbc cipher(QByteArrayView(key.key.data(), key.key.size()),
                     QByteArrayView(key.iv.data(), key.iv.size()));
    cipher.decrypt(bytes->data(), bytes->size());
    const qsizetype size = qFromLittleEndian<quint16>(bytes->constData() + 5);
    const qsizetype restSize = RarAesCbc::paddedSize(size) - bytes->size();
    if (size < baseSize)
        return failPasswordOrDamage();
    // The file cuts the block short, so there is no checksum to go by.
    if (restSize > m_session.remaining())
        return looksLikeBlockStart(*bytes) ? m_session.fail(RarArchive::badArchive) : failPasswordOrDamage();
    if (restSize > 0) {
        if (!m_session.read(restSize, &rest))
            return false;
        cipher.decrypt(rest.data(), rest.size());
    }
    bytes->append(rest);
    bytes->truncate(size);
    return true;
}

bool Rar4Decryptor::handleFile(const Block& block)
{
    const std::optional<FileFields> file = parseFile(block);
    if (!file)
        return m_session.fail(RarArchive::badArchive);
    if (block.flags & (lhdSplitBefore | lhdSplitAfter))
        return m_session.fail(RarArchive::unknownFormat);
    if (block.flags & lhdPassword)
        return decryptFile(block, *file);
    return m_session.write(block.bytes) && m_session.copy(qint64(file->packSize));
}

bool Rar4Decryptor::decryptFile(const Block& block, const FileFields& file)
{
    if (file.unpackVersion < firstAesVersion)
        return m_session.fail(RarArchive::unknownFormat);
    const qsizetype saltSize = (block.flags & lhdSalt) ? Rar4KeyDerivation::saltSize : 0;
    const bool stored = file.method == methodStore && file.sizeKnown;
    if (file.nameEnd + saltSize > block.bytes.size() || file.packSize % RarAesCbc::blockSize != 0
        || (stored && file.unpackedSize > file.packSize))
        return m_session.fail(RarArchive::badArchive);

    const quint64 keep = stored ? file.unpackedSize : file.packSize;
    const Rar4Key& key = keyFor(block.bytes.sliced(file.nameEnd, saltSize));
    RarAesCbc cipher(QByteArrayView(key.key.data(), key.key.size()),
                     QByteArrayView(key.iv.data(), key.iv.size()));
    quint32 crc = 0;
    if (!m_session.write(plainFileBlock(block, file, saltSize, keep))
        || !m_session.decrypt(cipher, qint64(file.packSize), qint64(keep), stored ? &crc : nullptr))
        return false;
    if (!stored)
        return true;
    if (crc != file.crc)
        return failPasswordOrDamage();
    m_passwordConfirmed = true;
    return true;
}

// Service blocks and the old-style blocks are dropped, data area and all.
bool Rar4Decryptor::skipBlock(const Block& block)
{
    RarFieldReader reader(block.bytes);
    reader.bytes(baseSize);
    quint64 dataSize = (block.flags & longBlock) ? reader.le32() : 0;
    if (block.type == serviceBlock && (block.flags & lhdLarge)) {
        reader.bytes(fileFieldsEnd - baseSize - 4);
        dataSize |= quint64(reader.le32()) << 32;
    }
    if (!reader.ok() || dataSize > quint64(m_session.remaining()))
        return failBlock();
    return m_session.skip(qint64(dataSize));
}

std::optional<Rar4Decryptor::FileFields> Rar4Decryptor::parseFile(const Block& block)
{
    RarFieldReader reader(block.bytes);
    reader.bytes(baseSize);
    FileFields file;
    file.packSize = reader.le32();
    file.unpackedSize = reader.le32();
    reader.byte(); // HOST_OS
    file.crc = reader.le32();
    reader.le32(); // FTIME
    file.unpackVersion = reader.byte();
    file.method = reader.byte();
    const quint16 nameSize = reader.le16();
    reader.le32(); // ATTR
    // Without LHD_LARGE, an unpacked size of 0xffffffff means "unknown".
    file.sizeKnown = file.unpackedSize != 0xffffffffu;
    if (block.flags & lhdLarge) {
        file.packSize |= quint64(reader.le32()) << 32;
        file.unpackedSize |= quint64(reader.le32()) << 32;
        file.sizeKnown = true;
    }
    reader.bytes(nameSize);
    if (!reader.ok())
        return std::nullopt;
    file.nameEnd = reader.position();
    return file;
}

QByteArray Rar4Decryptor::plainFileBlock(const Block& block, const FileFields& file, qsizetype saltSize,
                                         quint64 packSize)
{
    QByteArray plain = block.bytes;
    plain.remove(file.nameEnd, saltSize);
    qToLittleEndian(quint16(block.flags & ~(lhdPassword | lhdSalt)), plain.data() + 3);
    qToLittleEndian(quint32(packSize), plain.data() + baseSize);
    if (block.flags & lhdLarge)
        qToLittleEndian(quint32(packSize >> 32), plain.data() + fileFieldsEnd);
    seal(plain);
    return plain;
}

const Rar4Key& Rar4Decryptor::keyFor(const QByteArray& salt)
{
    auto found = m_keys.find(salt);
    if (found == m_keys.end())
        found = m_keys.insert(salt, Rar4KeyDerivation::derive(m_password, salt));
    return *found;
}

bool Rar4Decryptor::failBlock()
{
    return m_headersEncrypted ? failPasswordOrDamage() : m_session.fail(RarArchive::badArchive);
}

bool Rar4Decryptor::failPasswordOrDamage()
{
    return m_session.fail(m_passwordConfirmed ? RarArchive::badArchive : RarArchive::badPassword);
}
