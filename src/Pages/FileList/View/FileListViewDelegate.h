#pragma once

#include <QList>
#include <QUrl>

// What the file list asks of its owner. The list never changes itself: the
// owner changes the working list, then assigns the view a fresh copy.
class FileListViewDelegate
{
public:
    virtual ~FileListViewDelegate() = default;

    // Local files dropped on the list, in drop order; may be empty.
    virtual void addFiles(const QList<QUrl>& urls) = 0;
    // The user asked to remove the entry shown in `row` (valid when called).
    virtual void removeItem(int row) = 0;
};
