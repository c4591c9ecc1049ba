#include "Report/DeviceName.h"

#include "Report/SystemValue.h"

#include <QDir>

using namespace Qt::StringLiterals;

QString DeviceName::deviceName()
{
    return deviceName(u"/"_s);
}

QString DeviceName::deviceName(const QString& rootPath)
{
    const QDir root(rootPath);
    // PCs describe themselves through DMI, boards without it through the device tree.
    const QString sources[] = {
        root.filePath(u"sys/class/dmi/id/product_name"_s),
        root.filePath(u"sys/firmware/devicetree/base/model"_s),
    };
    for (const QString& source : sources) {
        if (const auto value = readSystemValue(source))
            return textFromUtf8(*value);
    }
    return u"Unknown Mac"_s;
}
