#include "Archive/Rar/RarArchive.h"

#include "Archive/Rar/Decrypt/RarDecryptor.h"
#include "Archive/Rar/LsarCommand.h"
#include "Archive/Rar/RarLibarchiveExtractor.h"
#include "Archive/Rar/RarOutcome.h"
#include "Archive/Rar/RarProgressMeter.h"
#include "Archive/Rar/RarVolumes.h"
#include "Archive/Rar/StagingFolder.h"
#include "Archive/Rar/StagingMover.h"
#include "Archive/Rar/UnarExtractor.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// lsar's error numbers (XADException) that open() tells apart.
constexpr int kLsarOpenFileError = 11;
constexpr int kLsarPasswordError = 15;
constexpr int kLsarPasswordMissing = 2; // exit code

bool startsWithRarSignature(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(8);
    return head.startsWith(QByteArrayView("Rar!\x1a\x07\x00", 7))
        || head.startsWith(QByteArrayView("Rar!\x1a\x07\x01\x00", 8));
}

// lsar stops, with exit code 2, when it needs a password for the names,
// before it names the format; only the file's signature then says it is RAR.
bool namesNeedPassword(const LsarCommand::Result& result, const QString& path)
{
    const LsarListing& listing = result.listing;
    const bool stopped = (listing.isTruncated() && result.exitCode == kLsarPasswordMissing)
        || listing.error() == kLsarPasswordError;
    return stopped && (listing.isRar() || listing.formatName().isEmpty()) && startsWithRarSignature(path);
}

// lsar reads headers only and does not notice data that is cut off.
bool isCutShort(const LsarListing& listing, const QString& path)
{
    const QStringList volumes = listing.volumes().isEmpty() ? QStringList { path } : listing.volumes();
    qint64 size = 0;
    for (const QString& volume : volumes)
        size += QFileInfo(volume).size();
    return listing.dataEnd() > size;
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
    const std::optional<LsarCommand::Result> result = LsarCommand::list(path);
    if (!result)
        return failWith(unknown);
    const LsarListing& listing = result->listing;
    const QString absolutePath = QFileInfo(path).absoluteFilePath();
    if (namesNeedPassword(*result, path))
        return std::unique_ptr<RarArchive>(new RarArchive(absolutePath, listing, true));
    if (listing.error() == kLsarOpenFileError)
        return failWith(openFailed);
    // A damaged or cut-off archive is refused here: libarchive would end a
    // truncated one "successfully" with the entries it found. No RAR tool
    // writes an archive without entries; lsar reads a bare signature as one.
    if (!listing.isRar() || listing.isTruncated() || listing.error() != 0 || result->exitCode != 0
        || listing.entries().isEmpty() || isCutShort(listing, path))
        return failWith(unknownFormat);
    return std::unique_ptr<RarArchive>(new RarArchive(absolutePath, listing, false));
}

RarArchive::RarArchive(const QString& path, LsarListing listing, bool namesEncrypted)
    : m_path(path)
    , m_listing(std::move(listing))
    , m_namesEncrypted(namesEncrypted)
{
}

RarArchive::~RarArchive() = default;

void RarArchive::setProgress(std::shared_ptr<RarProgress> progress)
{
    m_progress = std::move(progress);
}

bool RarArchive::isPasswordProtected() const
{
    return m_namesEncrypted || m_listing.isEncrypted();
}

void RarArchive::setPassword(const QString& password)
{
    m_password = password;
}

void RarArchive::setPasswordPromptObserver(std::function<void(qint64)> observer)
{
    m_promptObserver = std::move(observer);
}

bool RarArchive::extractFilesTo(const QString& folder, bool /*overwrite*/, int* errorCode)
{
    const auto failWith = [errorCode](int code) {
        if (errorCode)
            *errorCode = code;
        return false;
    };
    RarProgressMeter meter(m_progress);
    if (meter.isCancelled())
        return true;
    if (!QFileInfo(folder).isDir())
        return failWith(writeFailed);
    StagingFolder staging(folder);
    if (!staging.isValid())
        return failWith(writeFailed);
    const RarOutcome outcome = extractInto(staging, meter);
    if (outcome.cancelled() || meter.isCancelled())
        return true;
    if (outcome.failed())
        return failWith(outcome.errorCode);
    StagingMover mover;
    if (!mover.move(staging.path(), folder))
        return failWith(writeFailed);
    meter.finish();
    return true;
}

RarOutcome RarArchive::extractInto(StagingFolder& staging, RarProgressMeter& meter)
{
    if (isPasswordProtected()) {
        if (!m_password || m_password->isEmpty())
            return RarOutcome::failure(missingPassword);
        // unar 1.10.1 cannot decrypt RAR4 at all: decrypting ourselves and
        // reading the plain archive with libarchive comes first. Sets of
        // volumes and kinds the decryptor does not know go to unar.
        if (volumes().size() == 1) {
            const RarOutcome decrypted = extractDecrypted(staging, meter);
            if (!decrypted.failed() || decrypted.errorCode != unknownFormat)
                return decrypted;
            if (!staging.clear())
                return RarOutcome::failure(writeFailed);
        }
        return extractWithUnar(staging.path(), meter, m_password);
    }
    const RarOutcome outcome = extractWithLibarchive(staging.path(), meter);
    if (!outcome.failed() || outcome.errorCode == writeFailed)
        return outcome;
    // unar reads some archives libarchive does not (self-extracting ones,
    // some RAR4 volume sets): it starts over in an emptied staging folder.
    if (UnarExtractor::program().isEmpty())
        return outcome;
    if (!staging.clear())
        return RarOutcome::failure(writeFailed);
    return extractWithUnar(staging.path(), meter, std::nullopt);
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
    if (!RarDecryptor::decryptToPlainArchive(m_path, plain.fileName(), *m_password, &error,
                                             [&meter] { return !meter.isCancelled(); }))
        return error == 0 ? RarOutcome::cancellation() : RarOutcome::failure(error);

    RarLibarchiveExtractor extractor(meter, m_listing.entries().size(), m_listing.totalSize());
    const RarOutcome outcome = extractor.extract({ plain.fileName() }, staging.path());
    // RAR4 has no password check: a wrong password shows up as damaged data.
    if (outcome.failed() && outcome.errorCode != writeFailed)
        return RarOutcome::failure(badPassword);
    return outcome;
}

RarOutcome RarArchive::extractWithLibarchive(const QString& folder, RarProgressMeter& meter)
{
    RarLibarchiveExtractor extractor(meter, m_listing.entries().size(), m_listing.totalSize());
    return extractor.extract(volumes(), folder);
}

RarOutcome RarArchive::extractWithUnar(const QString& folder, RarProgressMeter& meter,
                                       const std::optional<QString>& password)
{
    UnarExtractor extractor(meter, m_listing.entries().size());
    extractor.setPromptObserver(m_promptObserver);
    return extractor.extract(volumes().constFirst(), folder, password);
}

QStringList RarArchive::volumes() const
{
    const QStringList listed = m_listing.volumes();
    if (listed.size() <= 1)
        return { m_path };
    // lsar read the headers and knows it is a set; the names on disk decide
    // which files belong to it, as lsar can pick up a neighbouring set.
    const QStringList found = RarVolumes::find(m_path);
    return found.size() > 1 ? found : listed;
}
