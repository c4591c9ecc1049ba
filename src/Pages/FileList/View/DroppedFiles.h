#pragma once

#include <QList>
#include <QUrl>

#include <optional>

class QMimeData;

// The local files a drag carries, shared by every drop target of the list.
class DroppedFiles
{
public:
    // Whether a drag may be dropped: it carries a list of URLs.
    static bool canAccept(const QMimeData* mimeData);
    // The local files of the drop, in drop order. Other URLs are left out; no
    // value when the drag holds no URL list, or only URLs that are not files.
    // An empty URL list gives an empty list.
    static std::optional<QList<QUrl>> fileURLs(const QMimeData* mimeData);
};
