#include "Archive/Rar/RarArchive.h"

#include "Archive/Rar/Decrypt/RarDecryptor.h"
#include "Archive/Rar/RarLibarchiveExtractor.h"
#include "Archive/Rar/RarOutcome.h"
#include "Archive/Rar/RarProgressMeter.h"
#include "Archive/Rar/RarStagingCheck.h"
#include "Archive/Rar/StagingFolder.h"
#include "Archive/Rar/StagingMover.h"
#include "Archive/Rar/UnarExtractor.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// A success that left out a file the catalogue lists is none. Without a
// catalogue (names encrypted, never decrypted by us) there is nothing to hold it to.
RarOutcome checked(const RarOutcome& outcome, const QString& folder, const RarCatalog& catalog)
{
    if (!outcome.succeeded() || catalog.status() != RarCatalog::Status::complete
        || RarStagingCheck::holdsEverything(folder, catalog))
        return outcome;
    return RarOutcome::failure(RarArchive::badData);
}

} // namespace

std::unique_ptr<RarArchive> RarArchive::open(const QString& path, int* errorCode)
{
    const auto failWith = [errorCode](int code) {
        if (errorCode)
            *errorCode = code;
        return std::unique_ptr<RarArchive>();
    };
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return failWith(openFailed);
    file.close();
    RarCatalog catalog = RarCatalog::read(path);
    switch (catalog.status()) {
    case RarCatalog::Status::unreadable:
        return failWith(openFailed);
    case RarCatalog::Status::namesEncrypted:
        break;
    case RarCatalog::Status::complete:
        // No RAR tool writes an archive without entries.
        if (!catalog.entries().isEmpty())
            break;
        [[fallthrough]];
    default:
        // Damaged or cut short: libarchive would end a truncated archive
        // "successfully" with the entries before the cut.
        return failWith(unknownFormat);
    }
    return std::unique_ptr<RarArchive>(new RarArchive(std::move(catalog)));
}

RarArchive::RarArchive(RarCatalog catalog)
    : m_catalog(std::move(catalog))
{
}

RarArchive::~RarArchive() = default;

void RarArchive::setProgress(std::shared_ptr<RarProgress> progress)
{
    m_progress = std::move(progress);
}

bool RarArchive::isPasswordProtected() const
{
    return m_catalog.hasEncryptedData();
}

void RarArchive::setPassword(const QString& password)
{
    m_password = password;
}

void RarArchive::setPasswordPromptObserver(std::function<void(qint64)> observer)
{
    m_promptObserver = std::move(observer);
}

std::optional<RarArchive::ErrorCode> RarArchive::extractFilesTo(const QString& folder)
{
    RarProgressMeter meter(m_progress);
    if (meter.isCancelled())
        return std::nullopt;
    if (!QFileInfo(folder).isDir())
        return writeFailed;
    StagingFolder staging(folder);
    if (!staging.isValid())
        return writeFailed;
    const RarOutcome outcome = extractInto(staging, meter);
    if (outcome.cancelled() || meter.isCancelled())
        return std::nullopt;
    if (outcome.failed())
        return ErrorCode(outcome.errorCode);
    StagingMover mover;
    if (!mover.move(staging.path(), folder, m_stagedByLibarchive))
        return writeFailed;
    meter.finish();
    return std::nullopt;
}

RarOutcome RarArchive::extractInto(StagingFolder& staging, RarProgressMeter& meter)
{
    m_stagedByLibarchive = false;
    const QStringList volumes = m_catalog.volumes();
    if (!isPasswordProtected())
        return extractPlain(volumes, m_catalog, staging, meter);
    if (!m_password || m_password->isEmpty())
        return RarOutcome::failure(missingPassword);
    // unar 1.10.1 cannot decrypt RAR4 at all: decrypting ourselves comes
    // first. Sets of volumes and kinds the decryptor does not know go to unar.
    if (volumes.size() == 1) {
        const RarOutcome decrypted = extractDecrypted(staging, meter);
        if (!decrypted.failed() || decrypted.errorCode != unknownFormat)
            return decrypted;
        if (!staging.clear())
            return RarOutcome::failure(writeFailed);
    }
    return extractWithUnar(volumes.constFirst(), m_catalog, staging.path(), meter, m_password);
}

// libarchive first; unar reads some archives libarchive does not (self-
// extracting ones, some RAR4 volume sets, data libarchive cannot decode) and
// starts over in an emptied staging folder. libarchive 3.6 refuses every
// entry after the first of a solid RAR4 archive: those go to unar at once.
RarOutcome RarArchive::extractPlain(const QStringList& volumes, const RarCatalog& catalog,
                                    StagingFolder& staging, RarProgressMeter& meter)
{
    const bool unarInstalled = !UnarExtractor::program().isEmpty();
    if (unarInstalled && catalog.isSolid() && !catalog.isRar5())
        return extractWithUnar(volumes.constFirst(), catalog, staging.path(), meter, std::nullopt);
    RarLibarchiveExtractor extractor(meter, catalog.entries().size(), catalog.totalSize());
    const RarOutcome outcome = checked(extractor.extract(volumes, staging.path()), staging.path(), catalog);
    m_stagedByLibarchive = outcome.succeeded();
    if (!outcome.failed() || outcome.errorCode == writeFailed || !unarInstalled)
        return outcome;
    if (!staging.clear())
        return RarOutcome::failure(writeFailed);
    return extractWithUnar(volumes.constFirst(), catalog, staging.path(), meter, std::nullopt);
}

RarOutcome RarArchive::extractDecrypted(StagingFolder& staging, RarProgressMeter& meter)
{
    // Beside the staging folder, never inside it: its content is not output.
    QTemporaryFile plain(QFileInfo(staging.path()).absolutePath()
                         + QStringLiteral("/.kestrel-decrypted-XXXXXX.rar"));
    if (!plain.open())
        return RarOutcome::failure(writeFailed);
    plain.close();
    int error = 0;
    if (!RarDecryptor::decryptToPlainArchive(m_catalog.volumes().constFirst(), plain.fileName(), *m_password,
                                             &error, [&meter] { return !meter.isCancelled(); }))
        return error == 0 ? RarOutcome::cancellation() : RarOutcome::failure(error);

    // The plain copy lists what encrypted headers hid.
    const RarCatalog catalog = RarCatalog::read(plain.fileName());
    if (catalog.status() != RarCatalog::Status::complete)
        return RarOutcome::failure(badArchive);
    const RarOutcome outcome = extractPlain({ plain.fileName() }, catalog, staging, meter);
    // Compressed RAR4 data has no password check: with a wrong password no
    // engine unpacks it to the CRCs the archive stores.
    if (outcome.failed() && outcome.errorCode != writeFailed)
        return RarOutcome::failure(badPassword);
    return outcome;
}

RarOutcome RarArchive::extractWithUnar(const QString& archive, const RarCatalog& catalog,
                                       const QString& folder, RarProgressMeter& meter,
                                       const std::optional<QString>& password)
{
    UnarExtractor extractor(meter, catalog.entries().size());
    extractor.setPromptObserver(m_promptObserver);
    return checked(extractor.extract(archive, folder, password), folder, catalog);
}
