#pragma once

#include <QList>
#include <QUrl>

// What the empty-list view asks of its owner.
class EmptyListViewDelegate
{
public:
    virtual ~EmptyListViewDelegate() = default;

    // Local files dropped on the empty view, in drop order; may be empty.
    virtual void addFiles(const QList<QUrl>& urls) = 0;
};
