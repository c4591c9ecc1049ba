#include "Archive/Rar/RarLibarchiveExtractor.h"

#include "Archive/Extraction/LegacyNameDecoder.h"
#include "Archive/Extraction/Utf8LocaleScope.h"
#include "Archive/Rar/RarArchive.h"
#include "Archive/Rar/RarErrorClassifier.h"
#include "Archive/Rar/RarProgressMeter.h"

#include <QFile>
#include <QLocale>

#include <memory>
#include <vector>

#include <archive.h>
#include <archive_entry.h>

namespace {

constexpr size_t kBlockSize = 64 * 1024;

using ArchivePointer = std::unique_ptr<archive, decltype(&archive_read_free)>;

ArchivePointer openVolumes(const QStringList& volumes)
{
    ArchivePointer reader(archive_read_new(), archive_read_free);
    std::vector<QByteArray> names;
    for (const QString& volume : volumes)
        names.push_back(QFile::encodeName(volume));
    std::vector<const char*> pointers;
    for (const QByteArray& name : names)
        pointers.push_back(name.constData());
    pointers.push_back(nullptr);
    if (!reader || archive_read_support_format_rar(reader.get()) != ARCHIVE_OK
        || archive_read_support_format_rar5(reader.get()) != ARCHIVE_OK
        || archive_read_open_filenames(reader.get(), pointers.data(), kBlockSize) != ARCHIVE_OK)
        return ArchivePointer(nullptr, archive_read_free);
    return reader;
}

// RAR5 names are always UTF-8; RAR4 names without the Unicode flag are bytes
// in the writer's code page, chosen for the whole archive from all its names.
QList<QByteArray> legacyNames(const QStringList& volumes, const RarProgressMeter& meter)
{
    QList<QByteArray> names;
    const ArchivePointer reader = openVolumes(volumes);
    if (!reader)
        return names;
    archive_entry* entry = nullptr;
    for (;;) {
        const int result = archive_read_next_header(reader.get(), &entry);
        if ((result != ARCHIVE_OK && result != ARCHIVE_WARN)
            || archive_format(reader.get()) != ARCHIVE_FORMAT_RAR || meter.isCancelled())
            break;
        if (QByteArray name = LibarchiveEntryLoop::rawPathname(entry); !LegacyNameDecoder::isUtf8(name))
            names.append(std::move(name));
    }
    return names;
}

} // namespace

RarLibarchiveExtractor::RarLibarchiveExtractor(RarProgressMeter& meter, qsizetype expectedEntries,
                                               qint64 totalBytes)
    : m_meter(meter)
    , m_expectedEntries(expectedEntries)
    , m_totalBytes(totalBytes)
{
}

RarOutcome RarLibarchiveExtractor::extract(const QStringList& volumes, const QString& folder)
{
    const Utf8LocaleScope utf8Locale;
    if (!m_tree.open(folder))
        return RarOutcome::failure(RarArchive::writeFailed);
    const LegacyNameDecoder decoder(legacyNames(volumes, m_meter), QLocale::system().name());
    const ArchivePointer reader = openVolumes(volumes);
    if (!reader)
        return RarOutcome::failure(RarArchive::badArchive);
    m_meter.begin(m_totalBytes + m_expectedEntries);
    LibarchiveEntryLoop::Callbacks callbacks;
    callbacks.isCancelled = [this] { return m_meter.isCancelled(); };
    callbacks.entryDone = [this](const QString&, qint64) { m_meter.advance(1); };
    callbacks.bytesWritten = [this](qint64 bytes) { m_meter.advance(bytes); };
    LibarchiveEntryLoop loop(reader.get(), m_tree, decoder, std::move(callbacks));
    const RarOutcome outcome = outcomeOf(loop.run());
    if (!outcome.succeeded())
        return outcome;
    return m_tree.finish() ? outcome : RarOutcome::failure(RarArchive::writeFailed);
}

RarOutcome RarLibarchiveExtractor::outcomeOf(const LibarchiveEntryLoop::Result& result) const
{
    switch (result.ending) {
    case LibarchiveEntryLoop::Ending::finished:
        // libarchive ends "successfully" when volumes are missing.
        return result.entries < m_expectedEntries ? RarOutcome::failure(RarArchive::badArchive)
                                                  : RarOutcome::success();
    case LibarchiveEntryLoop::Ending::cancelled:
        return RarOutcome::cancellation();
    case LibarchiveEntryLoop::Ending::readFailed:
        return RarOutcome::failure(RarErrorClassifier::fromLibarchive(result.message));
    case LibarchiveEntryLoop::Ending::shortFile:
        // With a volume missing libarchive can end a file early without an error.
        return RarOutcome::failure(RarArchive::badData);
    case LibarchiveEntryLoop::Ending::writeFailed:
        return RarOutcome::failure(RarArchive::writeFailed);
    }
    return RarOutcome::failure(RarArchive::unknown);
}
