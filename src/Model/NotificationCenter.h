#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

// Posted with the path of a file the desktop asked us to open, as a QString.
inline constexpr char applicationOpenWithFileEvent[] = "applicationOpenWithFileEvent";

// Process-wide notification hub. Posting emits `notified` synchronously, so
// every observer has run when `post` returns. Use it from the main thread only.
class NotificationCenter : public QObject
{
    Q_OBJECT

public:
    static NotificationCenter& defaultCenter();

    void post(const QString& name, const QVariant& object = {});

signals:
    void notified(const QString& name, const QVariant& object);

private:
    NotificationCenter() = default;
};
