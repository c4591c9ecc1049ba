#include "Archive/Rar/RarCatalog.h"

#include "Archive/Rar/Rar4CatalogWalker.h"
#include "Archive/Rar/Rar5CatalogWalker.h"
#include "Archive/Rar/RarVolumes.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace {

constexpr QByteArrayView rar4Signature("Rar!\x1a\x07\x00", 7);
constexpr QByteArrayView rar5Signature("Rar!\x1a\x07\x01\x00", 8);
constexpr QByteArrayView signatureStart("Rar!\x1a\x07", 6);
// Self-extractors put their program first; rar's modules are well under this.
constexpr qint64 maxProgramSize = 1024 * 1024;

enum class Format
{
    none,
    rar4,
    rar5,
};

Format formatAt(QByteArrayView bytes)
{
    if (bytes.startsWith(rar5Signature))
        return Format::rar5;
    return bytes.startsWith(rar4Signature) ? Format::rar4 : Format::none;
}

bool isProgram(QByteArrayView head)
{
    return head.startsWith("MZ")
        || head.startsWith("\x7f"
                           "ELF");
}

// Leaves the file just after the signature. Only a first volume may carry a
// self-extractor's program before it.
Format findSignature(QFile& file, bool programAllowed)
{
    const QByteArray head = file.read(rar5Signature.size());
    Format format = formatAt(head);
    qint64 start = 0;
    if (format == Format::none && programAllowed && isProgram(head)) {
        file.seek(0);
        const QByteArray program = file.read(maxProgramSize + rar5Signature.size());
        for (qsizetype at = program.indexOf(signatureStart); at >= 0 && format == Format::none;
             at = program.indexOf(signatureStart, at + 1)) {
            format = formatAt(QByteArrayView(program).sliced(at));
            start = at;
        }
    }
    if (format == Format::none)
        return format;
    file.seek(start + (format == Format::rar5 ? rar5Signature.size() : rar4Signature.size()));
    return format;
}

RarCatalog::Status statusAfter(RarVolumeWalk::End end)
{
    switch (end) {
    case RarVolumeWalk::End::lastVolume:
        return RarCatalog::Status::complete;
    case RarVolumeWalk::End::namesEncrypted:
        return RarCatalog::Status::namesEncrypted;
    case RarVolumeWalk::End::unreadable:
        return RarCatalog::Status::unreadable;
    default:
        return RarCatalog::Status::damaged;
    }
}

// One volume's walk; `catalog` learns the format from the first volume.
RarVolumeWalk walkVolume(const QString& path, RarCatalog& catalog, bool first)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { RarVolumeWalk::End::unreadable, false };
    const Format format = findSignature(file, first);
    if (format == Format::none || (!first && (format == Format::rar5) != catalog.isRar5())) {
        if (first)
            catalog.setStatus(RarCatalog::Status::notRar);
        return { RarVolumeWalk::End::damaged, false };
    }
    catalog.setRar5(format == Format::rar5);
    return format == Format::rar5 ? Rar5CatalogWalker(file, catalog).walk()
                                  : Rar4CatalogWalker(file, catalog).walk();
}

} // namespace

RarCatalog RarCatalog::read(const QString& path)
{
    const QString absolutePath = QFileInfo(path).absoluteFilePath();
    RarCatalog catalog;
    catalog.m_volumes = QStringList { absolutePath };
    const RarVolumeWalk walk = walkVolume(absolutePath, catalog, true);
    if (catalog.m_status == Status::notRar)
        return catalog;
    if (!walk.isVolume) {
        catalog.m_status
            = walk.end == RarVolumeWalk::End::nextVolume ? Status::damaged : statusAfter(walk.end);
        return catalog;
    }
    if (walk.end == RarVolumeWalk::End::namesEncrypted) {
        catalog.m_status = Status::namesEncrypted;
        catalog.m_volumes = RarVolumes::find(absolutePath);
        return catalog;
    }
    // Any volume may have been opened: the set is walked again from its first.
    catalog.m_entries.clear();
    catalog.m_volumes.clear();
    const QStringList volumes = RarVolumes::find(absolutePath);
    for (qsizetype index = 0; index < volumes.size(); ++index) {
        const RarVolumeWalk part = walkVolume(volumes.at(index), catalog, index == 0);
        catalog.m_volumes.append(volumes.at(index));
        if (part.end != RarVolumeWalk::End::nextVolume) {
            catalog.m_status = statusAfter(part.end);
            return catalog;
        }
    }
    // The last volume found says another follows: it is missing.
    catalog.m_status = Status::damaged;
    return catalog;
}

bool RarCatalog::hasEncryptedData() const
{
    if (m_status == Status::namesEncrypted)
        return true;
    return std::any_of(m_entries.cbegin(), m_entries.cend(),
                       [](const Entry& entry) { return entry.is(Entry::encrypted); });
}

qint64 RarCatalog::totalSize() const
{
    qint64 total = 0;
    for (const Entry& entry : m_entries) {
        // Sizes come from the archive: a hostile one must not overflow the sum.
        if (!entry.is(Entry::sizeUnknown))
            total = entry.size > std::numeric_limits<qint64>::max() - total
                ? std::numeric_limits<qint64>::max()
                : total + entry.size;
    }
    return total;
}
