#include "FuzzTargets.h"

#include "Archive/Extraction/EntryPathSanitizer.h"
#include "Archive/Extraction/LegacyNameDecoder.h"
#include "Archive/Rar/RarArchive.h"
#include "Archive/Rar/RarCatalog.h"
#include "Archive/Rar/RarProgress.h"
#include "Archive/Rar/StagingFolder.h"
#include "Archive/SevenZip/SevenZipListingParser.h"
#include "Archive/SevenZip/SevenZipProgressParser.h"
#include "Archive/Zip/ZipDirectory.h"
#include "Archive/Zip/ZipHandle.h"
#include "Archive/Zip/ZipParallelExtractor.h"
#include "FuzzChecks.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

using Extraction = std::function<QString(const QString& archive, const QString& destination)>;

QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Extracts the input from <root>/<archiveName> into <root>/parent/destination,
// so that anything landing beside the destination or above it shows, then
// removes it all.
QString extractInSandbox(const QString& archiveName, const QByteArray& input, const Extraction& extract)
{
    QTemporaryDir root(QDir::tempPath() + u"/kestrel-fuzz-XXXXXX"_s);
    if (!root.isValid())
        return u"no temporary folder: %1"_s.arg(root.errorString());
    // Extractions may leave folders without write permission, which
    // QTemporaryDir cannot remove.
    root.setAutoRemove(false);
    const QString archive = root.filePath(archiveName);
    const QString parent = root.filePath(u"parent"_s);
    const QString destination = parent + u"/destination"_s;
    QString problem;
    QFile file(archive);
    if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size() || !file.flush()
        || !QDir().mkpath(destination))
        problem = u"cannot set up the extraction in \"%1\""_s.arg(root.path());
    file.close();
    if (problem.isEmpty())
        problem = extract(archive, destination);
    if (problem.isEmpty())
        problem = FuzzChecks::strayEntriesProblem(root.path(), { archiveName, u"parent"_s });
    if (problem.isEmpty())
        problem = FuzzChecks::strayEntriesProblem(parent, { u"destination"_s });
    if (problem.isEmpty())
        problem = FuzzChecks::outwardLinkProblem(destination);
    if (problem.isEmpty() && file.open(QIODevice::ReadOnly) && file.readAll() != input)
        problem = u"the archive was changed"_s;
    file.close();
    if (!StagingFolder::removeTree(root.path()) && problem.isEmpty())
        problem = u"cannot remove \"%1\""_s.arg(root.path());
    return problem;
}

} // namespace

QString fuzzSevenZipListing(const uint8_t* data, size_t size)
{
    const SevenZipListingParser::Result result
        = SevenZipListingParser::parse(QString::fromUtf8(bytesOf(data, size)));
    for (qsizetype i = 0; i < result.items.size(); ++i) {
        const SevenZipItem& item = result.items.at(i);
        if (item.index != i)
            return u"item %1 has index %2"_s.arg(i).arg(item.index);
        if (item.path.isEmpty())
            return u"item %1 has no path"_s.arg(i);
        if (item.fileName().contains(u'/'))
            return u"file name of \"%1\" holds a separator"_s.arg(item.path);
    }
    return {};
}

QString fuzzSevenZipProgress(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    SevenZipProgressParser whole;
    const QList<float> wholeFractions = whole.feed(bytes) + whole.finish();

    // Chunk lengths come from the data itself, so the fuzzer tries every split.
    SevenZipProgressParser chunked;
    QList<float> chunkedFractions;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = std::min<qsizetype>(bytes.size() - at, 1 + uchar(bytes.at(at)) % 16);
        chunkedFractions += chunked.feed(bytes.sliced(at, length));
        at += length;
    }
    chunkedFractions += chunked.finish();

    if (chunkedFractions != wholeFractions || chunked.messages() != whole.messages())
        return u"the result depends on how the stream was split"_s;
    for (const float fraction : wholeFractions) {
        if (!(fraction >= 0.0F && fraction <= 1.0F))
            return u"fraction %1 out of range"_s.arg(fraction);
    }
    return {};
}

QString fuzzRarCatalog(const uint8_t* data, size_t size)
{
    QTemporaryDir root(QDir::tempPath() + u"/kestrel-fuzz-XXXXXX"_s);
    const QString path = root.filePath(u"input.rar"_s);
    QFile file(path);
    if (!root.isValid() || !file.open(QIODevice::WriteOnly)
        || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size) || !file.flush())
        return u"cannot write the input into \"%1\""_s.arg(root.path());
    file.close();
    const RarCatalog catalog = RarCatalog::read(path);
    if (catalog.volumes().isEmpty())
        return u"a catalogue without volumes"_s;
    if (catalog.totalSize() < 0)
        return u"total size %1 is negative"_s.arg(catalog.totalSize());
    for (const RarCatalog::Entry& entry : catalog.entries()) {
        if (entry.size < 0)
            return u"entry size %1 is negative"_s.arg(entry.size);
    }
    if (catalog.status() == RarCatalog::Status::notRar && !catalog.entries().isEmpty())
        return u"entries listed from what is no RAR archive"_s;
    return {};
}

QString fuzzEntryPathSanitizer(const uint8_t* data, size_t size)
{
    const QByteArray input = bytesOf(data, size);
    const qsizetype nul = input.indexOf('\0');
    const QString name = QString::fromUtf8(nul < 0 ? input : input.left(nul));
    const QString path = EntryPathSanitizer::sanitize(name);
    if (const QString problem = FuzzChecks::sanitizedPathProblem(path); !problem.isEmpty())
        return problem;
    if (nul < 0 || path.isEmpty())
        return {};
    const QString target = QString::fromUtf8(input.mid(nul + 1));
    if (!EntryPathSanitizer::isLinkTargetInside(path, target))
        return {};
    return FuzzChecks::linkTargetProblem(path, target);
}

QString fuzzLegacyNameDecoder(const uint8_t* data, size_t size)
{
    if (size == 0)
        return {};
    static const QStringList locales = { u"en_US"_s, u"zh_CN"_s, u"zh_TW"_s, u"ja_JP"_s, u"ko_KR"_s, u"C"_s };
    const QString locale = locales.at(data[0] % locales.size());
    const QList<QByteArray> names = bytesOf(data + 1, size - 1).split('\n');
    const LegacyNameDecoder decoder(names, locale);

    const bool allUtf8 = std::all_of(names.cbegin(), names.cend(), &LegacyNameDecoder::isUtf8);
    if (decoder.encoding().isEmpty() != allUtf8)
        return u"encoding \"%1\" chosen although every name is UTF-8: %2"_s.arg(
            QString::fromLatin1(decoder.encoding()), allUtf8 ? u"yes"_s : u"no"_s);
    for (const QByteArray& name : names) {
        const QString decoded = decoder.decode(name);
        if (LegacyNameDecoder::isUtf8(name)) {
            if (decoded != QString::fromUtf8(name))
                return u"UTF-8 name \"%1\" decoded otherwise"_s.arg(QString::fromUtf8(name));
            continue;
        }
        QStringDecoder check(decoder.encoding().constData(),
                             QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        const QString checked = check(name);
        if (check.hasError() || checked != decoded)
            return u"name %1 does not decode cleanly as %2"_s.arg(QString::fromLatin1(name.toHex()),
                                                                  QString::fromLatin1(decoder.encoding()));
    }
    return {};
}

QString fuzzZipExtraction(const uint8_t* data, size_t size)
{
    return extractInSandbox(
        u"input.zip"_s, bytesOf(data, size), [size](const QString& archive, const QString& destination) {
            // Half the inputs carry a password, so that encrypted entries get decoded too.
            const std::optional<QString> password = size % 2 ? std::optional(u"fuzz"_s) : std::nullopt;
            ZipHandle zip;
            if (zip.open(archive, {}) != ArchiveErrorType::none)
                return u"a zip archive failed to open"_s;
            if (password)
                zip.setPassword(*password);
            // Whatever it reports, the sandbox checks what it left.
            zip.extract(destination, {});
            return QString();
        });
}

// Our own zip reader alone, without the libarchive fallback: the central
// directory's checks, the local headers and the workers.
QString fuzzZipReader(const uint8_t* data, size_t size)
{
    return extractInSandbox(u"input.zip"_s, bytesOf(data, size),
                            [](const QString& archive, const QString& destination) {
                                QFile file(archive);
                                if (!file.open(QIODevice::ReadOnly))
                                    return u"the input could not be read back"_s;
                                const ZipDirectory directory = ZipDirectory::read(file.handle(), file.size());
                                if (directory.verdict == ZipDirectory::Verdict::ours)
                                    ZipParallelExtractor(directory, {}).extract(archive, destination);
                                return QString();
                            });
}

QString fuzzRarExtraction(const uint8_t* data, size_t size)
{
    return extractInSandbox(u"input.rar"_s, bytesOf(data, size),
                            [](const QString& archive, const QString& destination) {
                                int error = 0;
                                const std::unique_ptr<RarArchive> rar = RarArchive::open(archive, &error);
                                if (!rar) {
                                    if (error == 0)
                                        return u"open failed without an error code"_s;
                                    return QString();
                                }
                                if (rar->isPasswordProtected())
                                    return QString();
                                const auto progress = std::make_shared<RarProgress>();
                                rar->setProgress(progress);
                                rar->extractFilesTo(destination);
                                const double fraction = progress->fractionCompleted();
                                if (!(fraction >= 0.0 && fraction <= 1.0))
                                    return u"progress %1 out of range"_s.arg(fraction);
                                return QString();
                            });
}

QList<FuzzTarget> fuzzTargets()
{
    return {
        { u"sevenzip_listing"_s, &fuzzSevenZipListing },
        { u"sevenzip_progress"_s, &fuzzSevenZipProgress },
        { u"rar_catalog"_s, &fuzzRarCatalog },
        { u"entry_path"_s, &fuzzEntryPathSanitizer },
        { u"legacy_names"_s, &fuzzLegacyNameDecoder },
        { u"zip_extract"_s, &fuzzZipExtraction },
        { u"zip_reader"_s, &fuzzZipReader },
        { u"rar_extract"_s, &fuzzRarExtraction },
    };
}
