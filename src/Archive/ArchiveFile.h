#pragma once

#include "Archive/ArchiveType.h"

#include <QString>
#include <QStringList>

#include <optional>

// Path operations of the archive engine: free names for new archives and
// extraction folders, deleting partial output, cutting passwords to size.
class ArchiveFile
{
public:
    ArchiveFile() = delete;

    // The first free path of "Report.zip", "Report 1.zip", "Report 2.zip", ...
    // (or "Photos", "Photos 1", ... without extension). A dangling symbolic
    // link counts as taken.
    static QString uniquePath(const QString& path);

    // Free path for the extraction folder of `archivePath` inside `targetPath`,
    // named after the archive without its extension.
    static QString extractFolderPath(const QString& archivePath, const QString& targetPath);

    // Free path for a new archive of `type` inside `targetPath`, named after the
    // single input or, for several inputs, by the "archive_default" text.
    static QString compressOutputPath(const QStringList& files, const QString& targetPath, ArchiveType type);
    // The file name of that archive before any counter: "Holiday.7z".
    static QString compressOutputName(const QStringList& files, ArchiveType type);

    // When the extraction folder `folder` holds one folder or one file and
    // nothing else, moves that entry up beside it under the first free name
    // of its own and removes the emptied `folder`, so an archive of one
    // folder does not end up nested twice. Returns where the output now is:
    // the moved entry, or `folder` when there was nothing to move (several
    // entries, a link, or a move that failed).
    static QString liftSoleEntry(const QString& folder);

    // Creates the extraction folder (and any missing parents of `targetPath`)
    // under the first name of extractFolderPath's sequence that is free at the
    // moment of creation, so that two jobs never share a folder. Returns the
    // created folder, or nothing when it cannot be created.
    static std::optional<QString> reserveExtractFolder(const QString& archivePath, const QString& targetPath);

    // Creates an empty file under the first name of compressOutputPath's
    // sequence that is free at the moment of creation. Returns its path, or
    // nothing when no file can be created there.
    static std::optional<QString> reserveCompressOutput(const QStringList& files, const QString& targetPath,
                                                        ArchiveType type);

    // Deletes the file, symbolic link (never its target) or folder with its
    // content at `path`. Links inside a folder are removed, never followed.
    // Failures are ignored.
    static void deletePath(const QString& path);

    // `text` cut to at most `limit` UTF-8 bytes on a character boundary, trying
    // `limit` and then `limit` - 1 bytes; returned uncut when neither cut falls
    // on a boundary or the text cannot be encoded.
    static QString truncateUTF8(const QString& text, qsizetype limit);
};
