#include "Archive/Extraction/EntryPathSanitizer.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

bool isDrive(const QString& component)
{
    return component.size() == 2 && component.at(1) == u':' && component.at(0).isLetter()
        && component.at(0).unicode() < 128;
}

} // namespace

QString EntryPathSanitizer::sanitize(const QString& name)
{
    QString separated = name;
    separated.replace(u'\\', u'/');
    QStringList components = separated.split(u'/', Qt::SkipEmptyParts);
    if (!components.isEmpty() && isDrive(components.first()))
        components.removeFirst();
    components.removeIf([](const QString& component) { return component == "."_L1 || component == ".."_L1; });
    return components.join(u'/');
}

bool EntryPathSanitizer::isLinkTargetInside(const QString& linkPath, const QString& target)
{
    if (target.isEmpty() || target.startsWith(u'/'))
        return false;
    // The link's own folders were created as real folders, so climbing them
    // with a leading ".." is safe; a ".." after a name could climb out of a link.
    qsizetype depth = linkPath.count(u'/');
    bool descending = false;
    for (const QString& component : target.split(u'/', Qt::SkipEmptyParts)) {
        if (component == "."_L1)
            continue;
        if (component != ".."_L1) {
            descending = true;
            continue;
        }
        if (descending || depth == 0)
            return false;
        --depth;
    }
    return true;
}
