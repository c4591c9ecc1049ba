#include "Archive/Zip/ZipContainerWriter.h"

#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr quint32 kLocalHeaderSignature = 0x04034b50;
constexpr quint32 kCentralHeaderSignature = 0x02014b50;
constexpr quint32 kZip64EndSignature = 0x06064b50;
constexpr quint32 kZip64LocatorSignature = 0x07064b50;
constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint16 kZip64ExtraId = 0x0001;
constexpr quint16 kTimestampExtraId = 0x5455; // "UT"
constexpr quint16 kUtf8NameFlag = 0x0800;
constexpr quint16 kMadeByUnix = 3 << 8;
constexpr quint16 kVersionZip64 = 45;
constexpr quint16 kVersionDefault = 20;
constexpr quint32 kDosFolderAttribute = 0x10;
constexpr quint64 kMax32 = 0xFFFFFFFF;
constexpr quint64 kMax16 = 0xFFFF;
// Deflate may grow data a little, and the local header is written before the
// compressed size is known: above this size it makes room for 64-bit sizes.
constexpr quint64 kLocalZip64Size = 0xFFF00000;
constexpr qsizetype kBufferLimit = 1024 * 1024;

class Bytes
{
public:
    Bytes& u16(quint64 value) { return put<quint16>(value); }
    Bytes& u32(quint64 value) { return put<quint32>(value); }
    Bytes& u64(quint64 value) { return put<quint64>(value); }
    Bytes& bytes(const QByteArray& value)
    {
        m_data.append(value);
        return *this;
    }
    const QByteArray& data() const { return m_data; }

private:
    template<typename T> Bytes& put(quint64 value)
    {
        char raw[sizeof(T)];
        qToLittleEndian(T(value), raw);
        m_data.append(raw, qsizetype(sizeof(T)));
        return *this;
    }
    QByteArray m_data;
};

bool isAscii(const QByteArray& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](char c) { return uchar(c) < 0x80; });
}

quint32 dosTime(time_t modified)
{
    tm local = {};
    if (!localtime_r(&modified, &local) || local.tm_year < 80)
        return (1 << 21) | (1 << 16); // 1980-01-01, the earliest a DOS time can say
    const int year = std::min(local.tm_year - 80, 127);
    return quint32(year << 25 | (local.tm_mon + 1) << 21 | local.tm_mday << 16 | local.tm_hour << 11
                   | local.tm_min << 5 | local.tm_sec / 2);
}

QByteArray timestampExtra(time_t modified)
{
    const auto seconds = std::clamp<qint64>(modified, std::numeric_limits<qint32>::min(),
                                            std::numeric_limits<qint32>::max());
    Bytes extra;
    extra.u16(kTimestampExtraId).u16(5).bytes(QByteArray(1, 1)).u32(quint32(qint32(seconds)));
    return extra.data();
}

} // namespace

ZipContainerWriter::ZipContainerWriter(int output)
    : m_output(output)
{
}

ZipContainerWriter::~ZipContainerWriter() = default;

bool ZipContainerWriter::beginEntry(const Entry& entry)
{
    m_entry = entry;
    m_entryOffset = m_offset;
    return append(localHeader());
}

bool ZipContainerWriter::writeData(const char* data, qsizetype length)
{
    if (m_error != 0)
        return false;
    if (m_buffer.size() + length <= kBufferLimit) {
        m_buffer.append(data, length);
        m_offset += quint64(length);
        return true;
    }
    if (!flush())
        return false;
    for (qsizetype written = 0; written < length;) {
        const ssize_t count = ::write(m_output, data + written, size_t(length - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return fail(count < 0 ? errno : ENOSPC);
        written += count;
    }
    m_offset += quint64(length);
    return true;
}

bool ZipContainerWriter::endEntry(quint32 crc, quint64 compressedSize)
{
    const bool changed = crc != m_entry.crc || compressedSize != m_entry.compressedSize;
    m_entry.crc = crc;
    m_entry.compressedSize = compressedSize;
    if (changed && !patchLocalHeader())
        return false;
    m_centralDirectory.append(centralHeader());
    ++m_entryCount;
    return true;
}

bool ZipContainerWriter::finish()
{
    const quint64 directoryOffset = m_offset;
    const QByteArray directory = std::exchange(m_centralDirectory, {});
    return writeData(directory.constData(), directory.size())
        && append(endRecords(directoryOffset, quint64(directory.size()))) && flush();
}

bool ZipContainerWriter::append(const QByteArray& bytes)
{
    return writeData(bytes.constData(), bytes.size());
}

bool ZipContainerWriter::flush()
{
    if (m_error != 0)
        return false;
    for (qsizetype written = 0; written < m_buffer.size();) {
        const ssize_t count
            = ::write(m_output, m_buffer.constData() + written, size_t(m_buffer.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return fail(count < 0 ? errno : ENOSPC);
        written += count;
    }
    m_buffer.clear();
    return true;
}

bool ZipContainerWriter::patchLocalHeader()
{
    // The header is rewritten whole: same length, final values.
    const QByteArray header = localHeader();
    const quint64 bufferStart = m_offset - quint64(m_buffer.size());
    if (m_entryOffset >= bufferStart) {
        m_buffer.replace(qsizetype(m_entryOffset - bufferStart), header.size(), header);
        return true;
    }
    if (!flush())
        return false;
    for (qsizetype written = 0; written < header.size();) {
        const ssize_t count = ::pwrite(m_output, header.constData() + written,
                                       size_t(header.size() - written), off_t(m_entryOffset) + written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return fail(count < 0 ? errno : ENOSPC);
        written += count;
    }
    return true;
}

bool ZipContainerWriter::localNeedsZip64() const
{
    return m_entry.size >= kLocalZip64Size;
}

QByteArray ZipContainerWriter::localHeader() const
{
    const bool zip64 = localNeedsZip64();
    QByteArray extra;
    if (zip64)
        extra = Bytes().u16(kZip64ExtraId).u16(16).u64(m_entry.size).u64(m_entry.compressedSize).data();
    extra += timestampExtra(m_entry.modified);
    Bytes header;
    header.u32(kLocalHeaderSignature)
        .u16(zip64 ? kVersionZip64 : kVersionDefault)
        .u16(isAscii(m_entry.name) ? 0 : kUtf8NameFlag)
        .u16(quint16(m_entry.method))
        .u32(dosTime(m_entry.modified))
        .u32(m_entry.crc)
        .u32(zip64 ? kMax32 : m_entry.compressedSize)
        .u32(zip64 ? kMax32 : m_entry.size)
        .u16(quint64(m_entry.name.size()))
        .u16(quint64(extra.size()))
        .bytes(m_entry.name)
        .bytes(extra);
    return header.data();
}

QByteArray ZipContainerWriter::centralHeader() const
{
    // Sizes go to the zip64 field together, as the local header has them.
    const bool zip64Sizes = localNeedsZip64() || m_entry.compressedSize >= kMax32;
    const bool zip64Offset = m_entryOffset >= kMax32;
    Bytes zip64;
    if (zip64Sizes)
        zip64.u64(m_entry.size).u64(m_entry.compressedSize);
    if (zip64Offset)
        zip64.u64(m_entryOffset);
    QByteArray extra;
    if (!zip64.data().isEmpty())
        extra = Bytes().u16(kZip64ExtraId).u16(quint64(zip64.data().size())).bytes(zip64.data()).data();
    extra += timestampExtra(m_entry.modified);
    const bool folder = S_ISDIR(m_entry.mode);
    const quint16 version = zip64Sizes || zip64Offset ? kVersionZip64 : kVersionDefault;
    Bytes header;
    header.u32(kCentralHeaderSignature)
        .u16(kMadeByUnix | version)
        .u16(version)
        .u16(isAscii(m_entry.name) ? 0 : kUtf8NameFlag)
        .u16(quint16(m_entry.method))
        .u32(dosTime(m_entry.modified))
        .u32(m_entry.crc)
        .u32(zip64Sizes ? kMax32 : m_entry.compressedSize)
        .u32(zip64Sizes ? kMax32 : m_entry.size)
        .u16(quint64(m_entry.name.size()))
        .u16(quint64(extra.size()))
        .u16(0) // comment
        .u16(0) // disk
        .u16(0) // internal attributes
        .u32(quint64(m_entry.mode) << 16 | (folder ? kDosFolderAttribute : 0))
        .u32(zip64Offset ? kMax32 : m_entryOffset)
        .bytes(m_entry.name)
        .bytes(extra);
    return header.data();
}

QByteArray ZipContainerWriter::endRecords(quint64 directoryOffset, quint64 directorySize) const
{
    const bool zip64 = m_entryCount > kMax16 || directoryOffset >= kMax32 || directorySize >= kMax32;
    Bytes records;
    if (zip64) {
        const quint64 zip64EndOffset = directoryOffset + directorySize;
        records.u32(kZip64EndSignature)
            .u64(44) // size of the rest of this record
            .u16(kMadeByUnix | kVersionZip64)
            .u16(kVersionZip64)
            .u32(0) // this disk
            .u32(0) // disk with the directory
            .u64(m_entryCount)
            .u64(m_entryCount)
            .u64(directorySize)
            .u64(directoryOffset);
        records.u32(kZip64LocatorSignature).u32(0).u64(zip64EndOffset).u32(1);
    }
    const quint64 count = std::min(m_entryCount, kMax16);
    records.u32(kEndSignature)
        .u16(0)
        .u16(0)
        .u16(count)
        .u16(count)
        .u32(std::min(directorySize, kMax32))
        .u32(std::min(directoryOffset, kMax32))
        .u16(0); // comment
    return records.data();
}

bool ZipContainerWriter::fail(int error)
{
    if (m_error == 0)
        m_error = error;
    return false;
}
