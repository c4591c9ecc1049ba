#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The value of a one-line kernel attribute file (sysfs, device tree): the bytes
// up to the first NUL, without trailing white space. Nothing when the file
// cannot be read or holds no value.
std::optional<QByteArray> readSystemValue(const QString& path);

// `bytes` as text when they are valid UTF-8; the empty text otherwise.
QString textFromUtf8(const QByteArray& bytes);
