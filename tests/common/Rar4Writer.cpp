#include "Rar4Writer.h"

#include "RarBytes.h"

#include <QDateTime>
#include <QMap>

#include <algorithm>

using namespace RarBytes;

namespace {

constexpr char marker[] = { 0x52, 0x61, 0x72, 0x21, 0x1a, 0x07, 0x00 };

constexpr quint8 archiveBlock = 0x73;
constexpr quint8 fileBlock = 0x74;
constexpr quint8 endOfArchiveBlock = 0x7b;

// Archive header (MHD_*)
constexpr quint16 mhdVolume = 0x0001;
constexpr quint16 mhdSolid = 0x0008;
constexpr quint16 mhdNewNumbering = 0x0010; // volumes named name.partN.rar
constexpr quint16 mhdPassword = 0x0080; // blocks after this one are encrypted
constexpr quint16 mhdFirstVolume = 0x0100;

// File header (LHD_*)
constexpr quint16 lhdSplitBefore = 0x0001;
constexpr quint16 lhdSplitAfter = 0x0002;
constexpr quint16 lhdPassword = 0x0004;
constexpr quint16 lhdSolid = 0x0010;
constexpr quint16 lhdDirectory = 0x00e0; // all three dictionary-size bits
constexpr quint16 lhdUnicode = 0x0200;
constexpr quint16 lhdSalt = 0x0400;

constexpr quint16 skipIfUnknown = 0x4000;
constexpr quint16 longBlock = 0x8000; // ADD_SIZE (here PACK_SIZE) follows the header size
constexpr quint16 endNextVolume = 0x0001;

constexpr quint8 hostWin32 = 2;
constexpr quint8 unpackVersion = 29;
constexpr quint8 methodStore = 0x30;
constexpr quint32 attributeDirectory = 0x10;
constexpr quint32 attributeArchive = 0x20;

quint32 dosTime(const QDateTime& modified)
{
    const QDateTime local = modified.toLocalTime();
    const QDate date = local.date();
    const QTime time = local.time();
    const quint32 dosDate = quint32((date.year() - 1980) << 9 | date.month() << 5 | date.day());
    const quint32 dosClock = quint32(time.hour() << 11 | time.minute() << 5 | time.second() / 2);
    return dosDate << 16 | dosClock;
}

quint8 commonHighByte(const QString& name)
{
    QMap<quint8, int> counts;
    for (const QChar unit : name) {
        if (unit.row() != 0)
            ++counts[unit.row()];
    }
    quint8 best = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > counts.value(best))
            best = it.key();
    }
    return best;
}

// The packed UTF-16 form after the NUL: a shared high byte, then per four
// units a flag byte of 2-bit opcodes (0: low byte, 1: low byte under the
// shared high byte, 2: both bytes) followed by their bytes. Opcode 3 (repeat
// from the ASCII stand-in) saves space only, so it is never written.
QByteArray packedUnicodeName(const QString& name)
{
    const quint8 high = commonHighByte(name);
    QByteArray out(1, char(high));
    for (qsizetype group = 0; group < name.size(); group += 4) {
        quint8 opcodes = 0;
        QByteArray bytes;
        for (qsizetype i = group; i < std::min(group + 4, name.size()); ++i) {
            const QChar unit = name[i];
            const int shift = 6 - 2 * int(i - group);
            bytes.append(char(unit.cell()));
            if (unit.row() == high && high != 0) {
                opcodes |= 1 << shift;
            } else if (unit.row() != 0) {
                opcodes |= 2 << shift;
                bytes.append(char(unit.row()));
            }
        }
        out.append(char(opcodes));
        out += bytes;
    }
    return out;
}

// ASCII names are stored as they are. Others get LHD_UNICODE in the form
// WinRAR writes: an ASCII stand-in, NUL, the packed UTF-16 name. unrar, unar
// and libarchive all decode it; bare UTF-8 would be a later reader's reading.
QByteArray encodedName(const QString& name, bool* unicode)
{
    QString path = name;
    path.replace(u'/', u'\\');
    QByteArray standIn;
    for (const QChar unit : path)
        standIn.append(unit.unicode() < 0x80 ? char(unit.unicode()) : '_');
    *unicode = std::any_of(path.cbegin(), path.cend(), [](QChar unit) { return unit.unicode() >= 0x80; });
    if (!*unicode)
        return standIn;
    return standIn + '\0' + packedUnicodeName(path);
}

} // namespace

Rar4Writer::Rar4Writer(const QList<RarFixtureEntry>& entries, const RarFixtureOptions& options)
    : m_entries(entries)
    , m_options(options)
{
    for (const RarFixtureEntry& entry : entries) {
        const bool encrypted = !options.password.isEmpty() && !entry.isDirectory;
        m_salts.append(encrypted ? randomBytes(Rar4Cipher::saltSize, m_random) : QByteArray());
        m_packed.append(encrypted ? Rar4Cipher(options.password, m_salts.last()).encrypt(entry.data)
                                  : entry.data);
    }
    if (options.encryptHeaders) {
        m_headerSalt = randomBytes(Rar4Cipher::saltSize, m_random);
        m_headerCipher.emplace(options.password, m_headerSalt);
    }
}

QByteArray Rar4Writer::volumeStart(int index, bool isVolumeSet) const
{
    quint16 flags = 0;
    if (isVolumeSet)
        flags |= mhdVolume | mhdNewNumbering | (index == 0 ? mhdFirstVolume : 0);
    if (m_options.solid)
        flags |= mhdSolid;
    if (m_headerCipher)
        flags |= mhdPassword;
    return QByteArray(marker, sizeof marker)
        + rar4Block(archiveBlock, flags, QByteArray(6, '\0')); // RESERVED1, RESERVED2
}

QByteArray Rar4Writer::fileHeader(const RarPart& part) const
{
    const RarFixtureEntry& entry = m_entries[part.entry];
    const QByteArray& packed = m_packed[part.entry];
    const QByteArray& salt = m_salts[part.entry];
    bool unicode = false;
    const QByteArray name = encodedName(entry.name, &unicode);

    quint16 flags = longBlock;
    flags |= (part.splitBefore ? lhdSplitBefore : 0) | (part.splitAfter ? lhdSplitAfter : 0);
    flags |= (entry.isDirectory ? lhdDirectory : 0) | (unicode ? lhdUnicode : 0);
    flags |= (!salt.isEmpty() ? lhdPassword | lhdSalt : 0);
    flags |= (m_options.solid && part.entry > 0 ? lhdSolid : 0);

    // A slice that continues elsewhere carries the CRC of its own packed bytes;
    // the last (or only) one that of the whole unpacked file.
    const quint32 crc = crc32(part.splitAfter ? packed.mid(part.offset, part.size) : entry.data);

    QByteArray fields;
    appendLe32(fields, quint32(part.size)); // PACK_SIZE
    appendLe32(fields, quint32(entry.data.size())); // UNP_SIZE
    fields.append(char(hostWin32));
    appendLe32(fields, entry.isDirectory ? 0 : crc);
    appendLe32(fields, dosTime(entry.modified));
    fields.append(char(unpackVersion));
    fields.append(char(methodStore));
    appendLe16(fields, quint16(name.size()));
    appendLe32(fields, entry.isDirectory ? attributeDirectory : attributeArchive);
    fields += name + salt;
    return seal(rar4Block(fileBlock, flags, fields));
}

QByteArray Rar4Writer::volumeEnd(bool isVolumeSet, bool isLast) const
{
    return seal(
        rar4Block(endOfArchiveBlock, skipIfUnknown | (isVolumeSet && !isLast ? endNextVolume : 0), {}));
}

// With MHD_PASSWORD each block is preceded by its salt and encrypted whole,
// zero-padded to 16 bytes; HEAD_SIZE and HEAD_CRC describe the plain block.
QByteArray Rar4Writer::seal(const QByteArray& block) const
{
    if (!m_headerCipher)
        return block;
    return m_headerSalt + m_headerCipher->encrypt(block);
}
