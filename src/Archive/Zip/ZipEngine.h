#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Reads zip archives over libarchive and writes them with our own writer
// over libdeflate, in process.
//
// All calls run synchronously on the calling thread (the archive queue) and
// call their callbacks from there (writing deflates on worker threads of its
// own, joined before it returns). Extraction is safe whatever the archive
// says: nothing is written outside the destination, nothing existing is
// replaced, nothing is written through a link.
class ZipEngine
{
public:
    // Why an extraction failed.
    enum ErrorCode : int
    {
        archiveUnreadable = -1, // not a zip, truncated or damaged
        wrongPassword = -2, // wrong, or missing for an encrypted entry
        unsupportedCompression = -3,
        unsupportedEncryption = -4,
        writeFailed = -5, // disk full, no permission, destination gone
        internalError = -6,
    };

    using ShouldContinue = std::function<bool()>;
    using CreateProgress = std::function<void(quint64 entryNumber, quint64 total)>;
    using ExtractProgress = std::function<void(const QString& entryName, qint64 entryNumber, qint64 total)>;
    using ExtractCompletion
        = std::function<void(const QString& path, bool succeeded, std::optional<int> errorCode)>;

    // Writes a zip (files deflated, or stored when they do not compress; zip64
    // when needed; never encrypted) at `archivePath`, replacing the empty file
    // reserved there (or creating it) only once complete. Each of
    // `contents` lands at the top level under its last path component; folders
    // are stored recursively with empty sub-folders, symbolic links as links,
    // with modification times and permissions. The archive itself is never
    // packed into itself. `shouldContinue` is asked before each entry and
    // between chunks of large files; false stops with a false result.
    // True only when the archive was written completely.
    static bool createZipFile(const QString& archivePath, const QStringList& contents,
                              const ShouldContinue& shouldContinue, const CreateProgress& progress);

    // True when entries of the archive are encrypted.
    static bool isFilePasswordProtected(const QString& archivePath);

    // Extracts `archivePath` into the existing folder `destination`, with
    // `password` for encrypted entries. `completion` runs exactly once, at the
    // end: (destination, true, nullopt) on success, otherwise false with one
    // of the error codes. Answering false from `shouldContinue` stops early
    // and ends as a failure.
    static void unzipFile(const QString& archivePath, const QString& destination,
                          const std::optional<QString>& password, const ShouldContinue& shouldContinue,
                          const ExtractProgress& progress, const ExtractCompletion& completion);
};
