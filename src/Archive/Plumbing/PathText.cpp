#include "Archive/Plumbing/PathText.h"

namespace {

// The path without trailing slashes, except that a path of slashes only stays "/".
QStringView trimmedTrailingSlashes(const QString& path)
{
    QStringView view(path);
    while (view.size() > 1 && view.endsWith(u'/'))
        view.chop(1);
    return view;
}

// Position of the dot that starts the extension of `name`, or -1.
qsizetype extensionDot(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return -1;
    return dot;
}

} // namespace

QString PathText::lastPathComponent(const QString& path)
{
    const QStringView trimmed = trimmedTrailingSlashes(path);
    if (trimmed == u"/")
        return {};
    return trimmed.mid(trimmed.lastIndexOf(u'/') + 1).toString();
}

QString PathText::deletingLastPathComponent(const QString& path)
{
    const QStringView trimmed = trimmedTrailingSlashes(path);
    qsizetype slash = trimmed.lastIndexOf(u'/');
    if (slash < 0)
        return {};
    while (slash > 0 && trimmed.at(slash - 1) == u'/')
        --slash;
    if (slash == 0)
        return QStringLiteral("/");
    return trimmed.left(slash).toString();
}

QString PathText::pathExtension(const QString& path)
{
    const QString name = lastPathComponent(path);
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString PathText::baseName(const QString& path)
{
    const QString name = lastPathComponent(path);
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? name : name.left(dot);
}

QString PathText::appendingPathComponent(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}
