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
