#include "FileTree.h"
#include "Report/DeviceInfo.h"
#include "Report/DeviceName.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using FileMap = QMap<QString, QByteArray>;

namespace {
const QByteArray routeHeader
    = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

QByteArray route(const char* iface, const char* destination, int metric, const char* mask)
{
    return QByteArray(iface) + '\t' + destination + "\t010200C0\t0003\t0\t0\t" + QByteArray::number(metric)
        + '\t' + mask + "\t0\t0\t0\n";
}

QByteArray defaultRoute(const char* iface, int metric = 0)
{
    return route(iface, "00000000", metric, "00000000");
}

// Writes each file under `root`; a null value leaves the file out.
void writeFiles(const QTemporaryDir& root, const FileMap& files)
{
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!it.value().isNull())
            QVERIFY(FileTree::writeFile(root.path(), QDir::cleanPath(it.key()), it.value()));
    }
}
} // namespace

class tst_DeviceInfo : public QObject
{
    Q_OBJECT

private slots:
    void nameAndBrand_data();
    void nameAndBrand();
    void macAddress_data();
    void macAddress();
};

// The DMI and device-tree values behind the device's name and brand.
void tst_DeviceInfo::nameAndBrand_data()
{
    QTest::addColumn<QByteArray>("productName");
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QByteArray>("vendor");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("brand");

    QTest::newRow("no source") << QByteArray() << QByteArray() << QByteArray() << u"Unknown Mac"_s
                               << QString();
    QTest::newRow("dmi before device tree")
        << "OptiPlex 7090\n"_ba << QByteArray("Raspberry Pi 4 Model B\0", 23) << "Dell Inc.\n"_ba
        << u"OptiPlex 7090"_s << u"dell inc."_s;
    QTest::newRow("blank dmi falls through") << " \n"_ba << QByteArray("Pine64 RockPro64\0", 17)
                                             << QByteArray() << u"Pine64 RockPro64"_s << QString();
    QTest::newRow("blank everywhere")
        << "\n"_ba << QByteArray("\0", 1) << "\n"_ba << u"Unknown Mac"_s << QString();
    QTest::newRow("utf-8") << "Caf\xc3\xa9 Book \xe4\xb8\xad\n"_ba << QByteArray()
                           << "\xc3\x89"
                              "COLE\n"_ba
                           << u"Café Book 中"_s << u"école"_s;
    QTest::newRow("invalid utf-8") << "Model \xff\xfe\n"_ba << QByteArray("Pine64\0", 7) << "\xff\n"_ba
                                   << QString() << QString();
}

void tst_DeviceInfo::nameAndBrand()
{
    QFETCH(QByteArray, productName);
    QFETCH(QByteArray, model);
    QFETCH(QByteArray, vendor);
    QFETCH(QString, name);
    QFETCH(QString, brand);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    writeFiles(root,
               { { u"sys/class/dmi/id/product_name"_s, productName },
                 { u"sys/firmware/devicetree/base/model"_s, model },
                 { u"sys/class/dmi/id/sys_vendor"_s, vendor } });

    QCOMPARE(DeviceName::deviceName(root.path()), name);
    QCOMPARE(DeviceInfo::deviceBrand(root.path()), brand);
}

void tst_DeviceInfo::macAddress_data()
{
    QTest::addColumn<QByteArray>("routes");
    QTest::addColumn<FileMap>("addresses");
    QTest::addColumn<QString>("expected");

    const QByteArray eth0 = "02:fc:00:00:00:01\n";
    const QByteArray wlan0 = "a4:5E:60:c2:1B:07\n";

    QTest::newRow("no route table") << QByteArray() << FileMap { { u"eth0"_s, eth0 } } << QString();
    QTest::newRow("no default route") << QByteArray(routeHeader + route("eth0", "000200C0", 0, "00FFFFFF"))
                                      << FileMap { { u"eth0"_s, eth0 } } << QString();
    QTest::newRow("default route") << QByteArray(routeHeader + route("eth0", "000200C0", 0, "00FFFFFF")
                                                 + defaultRoute("eth0"))
                                   << FileMap { { u"eth0"_s, eth0 }, { u"eth1"_s, "02:00:00:00:00:99\n" } }
                                   << u"02:fc:00:00:00:01"_s;
    QTest::newRow("lowest metric wins, lower case")
        << QByteArray(routeHeader + defaultRoute("eth0", 600) + defaultRoute("wlan0", 100))
        << FileMap { { u"eth0"_s, eth0 }, { u"wlan0"_s, wlan0 } } << u"a4:5e:60:c2:1b:07"_s;
    QTest::newRow("split vpn route is not default")
        << QByteArray(routeHeader + route("wlan0", "00000000", 0, "00000080") + defaultRoute("eth0", 100))
        << FileMap { { u"eth0"_s, eth0 }, { u"wlan0"_s, wlan0 } } << u"02:fc:00:00:00:01"_s;
    QTest::newRow("tunnel without address is passed over")
        << QByteArray(routeHeader + defaultRoute("tun0", 0) + defaultRoute("eth0", 100))
        << FileMap { { u"eth0"_s, eth0 } } << u"02:fc:00:00:00:01"_s;
    QTest::newRow("malformed address") << QByteArray(routeHeader + defaultRoute("eth0"))
                                       << FileMap { { u"eth0"_s, "02:fc:zz:00:00:01\n" } } << QString();
    QTest::newRow("name leaving the folder")
        << QByteArray(routeHeader + defaultRoute("..")) << FileMap { { u".."_s, eth0 } } << QString();
    QTest::newRow("truncated row") << QByteArray(routeHeader + "eth0\t00000000\t010200C0\n")
                                   << FileMap { { u"eth0"_s, eth0 } } << QString();
}

void tst_DeviceInfo::macAddress()
{
    QFETCH(QByteArray, routes);
    QFETCH(FileMap, addresses);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    FileMap files { { u"proc/net/route"_s, routes } };
    for (auto it = addresses.cbegin(); it != addresses.cend(); ++it)
        files.insert(u"sys/class/net/"_s + it.key() + u"/address"_s, it.value());
    writeFiles(root, files);

    QCOMPARE(DeviceInfo::macAddress(root.path()), expected);
}

QTEST_GUILESS_MAIN(tst_DeviceInfo)
#include "tst_deviceinfo.moc"
