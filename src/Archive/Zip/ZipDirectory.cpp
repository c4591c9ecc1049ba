#include "Archive/Zip/ZipDirectory.h"

#include "Archive/Extraction/LegacyNameDecoder.h"
#include "Archive/Zip/ZipBytes.h"

#include <algorithm>

#include <unistd.h>

namespace {

using namespace ZipBytes;

constexpr qint64 kEndRecordSize = 22;
constexpr qint64 kMaxCommentSize = 0xffff;
constexpr qint64 kLocatorSize = 20;
constexpr qint64 kEnd64RecordSize = 56;
constexpr qsizetype kDirectoryRecordSize = 46;
constexpr quint64 kLocalHeaderSize = 30;
constexpr qsizetype kReadChunk = 1 << 20;
constexpr quint32 kNoValue32 = 0xffffffff;
constexpr quint16 kNoValue16 = 0xffff;
// Deflate cannot expand data by more than this factor (its longest match,
// 258 bytes, costs at least two bits).
constexpr quint64 kDeflateMaxRatio = 1032;

// The zip64 extra field gives, in this order, the values whose 32-bit field
// is full.
bool readZip64Extra(const char* extra, qsizetype size, quint64& uncompressed, quint64& compressed,
                    quint64& localOffset)
{
    for (qsizetype at = 0; at + 4 <= size;) {
        const quint16 id = le16(extra + at);
        const quint16 length = le16(extra + at + 2);
        at += 4;
        if (at + length > size)
            return false;
        if (id == 0x0001) {
            qsizetype field = at;
            for (quint64* value : { &uncompressed, &compressed, &localOffset }) {
                if (*value != kNoValue32)
                    continue;
                if (field + 8 > at + length)
                    return false;
                *value = le64(extra + field);
                field += 8;
            }
            return true;
        }
        at += length;
    }
    return uncompressed != kNoValue32 && compressed != kNoValue32 && localOffset != kNoValue32;
}

bool hasExtraField(const char* extra, qsizetype size, quint16 wanted)
{
    for (qsizetype at = 0; at + 4 <= size; at += 4 + le16(extra + at + 2)) {
        if (le16(extra + at) == wanted)
            return true;
    }
    return false;
}

} // namespace

ZipDirectory ZipDirectory::read(int fd, qint64 fileSize)
{
    ZipDirectory directory;
    if (!directory.readEndRecords(fd, fileSize))
        return directory;
    if (directory.verdict == Verdict::hostile || !directory.readEntries(fd))
        return directory;
    if (directory.placeEntries())
        directory.verdict = Verdict::ours;
    return directory;
}

quint32 ZipDirectory::hashName(const char* name, qsizetype size)
{
    // FNV-1a: names are compared, not secured; a collision only lets an
    // entry be extracted under the name its directory record gives.
    quint32 hash = 2166136261u;
    for (qsizetype i = 0; i < size; ++i)
        hash = (hash ^ quint8(name[i])) * 16777619u;
    return hash;
}

void ZipDirectory::refuse(const QString& why)
{
    verdict = Verdict::hostile;
    problem = why;
}

bool ZipDirectory::readEndRecords(int fd, qint64 fileSize)
{
    const qint64 tailSize = std::min(fileSize, kEndRecordSize + kMaxCommentSize);
    if (tailSize < kEndRecordSize)
        return false;
    QByteArray tail(tailSize, Qt::Uninitialized);
    if (!readAt(fd, tail.data(), tailSize, quint64(fileSize - tailSize)))
        return false;
    // The last end record whose comment ends the file.
    qsizetype record = tail.size() - kEndRecordSize;
    for (; record >= 0; --record) {
        const char* p = tail.constData() + record;
        if (p[0] == 'P' && p[1] == 'K' && p[2] == 5 && p[3] == 6
            && record + kEndRecordSize + le16(p + 20) == tail.size())
            break;
    }
    if (record < 0)
        return false;
    const char* end = tail.constData() + record;
    const quint64 endOffset = quint64(fileSize - tailSize + record);
    if (le16(end + 4) != 0 || le16(end + 6) != 0 || le16(end + 8) != le16(end + 10))
        return false; // split over several disks
    m_entryCount = le16(end + 10);
    m_directorySize = le32(end + 12);
    m_directoryOffset = le32(end + 16);
    m_endRecordsOffset = endOffset;

    // A zip64 end record sits before the locator that precedes the end
    // record. Some writers add one even when every value fits in 32 bits;
    // either way the directory ends where it begins.
    const bool needsZip64
        = m_entryCount == kNoValue16 || m_directorySize == kNoValue32 || m_directoryOffset == kNoValue32;
    char locator[kLocatorSize];
    const bool hasLocator = endOffset >= quint64(kLocatorSize)
        && readAt(fd, locator, kLocatorSize, endOffset - kLocatorSize)
        && memcmp(locator, "PK\x06\x07", 4) == 0;
    if (hasLocator) {
        const quint64 end64Offset = le64(locator + 8);
        char end64[kEnd64RecordSize];
        if (le32(locator + 4) != 0 || le32(locator + 16) > 1
            || end64Offset > endOffset - kLocatorSize - kEnd64RecordSize
            || !readAt(fd, end64, kEnd64RecordSize, end64Offset) || memcmp(end64, "PK\x06\x06", 4) != 0
            || le32(end64 + 16) != 0 || le32(end64 + 20) != 0 || le64(end64 + 24) != le64(end64 + 32))
            return false;
        m_entryCount = le64(end64 + 32);
        m_directorySize = le64(end64 + 40);
        m_directoryOffset = le64(end64 + 48);
        m_endRecordsOffset = end64Offset;
    } else if (needsZip64) {
        return false;
    }
    // Offsets that miss the directory are what a stub in front does; the
    // directory reaching past the end records is no zip at all.
    if (m_directoryOffset > m_endRecordsOffset || m_directorySize > m_endRecordsOffset - m_directoryOffset)
        return false;
    if (m_directoryOffset + m_directorySize != m_endRecordsOffset)
        return false;
    if (m_entryCount > m_directorySize / kDirectoryRecordSize)
        refuse(QStringLiteral("more entries than the directory can hold"));
    return true;
}

bool ZipDirectory::readEntries(int fd)
{
    entries.reserve(size_t(m_entryCount));
    QByteArray buffer;
    qsizetype at = 0;
    quint64 nextRead = m_directoryOffset;
    const quint64 directoryEnd = m_directoryOffset + m_directorySize;
    // Makes `size` bytes of the directory available at `at`.
    const auto available = [&](qsizetype size) {
        if (buffer.size() - at >= size)
            return true;
        buffer.remove(0, at);
        at = 0;
        const qint64 wanted = std::min<qint64>(std::max<qint64>(size - buffer.size(), kReadChunk),
                                               qint64(directoryEnd - nextRead));
        if (buffer.size() + wanted < size)
            return false;
        const qsizetype old = buffer.size();
        buffer.resize(old + wanted);
        if (!readAt(fd, buffer.data() + old, wanted, nextRead))
            return false;
        nextRead += quint64(wanted);
        return true;
    };

    for (quint64 i = 0; i < m_entryCount; ++i) {
        if (!available(kDirectoryRecordSize) || memcmp(buffer.constData() + at, "PK\x01\x02", 4) != 0) {
            refuse(QStringLiteral("a directory record is missing"));
            return false;
        }
        const char* p = buffer.constData() + at;
        ZipDirectoryEntry entry;
        entry.madeBy = le16(p + 4);
        entry.flags = le16(p + 8);
        entry.method = le16(p + 10);
        entry.crc = le32(p + 16);
        entry.compressedSize = le32(p + 20);
        entry.uncompressedSize = le32(p + 24);
        const quint16 nameSize = le16(p + 28);
        const quint16 extraSize = le16(p + 30);
        const quint16 commentSize = le16(p + 32);
        const quint16 disk = le16(p + 34);
        entry.externalAttributes = le32(p + 38);
        entry.localHeaderOffset = le32(p + 42);
        const qsizetype recordSize = kDirectoryRecordSize + nameSize + extraSize + commentSize;
        if (!available(recordSize)) {
            refuse(QStringLiteral("a directory record runs past the directory"));
            return false;
        }
        p = buffer.constData() + at;
        const char* name = p + kDirectoryRecordSize;
        if (!readZip64Extra(name + nameSize, extraSize, entry.uncompressedSize, entry.compressedSize,
                            entry.localHeaderOffset)) {
            refuse(QStringLiteral("a zip64 size is missing"));
            return false;
        }
        // Encryption, other methods and other disks are libarchive's; so are
        // names given again in Info-ZIP's Unicode Path field, which libarchive
        // prefers to the stored name.
        if ((disk != 0 && disk != kNoValue16) || (entry.flags & 0x0041) != 0
            || (entry.method != 0 && entry.method != 8) || hasExtraField(name + nameSize, extraSize, 0x7075))
            return false;
        entry.nameHash = hashName(name, nameSize);
        const QByteArray rawName = QByteArray::fromRawData(name, nameSize);
        if (!entry.hasUtf8Name() && !LegacyNameDecoder::isUtf8(rawName))
            legacyNames.append(QByteArray(name, nameSize));
        entries.push_back(entry);
        at += recordSize;
    }
    return true;
}

bool ZipDirectory::placeEntries()
{
    std::sort(entries.begin(), entries.end(), [](const ZipDirectoryEntry& a, const ZipDirectoryEntry& b) {
        return a.localHeaderOffset < b.localHeaderOffset;
    });
    for (size_t i = 0; i < entries.size(); ++i) {
        ZipDirectoryEntry& entry = entries[i];
        entry.spaceEnd = i + 1 < entries.size() ? entries[i + 1].localHeaderOffset : m_directoryOffset;
        // The data alone must fit before the next header: entries whose data
        // overlap are how one byte is made to count many times over.
        if (entry.localHeaderOffset > entry.spaceEnd
            || entry.spaceEnd - entry.localHeaderOffset < kLocalHeaderSize
            || entry.compressedSize > entry.spaceEnd - entry.localHeaderOffset - kLocalHeaderSize) {
            refuse(QStringLiteral("entries overlap"));
            return false;
        }
        const bool sizesAgree = entry.method == 0
            ? entry.compressedSize == entry.uncompressedSize
            : entry.uncompressedSize / kDeflateMaxRatio <= entry.compressedSize;
        if (!sizesAgree) {
            refuse(QStringLiteral("an entry's sizes cannot both be true"));
            return false;
        }
        if (totalUncompressed + entry.uncompressedSize < totalUncompressed) {
            refuse(QStringLiteral("the sizes add up past any file"));
            return false;
        }
        totalUncompressed += entry.uncompressedSize;
    }
    return true;
}
