#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Decodes entry names: valid UTF-8 as UTF-8, everything else with one legacy
// encoding chosen for the whole archive, since its names were written by one
// system. The choice comes from the detector's reading of all those names
// together, then from an order led by the user's locale, and always decodes
// every name without error.
class LegacyNameDecoder
{
public:
    // `localeName` as QLocale::name() gives it ("zh_CN", "ja_JP", "en_US").
    LegacyNameDecoder(const QList<QByteArray>& rawNames, const QString& localeName);

    QString decode(const QByteArray& rawName) const;
    // "GB18030", "Big5", "Shift_JIS", "IBM437"...; empty when every name is UTF-8.
    QByteArray encoding() const { return m_encoding; }

    static bool isUtf8(const QByteArray& raw);

private:
    static QByteArray choose(const QList<QByteArray>& legacyNames, const QString& localeName);

    QByteArray m_encoding;
};
