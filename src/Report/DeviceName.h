#pragma once

#include <QString>

// The machine's model name, sent with every usage event.
class DeviceName
{
public:
    DeviceName() = delete;

    // The firmware's product name, else the device-tree model; "Unknown Mac"
    // when neither has a value, the empty text when the value is not UTF-8.
    static QString deviceName();

    // As above, with the system files looked up under `rootPath` instead of "/".
    static QString deviceName(const QString& rootPath);
};
