#include "Model/FileListItemInfo.h"

#include "Model/URLTransform.h"

#include <QCryptographicHash>

using namespace Qt::StringLiterals;

namespace {

const QString kFileIdKey = u"fileId"_s;
const QString kFileNameKey = u"fileName"_s;
const QString kFileURLKey = u"fileURL"_s;

} // namespace

FileListItemInfo FileListItemInfo::fromURL(const QUrl& url)
{
    FileListItemInfo item;
    const QString path = url.toLocalFile();
    item.fileId = fileIdForPath(path);
    item.fileName = path;
    item.fileURL = url;
    return item;
}

QString FileListItemInfo::fileIdForPath(const QString& path)
{
    return QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Md5).toHex());
}

FileListItemInfo FileListItemInfo::fromJson(const QJsonObject& json)
{
    FileListItemInfo item;
    if (const QJsonValue fileId = json.value(kFileIdKey); fileId.isString())
        item.fileId = fileId.toString();
    if (const QJsonValue fileName = json.value(kFileNameKey); fileName.isString())
        item.fileName = fileName.toString();
    if (const std::optional<QUrl> fileURL = URLTransform::fromJson(json.value(kFileURLKey)))
        item.fileURL = fileURL;
    return item;
}

QJsonObject FileListItemInfo::toJson() const
{
    QJsonObject json { { kFileIdKey, fileId }, { kFileNameKey, fileName } };
    if (const std::optional<QJsonValue> fileURLValue = URLTransform::toJson(fileURL))
        json.insert(kFileURLKey, *fileURLValue);
    return json;
}

FileCategory FileListItemInfo::fileCategory() const
{
    if (!fileURL)
        return FileCategory::unknown;
    return FileCategory::forPath(fileURL->toLocalFile());
}
