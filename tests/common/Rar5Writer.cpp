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

// Archive encryption header
constexpr quint64 aes256 = 0;
constexpr quint64 hasPasswordCheck = 0x0001;

constexpr quint64 solidCompression = 0x0040; // compression information: version 0, method 0 (store)
constexpr quint64 hostUnix = 1;
constexpr quint64 endNotLastVolume = 0x0001;
constexpr quint64 modeFile = 0100644;
constexpr quint64 modeDirectory = 040755;

} // namespace

Rar5Writer::Rar5Writer(const QList<RarFixtureEntry>& entries, const RarFixtureOptions& options)
    : m_entries(entries)
    , m_options(options)
{
    // One salt for the whole archive, as rar uses; an IV per file.
    if (!options.password.isEmpty())
        m_cipher.emplace(options.password, randomBytes(Rar5Cipher::saltSize, m_random));
    for (const RarFixtureEntry& entry : entries) {
        const bool encrypted = m_cipher && !entry.isDirectory;
        m_ivs.append(encrypted ? randomBytes(Rar5Cipher::ivSize, m_random) : QByteArray());
        m_packed.append(encrypted ? m_cipher->encrypt(entry.data, m_ivs.last()) : entry.data);
    }
}

// With encrypted headers the archive encryption header follows the signature:
// version, flags, KDF count, salt, check value. The first volume carries no
// number; the second is 1, the third 2, ...
QByteArray Rar5Writer::volumeStart(int index, bool isVolumeSet) const
{
    quint64 flags = (m_options.solid ? archiveSolid : 0u);
    if (isVolumeSet)
        flags |= archiveVolume | (index > 0 ? hasVolumeNumber : 0u);
    QByteArray fields = vints({ flags });
    if (isVolumeSet && index > 0)
        appendVint(fields, quint64(index));
    return QByteArray(signature, sizeof signature) + encryptionHeader()
        + seal(rar5Block(mainHeaderType, 0, fields));
}

QByteArray Rar5Writer::encryptionHeader() const
{
    if (!m_options.encryptHeaders)
        return {};
    QByteArray fields = vints({ aes256, m_options.omitPasswordCheck ? 0 : hasPasswordCheck });
    fields.append(char(Rar5Cipher::log2Count));
    fields += m_cipher->salt();
    if (!m_options.omitPasswordCheck)
        fields += m_cipher->checkValue();
    return rar5Block(encryptionHeaderType, 0, fields);
}

QByteArray Rar5Writer::fileHeader(const RarPart& part) const
{
    const RarFixtureEntry& entry = m_entries[part.entry];
    const QByteArray name = entry.name.toUtf8();
    const bool encrypted = !m_ivs[part.entry].isEmpty();
    // As in RAR4, a slice that continues elsewhere carries the CRC of its own bytes.
    const QByteArray slice = entry.data.mid(part.offset, part.size);
    quint32 crc = crc32(part.splitAfter ? QByteArrayView(slice) : QByteArrayView(entry.data));
    if (encrypted && !m_options.plainChecksums)
        crc = m_cipher->mac(crc);

    QByteArray fields = vints({ hasUnixTime | (entry.isDirectory ? fileDirectory : hasCrc32),
                                quint64(entry.data.size()), entry.isDirectory ? modeDirectory : modeFile });
    appendLe32(fields, quint32(entry.modified.toSecsSinceEpoch()));
    if (!entry.isDirectory)
        appendLe32(fields, crc);
    fields += vints({ m_options.solid && part.entry > 0 && !entry.isDirectory ? solidCompression : 0,
                      hostUnix, quint64(name.size()) });
    fields += name;

    const quint64 flags
        = (part.splitBefore ? headerSplitBefore : 0) | (part.splitAfter ? headerSplitAfter : 0);
    const QByteArray extra = encrypted ? m_cipher->encryptionRecord(
                                 m_ivs[part.entry], !m_options.omitPasswordCheck, !m_options.plainChecksums)
                                       : QByteArray();
    return seal(rar5Block(fileHeaderType, flags, fields, part.size, extra));
}

QByteArray Rar5Writer::volumeEnd(bool, bool isLast) const
{
    return seal(rar5Block(endOfArchiveType, 0, vints({ isLast ? 0 : endNotLastVolume })));
}

// With encrypted headers each header is preceded by a fresh IV and encrypted
// whole, zero-padded to 16 bytes; its CRC and size describe the plain header.
QByteArray Rar5Writer::seal(const QByteArray& plain) const
{
    if (!m_options.encryptHeaders)
        return plain;
    const QByteArray iv = randomBytes(Rar5Cipher::ivSize, m_random);
    return iv + m_cipher->encrypt(plain, iv);
}
