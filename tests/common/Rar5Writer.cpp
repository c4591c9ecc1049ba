#include "Rar5Writer.h"

#include "RarBytes.h"

using namespace RarBytes;

namespace {

constexpr char signature[] = { 0x52, 0x61, 0x72, 0x21, 0x1a, 0x07, 0x01, 0x00 };

constexpr quint64 mainHeaderType = 1;
constexpr quint64 fileHeaderType = 2;
constexpr quint64 encryptionHeaderType = 4;
constexpr quint64 endOfArchiveType = 5;

// Flags every header has
constexpr quint64 hasExtraArea = 0x0001;
constexpr quint64 hasDataArea = 0x0002;
constexpr quint64 headerSplitBefore = 0x0008; // data continues from the previous volume
constexpr quint64 headerSplitAfter = 0x0010; // data continues in the next volume

// Main archive header
constexpr quint64 archiveVolume = 0x0001;
constexpr quint64 hasVolumeNumber = 0x0002;
constexpr quint64 archiveSolid = 0x0004;

// File header
constexpr quint64 fileDirectory = 0x0001;
constexpr quint64 hasUnixTime = 0x0002;
constexpr quint64 hasCrc32 = 0x0004;

// File encryption record (extra record type 0x01) and archive encryption header
constexpr quint64 encryptionRecordType = 0x01;
constexpr quint64 aes256 = 0;
constexpr quint64 hasPasswordCheck = 0x0001;
constexpr quint64 checksumsAreMacs = 0x0002;

constexpr quint64 solidCompression = 0x0040; // compression information: version 0, method 0 (store)
constexpr quint64 hostUnix = 1;
constexpr quint64 endNotLastVolume = 0x0001;
constexpr quint64 modeFile = 0100644;
constexpr quint64 modeDirectory = 040755;

QByteArray header(quint64 type, quint64 flags, const QByteArray& fields, qsizetype dataSize = -1,
                  const QByteArray& extra = {})
{
    QByteArray body;
    appendVint(body, type);
    appendVint(body, flags | (dataSize >= 0 ? hasDataArea : 0) | (extra.isEmpty() ? 0 : hasExtraArea));
    if (!extra.isEmpty())
        appendVint(body, quint64(extra.size()));
    if (dataSize >= 0)
        appendVint(body, quint64(dataSize));
    return rar5Header(body + fields + extra);
}

QByteArray endOfArchive(bool isLast)
{
    QByteArray fields;
    appendVint(fields, isLast ? 0 : endNotLastVolume);
    return header(endOfArchiveType, 0, fields);
}

} // namespace

Rar5Writer::Rar5Writer(const QList<RarFixtureEntry>& entries, const RarFixtureOptions& options)
    : m_entries(entries)
    , m_options(options)
{
    // One salt for the whole archive, as rar uses; an IV per file.
    if (!options.password.isEmpty())
        m_cipher.emplace(options.password, randomBytes(Rar5Cipher::saltSize));
    for (qsizetype entry = 0; entry < entries.size(); ++entry) {
        const bool encrypted = m_cipher && !entries[entry].isDirectory;
        m_ivs.append(encrypted ? randomBytes(Rar5Cipher::ivSize) : QByteArray());
        m_packed.append(encrypted ? m_cipher->encrypt(entries[entry].data, m_ivs.last())
                                  : entries[entry].data);
    }
}

QList<QByteArray> Rar5Writer::build(qsizetype volumeSize) const
{
    QList<qsizetype> packedSizes;
    QList<qsizetype> headerSizes;
    for (qsizetype entry = 0; entry < m_entries.size(); ++entry) {
        packedSizes.append(m_packed[entry].size());
        // The whole size is the widest data-size field any slice can need.
        headerSizes.append(seal(fileHeader({ entry, 0, packedSizes.last() })).size());
    }
    const qsizetype overhead = qsizetype(sizeof signature) + encryptionHeader().size()
        + seal(mainHeader(true, 0xffff)).size() + seal(endOfArchive(false)).size();
    const RarVolumeLayout layout = layoutVolumes(packedSizes, headerSizes, overhead, volumeSize);

    QList<QByteArray> volumes;
    for (int index = 0; index < layout.size(); ++index)
        volumes.append(volume(layout[index], index, volumeSize > 0, index + 1 == layout.size()));
    return volumes;
}

QByteArray Rar5Writer::volume(const QList<RarPart>& parts, int index, bool isVolumeSet, bool isLast) const
{
    QByteArray out(signature, sizeof signature);
    out += encryptionHeader() + seal(mainHeader(isVolumeSet, index));
    for (const RarPart& part : parts)
        out += seal(fileHeader(part)) + m_packed[part.entry].mid(part.offset, part.size);
    return out + seal(endOfArchive(isLast));
}

// With encrypted headers: version, flags, KDF count, salt, check value.
QByteArray Rar5Writer::encryptionHeader() const
{
    if (!m_options.encryptHeaders)
        return {};
    QByteArray fields;
    appendVint(fields, aes256);
    appendVint(fields, m_options.omitPasswordCheck ? 0 : hasPasswordCheck);
    fields.append(char(Rar5Cipher::log2Count));
    fields += m_cipher->salt();
    if (!m_options.omitPasswordCheck)
        fields += m_cipher->checkValue();
    return header(encryptionHeaderType, 0, fields);
}

// The first volume carries no number; the second is 1, the third 2, ...
QByteArray Rar5Writer::mainHeader(bool isVolumeSet, int index) const
{
    quint64 flags = (m_options.solid ? archiveSolid : 0u);
    if (isVolumeSet)
        flags |= archiveVolume | (index > 0 ? hasVolumeNumber : 0u);
    QByteArray fields;
    appendVint(fields, flags);
    if (isVolumeSet && index > 0)
        appendVint(fields, quint64(index));
    return header(mainHeaderType, 0, fields);
}

QByteArray Rar5Writer::fileHeader(const RarPart& part) const
{
    const RarFixtureEntry& entry = m_entries[part.entry];
    const QByteArray name = entry.name.toUtf8();
    // As in RAR4, a slice that continues elsewhere carries the CRC of its own bytes.
    const QByteArray slice = entry.data.mid(part.offset, part.size);
    quint32 crc = crc32(part.splitAfter ? QByteArrayView(slice) : QByteArrayView(entry.data));
    if (isEncrypted(part.entry) && !m_options.plainChecksums)
        crc = m_cipher->mac(crc);

    QByteArray fields;
    appendVint(fields, hasUnixTime | (entry.isDirectory ? fileDirectory : hasCrc32));
    appendVint(fields, quint64(entry.data.size()));
    appendVint(fields, entry.isDirectory ? modeDirectory : modeFile);
    appendLe32(fields, quint32(entry.modified.toSecsSinceEpoch()));
    if (!entry.isDirectory)
        appendLe32(fields, crc);
    appendVint(fields, m_options.solid && part.entry > 0 && !entry.isDirectory ? solidCompression : 0);
    appendVint(fields, hostUnix);
    appendVint(fields, quint64(name.size()));
    fields += name;

    const quint64 flags
        = (part.splitBefore ? headerSplitBefore : 0) | (part.splitAfter ? headerSplitAfter : 0);
    return header(fileHeaderType, flags, fields, part.size, encryptionRecord(part.entry));
}

// Size, type, then version, flags, KDF count, salt, IV and the check value.
QByteArray Rar5Writer::encryptionRecord(qsizetype entry) const
{
    if (!isEncrypted(entry))
        return {};
    QByteArray record;
    appendVint(record, encryptionRecordType);
    appendVint(record, aes256);
    appendVint(record,
               (m_options.omitPasswordCheck ? 0 : hasPasswordCheck)
                   | (m_options.plainChecksums ? 0 : checksumsAreMacs));
    record.append(char(Rar5Cipher::log2Count));
    record += m_cipher->salt() + m_ivs[entry];
    if (!m_options.omitPasswordCheck)
        record += m_cipher->checkValue();
    QByteArray sized;
    appendVint(sized, quint64(record.size()));
    return sized + record;
}

// With encrypted headers each header is preceded by a fresh IV and encrypted
// whole, zero-padded to 16 bytes; its CRC and size describe the plain header.
QByteArray Rar5Writer::seal(const QByteArray& plain) const
{
    if (!m_options.encryptHeaders)
        return plain;
    const QByteArray iv = randomBytes(Rar5Cipher::ivSize);
    return iv + m_cipher->encrypt(plain, iv);
}

bool Rar5Writer::isEncrypted(qsizetype entry) const
{
    return !m_ivs[entry].isEmpty();
}
