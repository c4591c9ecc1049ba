#include "Report/SystemValue.h"

#include <QFile>
#include <QStringDecoder>

namespace {
// Attribute files are a page at most; a larger read means a wrong path.
constexpr qint64 maximumValueSize = 4096;

bool isTrailingSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
} // namespace

std::optional<QByteArray> readSystemValue(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(maximumValueSize);

    // Device-tree strings are zero-terminated; sysfs ones end in a newline.
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    while (!bytes.isEmpty() && isTrailingSpace(bytes.back()))
        bytes.chop(1);

    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

QString textFromUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    return text;
}
