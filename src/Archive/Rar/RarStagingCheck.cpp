#include "Archive/Rar/RarStagingCheck.h"

#include "Archive/Extraction/EntryPathSanitizer.h"
#include "Archive/Extraction/LegacyNameDecoder.h"
#include "Archive/Rar/RarCatalog.h"

#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QSet>

#include <algorithm>

#include <sys/stat.h>

namespace {

enum class Found
{
    withSize,
    otherSize,
    missing,
};

Found lookUp(const QString& path, qint64 size)
{
    struct stat status = {};
    if (lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return Found::missing;
    return status.st_size == size ? Found::withSize : Found::otherSize;
}

QList<QByteArray> namesOf(const RarCatalog& catalog)
{
    QList<QByteArray> names;
    if (catalog.isRar5())
        return names; // always UTF-8
    names.reserve(catalog.entries().size());
    for (const RarCatalog::Entry& entry : catalog.entries())
        names.append(entry.name);
    return names;
}

// Matches the sizes of files an engine renamed against files no catalogue
// name accounts for.
bool renamedFilesMatch(const QString& folder, const QSet<size_t>& expectedNames, QList<qint64> missingSizes)
{
    std::sort(missingSizes.begin(), missingSizes.end());
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
    while (files.hasNext() && !missingSizes.isEmpty()) {
        const QFileInfo file = files.nextFileInfo();
        if (file.isSymLink() || expectedNames.contains(qHash(file.filePath().mid(folder.size() + 1))))
            continue;
        const auto match = std::lower_bound(missingSizes.begin(), missingSizes.end(), file.size());
        if (match != missingSizes.end() && *match == file.size())
            missingSizes.erase(match);
    }
    return missingSizes.isEmpty();
}

} // namespace

bool RarStagingCheck::holdsEverything(const QString& folder, const RarCatalog& catalog)
{
    const LegacyNameDecoder decoder(namesOf(catalog), QLocale::system().name());
    // Hashes, not names, keep this small on archives of many entries; a
    // collision can only leave one file unchecked.
    QSet<size_t> expectedNames;
    QList<qint64> missingSizes;
    for (const RarCatalog::Entry& entry : catalog.entries()) {
        if (entry.flags
            & (RarCatalog::Entry::directory | RarCatalog::Entry::linked | RarCatalog::Entry::sizeUnknown))
            continue;
        const QString path = EntryPathSanitizer::sanitize(decoder.decode(entry.name));
        // A name with nothing left after sanitising is not extracted; of
        // entries sharing a name, the first is kept.
        if (path.isEmpty() || expectedNames.contains(qHash(path)))
            continue;
        expectedNames.insert(qHash(path));
        switch (lookUp(folder + u'/' + path, entry.size)) {
        case Found::withSize:
            break;
        case Found::otherSize:
            return false;
        case Found::missing:
            missingSizes.append(entry.size);
        }
    }
    return missingSizes.isEmpty() || renamedFilesMatch(folder, expectedNames, std::move(missingSizes));
}
