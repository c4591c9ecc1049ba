#include "Model/URLTransform.h"

std::optional<QUrl> URLTransform::fromJson(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    return QUrl::fromLocalFile(value.toString());
}

std::optional<QJsonValue> URLTransform::toJson(const std::optional<QUrl>& url)
{
    if (!url)
        return std::nullopt;
    return QJsonValue(url->toLocalFile());
}
