#pragma once

#include <QByteArray>

#include <ctime>

#include <sys/types.h>

// Lays out a zip file on a file descriptor, front to back: local headers
// carrying the final CRC and sizes (no data descriptors), the data as given,
// then the central directory and the end records. Zip64 fields appear only
// where a size, an offset or the entry count needs them.
//
// Names are UTF-8 (flagged as such when not plain ASCII); every entry says it
// was made on Unix, with the Unix mode in its external attributes and the
// modification time both as a DOS time and in an extended-timestamp field.
class ZipContainerWriter
{
public:
    enum class Method : quint16
    {
        stored = 0,
        deflated = 8,
    };

    struct Entry
    {
        QByteArray name; // UTF-8, "/"-separated; a folder's ends in "/"
        mode_t mode = 0;
        time_t modified = 0;
        Method method = Method::stored;
        quint64 size = 0; // uncompressed
        // Known before the data only when all of it is at hand; otherwise
        // given to endEntry() and written back into the local header.
        quint32 crc = 0;
        quint64 compressedSize = 0;
    };

    explicit ZipContainerWriter(int output);
    ~ZipContainerWriter();
    ZipContainerWriter(const ZipContainerWriter&) = delete;
    ZipContainerWriter& operator=(const ZipContainerWriter&) = delete;

    // Starts an entry; `entry.size` must be final already. Its data follows
    // through writeData().
    bool beginEntry(const Entry& entry);
    bool writeData(const char* data, qsizetype length);
    // Records the CRC and compressed size, written back into the local header
    // when they differ from what beginEntry() wrote.
    bool endEntry(quint32 crc, quint64 compressedSize);
    // Writes the central directory and the end records, then flushes.
    bool finish();

    // errno of the first failed write, 0 if none failed.
    int error() const { return m_error; }

private:
    bool append(const QByteArray& bytes);
    bool flush();
    bool patchLocalHeader();
    QByteArray localHeader() const;
    QByteArray centralHeader() const;
    QByteArray endRecords(quint64 directoryOffset, quint64 directorySize) const;
    bool localNeedsZip64() const;
    bool fail(int error);

    int m_output;
    QByteArray m_buffer; // output not yet written
    quint64 m_offset = 0; // of the next byte in the archive
    Entry m_entry; // the one being written
    quint64 m_entryOffset = 0;
    QByteArray m_centralDirectory;
    quint64 m_entryCount = 0;
    int m_error = 0;
};
