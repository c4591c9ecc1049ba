#include "Report/DeviceInfo.h"

#include "Report/SystemValue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cctype>

using namespace Qt::StringLiterals;

namespace {
constexpr qsizetype macAddressSize = 6;

struct DefaultRoute
{
    QString interfaceName;
    uint metric = 0;
};

// Interface names come from a file; never let one walk out of /sys/class/net.
bool isPlainInterfaceName(const QString& name)
{
    return !name.isEmpty() && name != "."_L1 && name != ".."_L1 && !name.contains(u'/');
}

bool isZeroHex(const QByteArray& field)
{
    bool ok = false;
    return field.toUInt(&ok, 16) == 0 && ok;
}

// One row of /proc/net/route: Iface Destination Gateway Flags RefCnt Use Metric Mask ...
std::optional<DefaultRoute> defaultRoute(const QByteArray& line)
{
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 8)
        return std::nullopt;
    // Destination and mask both zero: 0.0.0.0/0. VPN split routes such as
    // 0.0.0.0/1 also have a zero destination but are not the default route.
    if (!isZeroHex(fields[1]) || !isZeroHex(fields[7]))
        return std::nullopt;
    bool ok = false;
    const uint metric = fields[6].toUInt(&ok);
    const QString name = QString::fromUtf8(fields[0]);
    if (!ok || !isPlainInterfaceName(name))
        return std::nullopt;
    return DefaultRoute { name, metric };
}

// "aa:bb:cc:dd:ee:ff" (any length) as bytes; nothing when malformed.
std::optional<QByteArray> parseHardwareAddress(const QByteArray& text)
{
    QByteArray bytes;
    for (const QByteArray& part : text.split(':')) {
        const bool isByte = (part.size() == 1 || part.size() == 2)
            && std::all_of(part.begin(), part.end(), [](char c) { return std::isxdigit(uchar(c)); });
        if (!isByte)
            return std::nullopt;
        bytes.append(char(part.toUInt(nullptr, 16)));
    }
    return bytes;
}
} // namespace

QString DeviceInfo::appVersion()
{
    return QCoreApplication::applicationVersion();
}

QString DeviceInfo::macAddress()
{
    return macAddress(u"/"_s);
}

QString DeviceInfo::macAddress(const QString& rootPath)
{
    const auto bytes = macAddressBytes(rootPath, primaryInterfaces(rootPath));
    if (!bytes)
        return {};
    return QString::fromLatin1(bytes->toHex(':'));
}

QString DeviceInfo::deviceBrand()
{
    return deviceBrand(u"/"_s);
}

QString DeviceInfo::deviceBrand(const QString& rootPath)
{
    const auto vendor = readSystemValue(QDir(rootPath).filePath(u"sys/class/dmi/id/sys_vendor"_s));
    if (!vendor)
        return {};
    return textFromUtf8(*vendor).toLower();
}

// The interfaces of the IPv4 default routes, the one the kernel prefers
// (lowest metric, then table order) first.
QStringList DeviceInfo::primaryInterfaces(const QString& rootPath)
{
    QFile routes(QDir(rootPath).filePath(u"proc/net/route"_s));
    if (!routes.open(QIODevice::ReadOnly))
        return {};
    // procfs files report size 0, so read to the end rather than by size.
    QList<QByteArray> lines = routes.readAll().split('\n');
    if (!lines.isEmpty())
        lines.removeFirst(); // column titles

    QList<DefaultRoute> found;
    for (const QByteArray& line : std::as_const(lines)) {
        if (const auto route = defaultRoute(line))
            found.append(*route);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const DefaultRoute& a, const DefaultRoute& b) { return a.metric < b.metric; });

    QStringList names;
    for (const DefaultRoute& route : std::as_const(found)) {
        if (!names.contains(route.interfaceName))
            names.append(route.interfaceName);
    }
    return names;
}

// The address of the first interface that has one, cut or padded with zero
// bytes to six; interfaces without one (tunnels, PPP) are passed over.
std::optional<QByteArray> DeviceInfo::macAddressBytes(const QString& rootPath, const QStringList& interfaces)
{
    const QDir root(rootPath);
    for (const QString& name : interfaces) {
        const auto text = readSystemValue(root.filePath(u"sys/class/net/"_s + name + u"/address"_s));
        if (!text)
            continue;
        auto bytes = parseHardwareAddress(*text);
        if (!bytes)
            continue;
        bytes->resize(macAddressSize, '\0');
        return bytes;
    }
    return std::nullopt;
}
