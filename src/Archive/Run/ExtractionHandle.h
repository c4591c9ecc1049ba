#pragma once

#include "Archive/ArchiveErrorType.h"
#include "Archive/Run/CancelToken.h"

#include <QString>

#include <functional>
#include <optional>

// What the extraction run lends a format's handle while it works. Any thread.
struct ExtractionContext
{
    CancelToken cancel;
    // The fraction done, 0 to 1.
    std::function<void(float)> progress;
    // Asks the user while the engine waits on its own thread; empty when no
    // text was entered (then the token may have been cancelled).
    std::function<std::optional<QString>()> askPassword;
};

// One archive of one format, as the extraction run drives it: opened and
// extracted on the archive queue, asked about and given its password on the
// main thread in between. Failures come back as the job's error.
class ExtractionHandle
{
public:
    virtual ~ExtractionHandle() = default;

    // Reads what extracting needs to know first (the catalogue). `none`, or
    // the error the job ends with before it begins.
    virtual ArchiveErrorType open(const QString& archivePath, const ExtractionContext& context) = 0;

    // The archive's entries are protected: the run asks for the password
    // before extracting and hands it to setPassword().
    virtual bool isProtected() const = 0;
    virtual void setPassword(const QString& password) = 0;
    // The longest password the format is given, in UTF-8 bytes; 0 for no cut.
    virtual qsizetype passwordByteLimit() const { return 0; }

    // Nothing to extract: the empty folder is the result, and the job ends
    // without beginning.
    virtual bool isEmpty() const { return false; }

    // Extracts everything into `folder`, reserved and empty. `none` on success.
    virtual ArchiveErrorType extract(const QString& folder, const ExtractionContext& context) = 0;

    // Whether a cancel may remove the folder at once. An engine that writes
    // by path would make it again before it stops; its folder goes once it
    // has stopped.
    virtual bool folderMayGoAtCancel() const { return true; }
};
