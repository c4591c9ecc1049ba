#include "Archive/Rar/Decrypt/Rar5Decryptor.h"

#include "Archive/Rar/Decrypt/RarAesCbc.h"
#include "Archive/Rar/Decrypt/RarCrc32.h"
#include "Archive/Rar/Decrypt/RarDecryptSession.h"
#include "Archive/Rar/Decrypt/RarFieldReader.h"
#include "Archive/Rar/RarArchive.h"

#include <QtEndian>

namespace {

constexpr char signature[] = { 0x52, 0x61, 0x72, 0x21, 0x1a, 0x07, 0x01, 0x00 };

// The size field has at most 3 bytes, so no header exceeds 2 MiB.
constexpr int maxSizeBytes = 3;
constexpr quint64 maxHeaderSize = 1 << 21;

constexpr quint64 archiveIsVolume = 0x0001;

// Compressed data is a series of blocks, each with a 3 to 5 byte header:
// flags, checksum, then the block's size in 1 to 3 bytes.
constexpr quint8 blockSizeBytesShift = 3;
constexpr quint8 lastBlockFlag = 0x40;
constexpr quint8 blockChecksumSeed = 0x5a;

QByteArrayView asBytes(const auto& array)
{
    return QByteArrayView(reinterpret_cast<const char*>(array.data()), qsizetype(array.size()));
}

// Whether the first decrypted block of a header that the file cuts short
// reads as the start of a real one: a main header (with its locator record)
// or a file or service header, the only ones long enough to span blocks.
// Noise from a wrong password passes this about once in four thousand tries.
bool looksLikeLongHeaderStart(const QByteArray& block)
{
    constexpr quint64 knownFlags = 0x7f;
    constexpr quint64 knownArchiveFlags = 0x1f;
    constexpr quint64 knownFileFlags = 0x0f;
    RarFieldReader reader(block);
    reader.le32(); // CRC-32
    const quint64 size = reader.vint();
    const quint64 type = reader.vint();
    const quint64 flags = reader.vint();
    const bool isMain = type == Rar5Header::mainType;
    if ((!isMain && type != Rar5Header::fileType && type != Rar5Header::serviceType)
        || (flags & ~knownFlags) != 0 || bool(flags & Rar5Header::hasDataArea) == isMain)
        return false;
    if ((flags & Rar5Header::hasExtraArea) && reader.vint() >= size)
        return false;
    if (!isMain)
        reader.vint(); // data size
    const quint64 ownFlags = reader.vint();
    return reader.ok() && (ownFlags & ~(isMain ? knownArchiveFlags : knownFileFlags)) == 0;
}

// The extra records a plain file keeps: not the encryption record, nor a hash
// turned into a MAC.
QByteArray keptRecords(const QList<Rar5Header::ExtraRecord>& records, bool usesMac)
{
    QByteArray kept;
    for (const Rar5Header::ExtraRecord& record : records) {
        if (record.type != Rar5Header::ExtraRecord::encryptionType
            && !(usesMac && record.type == Rar5Header::ExtraRecord::hashType))
            kept += record.whole;
    }
    return kept;
}

} // namespace

Rar5Decryptor::Rar5Decryptor(RarDecryptSession& session, const QString& password)
    : m_session(session)
    , m_password(password)
{
}

bool Rar5Decryptor::run()
{
    QByteArray start;
    if (!m_session.read(sizeof signature, &start) || !m_session.write(start))
        return false;
    for (bool first = true;; first = false) {
        Rar5Header header;
        if (!m_session.keepGoing() || !readHeader(&header))
            return false;
        if (header.type == Rar5Header::encryptionType) {
            // Only the header right after the signature may start encryption.
            if (!first)
                return m_session.fail(RarArchive::badArchive);
            if (!startHeaderEncryption(header))
                return false;
            continue;
        }
        bool handled = true;
        switch (header.type) {
        case Rar5Header::mainType:
            handled = handleMain(header);
            break;
        case Rar5Header::fileType:
            handled = handleFile(header);
            break;
        case Rar5Header::endType:
            return m_session.write(header.serialize());
        default: // service headers and what a later RAR may add
            handled = m_session.skip(qint64(header.dataSize.value_or(0)));
        }
        if (!handled)
            return false;
    }
}

bool Rar5Decryptor::readHeader(Rar5Header* header)
{
    // Without an end of archive header the archive is incomplete.
    if (m_session.atEnd())
        return m_session.fail(RarArchive::badArchive);
    QByteArray checked;
    quint32 crc = 0;
    if (!(m_headerKeys ? readEncryptedHeader(&checked, &crc) : readPlainHeader(&checked, &crc)))
        return false;
    if (RarCrc32::of(checked) != crc)
        return m_headerKeys ? failPasswordOrDamage() : m_session.fail(RarArchive::badArchive);
    if (m_headerKeys)
        m_passwordConfirmed = true;
    RarFieldReader sizeField(checked);
    sizeField.vint();
    const std::optional<Rar5Header> parsed
        = Rar5Header::parse(QByteArrayView(checked).sliced(sizeField.position()));
    if (!parsed)
        return m_session.fail(RarArchive::badArchive);
    *header = *parsed;
    return true;
}

// `checked` receives the size field and the body: what the CRC covers.
bool Rar5Decryptor::readPlainHeader(QByteArray* checked, quint32* crc)
{
    QByteArray crcBytes;
    if (!m_session.read(4, &crcBytes))
        return false;
    *crc = qFromLittleEndian<quint32>(crcBytes.constData());
    checked->clear();
    QByteArray part;
    do {
        if (checked->size() == maxSizeBytes || !m_session.read(1, &part))
            return m_session.fail(RarArchive::badArchive);
        checked->append(part);
    } while (part[0] & 0x80);
    const quint64 size = RarFieldReader(*checked).vint();
    if (size == 0 || size > maxHeaderSize || !m_session.read(qint64(size), &part))
        return m_session.fail(RarArchive::badArchive);
    checked->append(part);
    return true;
}

// Each encrypted header: its own IV, then CRC, size and body, encrypted and
// zero-padded to whole AES blocks.
bool Rar5Decryptor::readEncryptedHeader(QByteArray* checked, quint32* crc)
{
    QByteArray iv;
    QByteArray block;
    if (!m_session.read(RarAesCbc::blockSize, &iv) || !m_session.read(RarAesCbc::blockSize, &block))
        return false;
    RarAesCbc cipher(asBytes(m_headerKeys->key), iv);
    cipher.decrypt(block.data(), block.size());
    RarFieldReader reader(block);
    *crc = reader.le32();
    const quint64 size = reader.vint();
    const qint64 sizeEnd = reader.position();
    const qint64 total = sizeEnd + qint64(size);
    reader.vint(); // the type, which must at least be there
    if (!reader.ok() || sizeEnd > 4 + maxSizeBytes || size == 0 || size > maxHeaderSize)
        return failPasswordOrDamage();
    QByteArray rest;
    const qint64 restSize = RarAesCbc::paddedSize(total) - block.size();
    // A header that the file cuts short has no checksum to go by.
    if (restSize > m_session.remaining())
        return looksLikeLongHeaderStart(block) ? m_session.fail(RarArchive::badArchive)
                                               : failPasswordOrDamage();
    if (!m_session.read(restSize, &rest))
        return false;
    cipher.decrypt(rest.data(), rest.size());
    block.append(rest);
    *checked = block.sliced(4, total - 4);
    return true;
}

bool Rar5Decryptor::startHeaderEncryption(const Rar5Header& header)
{
    const auto encryption = Rar5Header::ArchiveEncryption::parse(header.fields);
    if (!encryption)
        return m_session.fail(RarArchive::badArchive);
    if (encryption->version != 0 || encryption->log2Count > Rar5KeyDerivation::maxLog2Count)
        return m_session.fail(RarArchive::unknownFormat);
    m_headerKeys = keysFor(encryption->salt, encryption->log2Count);
    return checkPassword(encryption->checkValue, *m_headerKeys);
}

bool Rar5Decryptor::handleMain(const Rar5Header& header)
{
    RarFieldReader reader(header.fields);
    const quint64 archiveFlags = reader.vint();
    if (!reader.ok())
        return m_session.fail(RarArchive::badArchive);
    if (archiveFlags & archiveIsVolume)
        return m_session.fail(RarArchive::unknownFormat);
    Rar5Header plain = header;
    plain.extra.clear();
    return m_session.write(plain.serialize());
}

bool Rar5Decryptor::handleFile(const Rar5Header& header)
{
    if (header.flags & (Rar5Header::splitBefore | Rar5Header::splitAfter))
        return m_session.fail(RarArchive::unknownFormat);
    const auto fields = Rar5Header::FileFields::parse(header.fields);
    const auto records = Rar5Header::ExtraRecord::parseAll(header.extra);
    if (!fields || !records)
        return m_session.fail(RarArchive::badArchive);
    for (const Rar5Header::ExtraRecord& record : *records) {
        if (record.type == Rar5Header::ExtraRecord::encryptionType)
            return decryptFile(header, *fields, *records, record);
    }
    return m_session.write(header.serialize()) && m_session.copy(qint64(header.dataSize.value_or(0)));
}

bool Rar5Decryptor::decryptFile(Rar5Header header, Rar5Header::FileFields fields,
                                const QList<Rar5Header::ExtraRecord>& records,
                                const Rar5Header::ExtraRecord& record)
{
    using Encryption = Rar5Header::FileEncryption;
    const auto encryption = Encryption::parse(record.data);
    if (!encryption)
        return m_session.fail(RarArchive::badArchive);
    if (encryption->version != 0 || encryption->log2Count > Rar5KeyDerivation::maxLog2Count)
        return m_session.fail(RarArchive::unknownFormat);
    const Rar5Keys keys = keysFor(encryption->salt, encryption->log2Count);
    if (!checkPassword(encryption->checkValue, keys))
        return false;

    const qint64 size = qint64(header.dataSize.value_or(0));
    const bool trim = fields.isStored() && !(fields.flags & Rar5Header::FileFields::sizeUnknown);
    if (size % RarAesCbc::blockSize != 0 || (trim && fields.unpackedSize > quint64(size)))
        return m_session.fail(RarArchive::badArchive);
    qint64 keep = trim ? qint64(fields.unpackedSize) : size;
    if (!fields.isStored() && !compressedLength(keys, encryption->iv, size, &keep))
        return false;
    const bool usesMac = encryption->flags & Encryption::usesMac;
    const bool verify = trim && (fields.flags & Rar5Header::FileFields::hasCrc);
    if (usesMac && !verify)
        fields.flags &= ~Rar5Header::FileFields::hasCrc;

    header.extra = keptRecords(records, usesMac);
    header.dataSize = quint64(keep);
    header.fields = fields.serialize();
    const qint64 position = m_session.outputPosition();
    RarAesCbc cipher(asBytes(keys.key), encryption->iv);
    quint32 crc = 0;
    if (!m_session.write(header.serialize())
        || !m_session.decrypt(cipher, size, keep, verify ? &crc : nullptr))
        return false;
    if (!verify)
        return true;
    if ((usesMac ? Rar5KeyDerivation::macOf(crc, keys.hashKey) : crc) != fields.crc)
        return failPasswordOrDamage();
    m_passwordConfirmed = true;
    // The header went out with the MAC; it gets the CRC it stands for.
    fields.crc = crc;
    header.fields = fields.serialize();
    return m_session.rewrite(position, header.serialize());
}

// Walks the blocks, decrypting only their headers, to the one marked last.
// The walk ends early in the padding only when no last block is marked.
bool Rar5Decryptor::compressedLength(const Rar5Keys& keys, QByteArrayView iv, qint64 size, qint64* length)
{
    qint64 position = 0;
    while (position < size) {
        QByteArray head;
        if (!peekPlain(keys, iv, position, std::min<qint64>(5, size - position), &head))
            return false;
        const qsizetype sizeBytes = ((quint8(head[0]) >> blockSizeBytesShift) & 3) + 1;
        quint32 blockSize = 0;
        quint8 checksum = blockChecksumSeed ^ quint8(head[0]);
        for (qsizetype i = 0; i < sizeBytes && 2 + i < head.size(); ++i) {
            blockSize |= quint32(quint8(head[2 + i])) << (8 * i);
            checksum ^= quint8(head[2 + i]);
        }
        const qint64 next = position + 2 + sizeBytes + blockSize;
        if (head.size() < 2 || sizeBytes > 3 || checksum != quint8(head[1]) || next > size)
            break;
        position = next;
        if (quint8(head[0]) & lastBlockFlag)
            break;
    }
    if ((position == 0 && size > 0) || size - position >= RarAesCbc::blockSize)
        return failPasswordOrDamage();
    *length = position;
    return true;
}

// CBC lets any block be decrypted from the cipher block before it.
bool Rar5Decryptor::peekPlain(const Rar5Keys& keys, QByteArrayView iv, qint64 offset, qint64 count,
                              QByteArray* plain)
{
    const qint64 first = offset / RarAesCbc::blockSize * RarAesCbc::blockSize;
    const qint64 end = RarAesCbc::paddedSize(offset + count);
    QByteArray chain = iv.toByteArray();
    QByteArray blocks;
    if ((first > 0 && !m_session.peek(first - RarAesCbc::blockSize, RarAesCbc::blockSize, &chain))
        || !m_session.peek(first, end - first, &blocks))
        return false;
    RarAesCbc(asBytes(keys.key), chain).decrypt(blocks.data(), blocks.size());
    *plain = blocks.sliced(offset - first, count);
    return true;
}

bool Rar5Decryptor::checkPassword(QByteArrayView checkValue, const Rar5Keys& keys)
{
    if (!Rar5KeyDerivation::isCheckValueIntact(checkValue))
        return true;
    if (checkValue.first(keys.passwordCheck.size()) != asBytes(keys.passwordCheck))
        return m_session.fail(RarArchive::badPassword);
    m_passwordConfirmed = true;
    return true;
}

const Rar5Keys& Rar5Decryptor::keysFor(const QByteArray& salt, int log2Count)
{
    const QByteArray id = salt + char(log2Count);
    auto found = m_keys.find(id);
    if (found == m_keys.end())
        found = m_keys.insert(id, Rar5KeyDerivation::derive(m_password, salt, log2Count));
    return *found;
}

bool Rar5Decryptor::failPasswordOrDamage()
{
    return m_session.fail(m_passwordConfirmed ? RarArchive::badArchive : RarArchive::badPassword);
}
