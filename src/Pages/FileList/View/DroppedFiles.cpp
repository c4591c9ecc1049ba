#include "Pages/FileList/View/DroppedFiles.h"

#include <QMimeData>

bool DroppedFiles::canAccept(const QMimeData* mimeData)
{
    return mimeData && mimeData->hasUrls();
}

std::optional<QList<QUrl>> DroppedFiles::fileURLs(const QMimeData* mimeData)
{
    if (!canAccept(mimeData))
        return std::nullopt;
    const QList<QUrl> urls = mimeData->urls();
    QList<QUrl> files;
    files.reserve(urls.size());
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            files.append(QUrl::fromLocalFile(url.toLocalFile()));
    }
    if (files.isEmpty() && !urls.isEmpty())
        return std::nullopt;
    return files;
}
