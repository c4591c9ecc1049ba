#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Writes zip archives with our own writer over libdeflate, in process, and
// names what zip extraction (ZipHandle) reports.
//
// Calls run synchronously on the calling thread (the archive queue) and call
// their callbacks from there (writing deflates on worker threads of its own,
// joined before it returns).
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
};
