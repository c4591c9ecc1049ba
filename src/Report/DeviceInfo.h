#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Application and hardware values sent with every usage event. Nothing is
// cached: each call reads the system afresh and falls back quietly.
class DeviceInfo
{
public:
    DeviceInfo() = delete;

    // The application's version text, or the empty text.
    static QString appVersion();

    // The hardware address of the interface carrying the default route, as
    // "xx:xx:xx:xx:xx:xx" in lower case; the empty text when there is none.
    static QString macAddress();
    static QString macAddress(const QString& rootPath);

    // The hardware vendor in lower case, or the empty text.
    static QString deviceBrand();
    static QString deviceBrand(const QString& rootPath);

private:
    static QStringList primaryInterfaces(const QString& rootPath);
    static std::optional<QByteArray> macAddressBytes(const QString& rootPath, const QStringList& interfaces);
};
