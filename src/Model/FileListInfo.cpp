#include "Model/FileListInfo.h"

#include <QJsonArray>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kListKey = u"list"_s;

} // namespace

FileListInfo FileListInfo::fromJson(const QJsonObject& json)
{
    FileListInfo info;
    const QJsonArray array = json.value(kListKey).toArray();
    const bool allObjects = std::all_of(array.begin(), array.end(),
                                        [](const QJsonValue& element) { return element.isObject(); });
    if (!allObjects)
        return info;
    for (const QJsonValue& element : array)
        info.list.append(FileListItemInfo::fromJson(element.toObject()));
    return info;
}

QJsonObject FileListInfo::toJson() const
{
    QJsonArray array;
    for (const FileListItemInfo& item : list)
        array.append(item.toJson());
    return { { kListKey, array } };
}

void FileListInfo::addURLs(const QList<QUrl>& urls)
{
    // Ids of the list and of this call: a scan per URL would make a drop of
    // many files quadratic.
    QSet<QString> ids;
    ids.reserve(list.size() + urls.size());
    for (const FileListItemInfo& entry : std::as_const(list))
        ids.insert(entry.fileId);
    for (auto url = urls.crbegin(); url != urls.crend(); ++url) {
        FileListItemInfo item = FileListItemInfo::fromURL(*url);
        if (ids.contains(item.fileId))
            continue;
        ids.insert(item.fileId);
        list.prepend(std::move(item));
    }
}

void FileListInfo::removeRows(const QSet<qsizetype>& rows)
{
    qsizetype row = 0;
    list.removeIf([&rows, &row](const FileListItemInfo&) { return rows.contains(row++); });
}
