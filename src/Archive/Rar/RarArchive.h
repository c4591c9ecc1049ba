#pragma once

#include "Archive/Rar/RarCatalog.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class RarProgress;
struct RarOutcome;
class RarProgressMeter;
class StagingFolder;

// One RAR archive (or multi-volume set) to extract. It is never written.
//
// Our own header walk (RarCatalog) lists the archive and tells whether it is
// encrypted, solid, a volume set or cut short. Unencrypted archives are
// extracted in process with libarchive, and with unar where libarchive fails;
// encrypted ones are decrypted by us into a private plain copy those two
// read. Volume sets and kinds we cannot decrypt go to unar, which is given
// the password on a pseudo-terminal only, never on its command line or in its
// environment. Every engine writes into a private staging folder beside the
// extraction folder; only an extraction that holds every file the catalogue
// lists, with its size, is moved on into it.
class RarArchive
{
public:
    enum ErrorCode
    {
        endArchive = 10,
        noMemory = 11,
        badData = 12, // a checksum does not match, or data is damaged
        badArchive = 13, // damaged or incomplete archive, missing volume
        unknownFormat = 14, // not a RAR archive, or a feature the engines cannot read
        openFailed = 15, // missing or unreadable file
        createFailed = 16,
        closeFailed = 17,
        readFailed = 18,
        writeFailed = 19, // the extraction folder refused: disk full, no permission
        smallBuffer = 20,
        unknown = 21, // the engine is not installed or ended abnormally
        missingPassword = 22,
        // Wrong, or unar cannot decrypt the archive with it: Debian 12's unar
        // 1.10.1 decrypts no RAR 2.9 (RAR4) AES data at all.
        badPassword = 24,
    };

    // Lists the archive from its headers, on the calling thread. Null with
    // `errorCode` set when it is not a RAR archive that can be read:
    // openFailed for a missing or unreadable file, unknownFormat for anything
    // else, a RAR archive cut short, damaged, missing a volume or without
    // entries among it.
    static std::unique_ptr<RarArchive> open(const QString& path, int* errorCode);
    ~RarArchive();

    // Advanced from 0 to 1 while extracting; checked for cancellation.
    void setProgress(std::shared_ptr<RarProgress> progress);

    // Entries are encrypted, or their names are (then nothing could be listed).
    bool isPasswordProtected() const;
    void setPassword(const QString& password);

    // Extracts everything into the existing folder `folder`, synchronously on
    // the calling thread, and gives the error code of a failure. Nothing
    // already there is ever replaced: an entry whose name is taken is
    // skipped. On failure nothing was moved into the folder unless the
    // failure happened while moving. Once the progress object is cancelled it
    // stops promptly and gives no error, the folder as it found it unless the
    // finished files were already being moved in: the caller tells a
    // cancellation by the progress object.
    std::optional<ErrorCode> extractFilesTo(const QString& folder);

    // Called with unar's process id while it waits at its password prompt,
    // before the password is typed (tests read the child's command line there).
    void setPasswordPromptObserver(std::function<void(qint64)> observer);

private:
    explicit RarArchive(RarCatalog catalog);

    RarOutcome extractInto(StagingFolder& staging, RarProgressMeter& meter);
    RarOutcome extractDecrypted(StagingFolder& staging, RarProgressMeter& meter);
    RarOutcome extractPlain(const QStringList& volumes, const RarCatalog& catalog, StagingFolder& staging,
                            RarProgressMeter& meter);
    RarOutcome extractWithUnar(const QString& archive, const RarCatalog& catalog, const QString& folder,
                               RarProgressMeter& meter, const std::optional<QString>& password);

    RarCatalog m_catalog;
    // The staging folder holds what our libarchive extractor wrote, safe as it is.
    bool m_stagedByLibarchive = false;
    std::optional<QString> m_password;
    std::shared_ptr<RarProgress> m_progress;
    std::function<void(qint64)> m_promptObserver;
};
