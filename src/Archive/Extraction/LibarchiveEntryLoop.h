#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

struct archive;
struct archive_entry;
class ExtractionTree;
class LegacyNameDecoder;
class PendingFile;

// The entry loop every libarchive-read format shares: reads each header,
// sanitises and decodes its name, creates folders, links and files through
// the extraction tree and copies the data, checking for a cancel between
// headers and between data blocks. It never classifies a failure: it hands
// back libarchive's text, and each engine reads that text its own way.
//
// Entries whose name is empty after sanitising are dropped, links that would
// point outside are not created, and an entry whose place is already taken is
// skipped (the first one stays). Runs on the calling thread.
class LibarchiveEntryLoop
{
public:
    enum class Ending
    {
        // Every header up to the end was read.
        finished,
        cancelled,
        // libarchive refused a header or a data block; see Result::message.
        readFailed,
        // A file ended before the size its header gives, without an error
        // (libarchive does this with a volume missing).
        shortFile,
        // The file system refused; ExtractionTree::error() tells why.
        writeFailed,
    };

    struct Result
    {
        Ending ending = Ending::finished;
        // libarchive's error text when reading failed.
        QByteArray message;
        // The entry that failed is flagged encrypted; false for header failures.
        bool entryEncrypted = false;
        // Headers read, including dropped entries.
        qint64 entries = 0;
    };

    struct Callbacks
    {
        // Asked before each header and after each data block.
        std::function<bool()> isCancelled;
        // After each entry: its sanitised path (its decoded name when that
        // sanitised to nothing) and its number, counted from 1.
        std::function<void(const QString& name, qint64 number)> entryDone;
        // After each data block written.
        std::function<void(qint64 bytes)> bytesWritten;
    };

    // `reader` is open and positioned before its first header; `tree` is open.
    LibarchiveEntryLoop(archive* reader, ExtractionTree& tree, const LegacyNameDecoder& decoder,
                        Callbacks callbacks);

    Result run();

    // The bytes of an entry's name or link target: as stored for names that
    // are not UTF-8, UTF-8 for the others. Needs an active Utf8LocaleScope.
    static QByteArray rawPathname(archive_entry* entry);
    static QByteArray rawSymlink(archive_entry* entry);

private:
    Result extractEntry(archive_entry* entry, const QString& path);
    Result extractFile(archive_entry* entry, const QString& path);
    Result copyData(PendingFile& file, bool encrypted, qint64& written);
    Result readFailure(bool encrypted) const;
    bool isCancelled() const;

    archive* m_reader;
    ExtractionTree& m_tree;
    const LegacyNameDecoder& m_decoder;
    Callbacks m_callbacks;
};
