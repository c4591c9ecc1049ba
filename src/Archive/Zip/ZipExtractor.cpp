#include "Archive/Zip/ZipExtractor.h"

#include "Archive/Extraction/LegacyNameDecoder.h"
#include "Archive/Extraction/Utf8LocaleScope.h"
#include "Archive/Zip/ZipErrorClassifier.h"
#include "Archive/Zip/ZipReader.h"

#include <QLocale>

namespace {

// A stop asked for by the caller; the caller knows it cancelled.
constexpr int kStopped = ZipEngine::internalError;

} // namespace

ZipExtractor::ZipExtractor(ZipEngine::ShouldContinue shouldContinue, ZipEngine::ExtractProgress progress)
    : m_shouldContinue(std::move(shouldContinue))
    , m_progress(std::move(progress))
{
}

std::optional<int> ZipExtractor::extract(const QString& archivePath, const ZipCatalog& catalog,
                                         const QString& destination, const std::optional<QString>& password)
{
    const Utf8LocaleScope utf8Locale;
    if (!m_tree.open(destination))
        return ZipEngine::writeFailed;
    if (catalog.entryCount == 0)
        return std::nullopt;
    ZipReader reader;
    if (!reader.open(archivePath, password))
        return ZipEngine::archiveUnreadable;
    const LegacyNameDecoder decoder(catalog.legacyNames, QLocale::system().name());
    const qint64 total = catalog.entryCount;
    LibarchiveEntryLoop::Callbacks callbacks;
    callbacks.isCancelled = [this] { return m_shouldContinue && !m_shouldContinue(); };
    if (m_progress) {
        callbacks.entryDone = [this, total](const QString& name, qint64 number) {
            m_progress(name, number, std::max(total, number));
        };
    }
    LibarchiveEntryLoop loop(reader.handle(), m_tree, decoder, std::move(callbacks));
    if (const std::optional<int> error = errorOf(loop.run()))
        return error;
    if (!m_tree.finish())
        return ZipEngine::writeFailed;
    return std::nullopt;
}

std::optional<int> ZipExtractor::errorOf(const LibarchiveEntryLoop::Result& result)
{
    switch (result.ending) {
    case LibarchiveEntryLoop::Ending::finished:
        return std::nullopt;
    case LibarchiveEntryLoop::Ending::cancelled:
        return kStopped;
    case LibarchiveEntryLoop::Ending::readFailed:
        return ZipErrorClassifier::classify(result.message, result.entryEncrypted);
    case LibarchiveEntryLoop::Ending::shortFile:
        return ZipEngine::archiveUnreadable;
    case LibarchiveEntryLoop::Ending::writeFailed:
        return ZipEngine::writeFailed;
    }
    return ZipEngine::internalError;
}
