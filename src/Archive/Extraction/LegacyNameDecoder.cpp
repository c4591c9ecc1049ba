#include "Archive/Extraction/LegacyNameDecoder.h"

#include <QStringDecoder>

#include <algorithm>
#include <memory>

#include <uchardet.h>

using namespace Qt::StringLiterals;

namespace {

constexpr auto kDecoderFlags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

// Fewer non-ASCII bytes than this and the detector's answer is a guess.
constexpr qsizetype kShortSample = 8;

// Plain text: a global list would be destroyed at exit while a job thread
// may still read it.
constexpr const char* kFallbackOrder[] = { "GB18030", "Big5", "Shift_JIS", "IBM437" };

bool decodesCleanly(const QByteArray& encoding, const QList<QByteArray>& names)
{
    for (const QByteArray& name : names) {
        QStringDecoder decoder(encoding.constData(), kDecoderFlags);
        if (!decoder.isValid())
            return false;
        const QString decoded = decoder(name);
        if (decoder.hasError())
            return false;
    }
    return true;
}

QByteArray localeEncoding(const QString& localeName)
{
    if (localeName == "zh_TW"_L1 || localeName == "zh_HK"_L1 || localeName == "zh_MO"_L1)
        return "Big5";
    if (localeName.startsWith("zh"_L1))
        return "GB18030";
    if (localeName.startsWith("ja"_L1))
        return "Shift_JIS";
    return "IBM437";
}

// The detector's answer when it names an East Asian encoding; Western code
// pages are where it confuses short samples and CP437, so those are left to the
// locale order.
QByteArray detectedEncoding(const QByteArray& sample)
{
    const std::unique_ptr<uchardet, decltype(&uchardet_delete)> detector(uchardet_new(), uchardet_delete);
    if (uchardet_handle_data(detector.get(), sample.constData(), size_t(sample.size())) != 0)
        return {};
    uchardet_data_end(detector.get());
    const QByteArray answer = QByteArray(uchardet_get_charset(detector.get())).toUpper();
    if (answer == "GB18030" || answer == "GB2312" || answer == "GBK")
        return "GB18030";
    if (answer == "BIG5" || answer == "BIG5-HKSCS")
        return "Big5";
    if (answer == "SHIFT_JIS")
        return "Shift_JIS";
    if (answer == "EUC-JP" || answer == "EUC-KR")
        return answer;
    return {};
}

qsizetype nonAsciiBytes(const QByteArray& sample)
{
    return std::count_if(sample.cbegin(), sample.cend(), [](char c) { return (c & 0x80) != 0; });
}

} // namespace

LegacyNameDecoder::LegacyNameDecoder(const QList<QByteArray>& rawNames, const QString& localeName)
{
    QList<QByteArray> legacyNames;
    for (const QByteArray& name : rawNames) {
        if (!isUtf8(name))
            legacyNames.append(name);
    }
    if (!legacyNames.isEmpty())
        m_encoding = choose(legacyNames, localeName);
}

QString LegacyNameDecoder::decode(const QByteArray& rawName) const
{
    if (m_encoding.isEmpty() || isUtf8(rawName))
        return QString::fromUtf8(rawName);
    QStringDecoder decoder(m_encoding.constData(), kDecoderFlags);
    return decoder(rawName);
}

bool LegacyNameDecoder::isUtf8(const QByteArray& raw)
{
    if (std::none_of(raw.cbegin(), raw.cend(), [](char c) { return (c & 0x80) != 0; }))
        return true;
    QStringDecoder decoder(QStringConverter::Utf8, kDecoderFlags);
    const QString decoded = decoder(raw);
    return !decoder.hasError();
}

QByteArray LegacyNameDecoder::choose(const QList<QByteArray>& legacyNames, const QString& localeName)
{
    const QByteArray sample = legacyNames.join('\n');
    const QByteArray preferred = localeEncoding(localeName);
    QList<QByteArray> order;
    if (const QByteArray detected = detectedEncoding(sample); !detected.isEmpty()) {
        // On a short sample an East Asian locale knows better than the detector.
        const bool trustLocale = nonAsciiBytes(sample) < kShortSample && preferred != "IBM437";
        order = trustLocale ? QList<QByteArray> { preferred, detected }
                            : QList<QByteArray> { detected, preferred };
    } else {
        order = { preferred };
    }
    for (const char* encoding : kFallbackOrder)
        order.append(encoding);
    for (const QByteArray& encoding : std::as_const(order)) {
        if (decodesCleanly(encoding, legacyNames))
            return encoding;
    }
    // IBM437 maps every byte, so this is reached only without a working codec.
    return "IBM437";
}
