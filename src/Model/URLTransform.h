#pragma once

#include <QJsonValue>
#include <QUrl>

#include <optional>

// The JSON form of a file URL: its local path as a string.
class URLTransform
{
public:
    URLTransform() = delete;

    // A string becomes the file URL of that text taken as a file-system path
    // (never parsed as a URL); any other value gives no URL.
    static std::optional<QUrl> fromJson(const QJsonValue& value);
    // A URL becomes its local path; no URL gives no value.
    static std::optional<QJsonValue> toJson(const std::optional<QUrl>& url);
};
