#include "FuzzChecks.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// As the kernel gives up (ELOOP) after 40 links in one lookup.
constexpr int kMaxLinkHops = 40;

bool isInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + u'/');
}

std::optional<QString> readLink(const QString& path)
{
    struct stat status = {};
    const QByteArray encoded = QFile::encodeName(path);
    if (lstat(encoded.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
        return std::nullopt;
    QByteArray target(PATH_MAX, '\0');
    const ssize_t length = readlink(encoded.constData(), target.data(), size_t(target.size()));
    if (length < 0)
        return std::nullopt;
    target.truncate(length);
    return QFile::decodeName(target);
}

} // namespace

QString FuzzChecks::sanitizedPathProblem(const QString& path)
{
    if (path.startsWith(u'/'))
        return u"sanitised path \"%1\" is absolute"_s.arg(path);
    if (path.contains(u'\\'))
        return u"sanitised path \"%1\" holds a backslash"_s.arg(path);
    if (path.isEmpty())
        return {};
    for (const QString& component : path.split(u'/')) {
        if (component.isEmpty())
            return u"sanitised path \"%1\" has an empty component"_s.arg(path);
        if (component == "."_L1 || component == ".."_L1)
            return u"sanitised path \"%1\" has a \"%2\" component"_s.arg(path, component);
    }
    return {};
}

QString FuzzChecks::linkTargetProblem(const QString& linkPath, const QString& target)
{
    if (target.startsWith(u'/'))
        return u"link \"%1\" -> \"%2\" is absolute"_s.arg(linkPath, target);
    QStringList folders = linkPath.split(u'/', Qt::SkipEmptyParts);
    if (!folders.isEmpty())
        folders.removeLast();
    for (const QString& component : target.split(u'/', Qt::SkipEmptyParts)) {
        if (component == "."_L1)
            continue;
        if (component != ".."_L1) {
            folders.append(component);
            continue;
        }
        if (folders.isEmpty())
            return u"link \"%1\" -> \"%2\" climbs out"_s.arg(linkPath, target);
        folders.removeLast();
    }
    return {};
}

QString FuzzChecks::strayEntriesProblem(const QString& folder, const QStringList& expected)
{
    QStringList found
        = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QStringList wanted = expected;
    found.sort();
    wanted.sort();
    if (found == wanted)
        return {};
    return u"\"%1\" holds [%2] instead of [%3]"_s.arg(folder, found.join(u", "_s), wanted.join(u", "_s));
}

QString FuzzChecks::outwardLinkProblem(const QString& destination)
{
    const QString root = QFileInfo(destination).canonicalFilePath();
    if (root.isEmpty())
        return u"\"%1\" is gone"_s.arg(destination);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat status = {};
        if (lstat(QFile::encodeName(path).constData(), &status) != 0)
            return u"\"%1\" cannot be examined"_s.arg(path);
        if (S_ISLNK(status.st_mode)) {
            // A loop of links leads nowhere; anything written through it fails.
            const QString end = resolve(path);
            if (!end.isEmpty() && !isInside(end, root))
                return u"link \"%1\" leads to \"%2\", outside \"%3\""_s.arg(path, end, root);
        } else if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) {
            return u"\"%1\" is neither a file, a folder nor a link"_s.arg(path);
        }
    }
    return {};
}

QString FuzzChecks::resolve(const QString& path)
{
    QStringList pending = path.split(u'/', Qt::SkipEmptyParts);
    QString current;
    int hops = 0;
    while (!pending.isEmpty()) {
        const QString component = pending.takeFirst();
        if (component == "."_L1)
            continue;
        if (component == ".."_L1) {
            // `current` holds no links, so climbing it by text is exact.
            current.truncate(std::max<qsizetype>(current.lastIndexOf(u'/'), 0));
            continue;
        }
        const QString next = current + u'/' + component;
        const std::optional<QString> target = readLink(next);
        if (!target) {
            current = next;
            continue;
        }
        if (++hops > kMaxLinkHops)
            return {};
        if (target->startsWith(u'/'))
            current.clear();
        pending = target->split(u'/', Qt::SkipEmptyParts) + pending;
    }
    return current.isEmpty() ? u"/"_s : current;
}
