#pragma once

#include "Pages/FileList/View/FileDragableViewDelegate.h"
#include "Pages/FileList/View/WeakDelegate.h"

#include <QWidget>

// A transparent drop area: takes dragged local files and hands them to its
// delegate in drop order. Drags that carry no file URLs are refused.
class FileDragableView : public QWidget
{
    Q_OBJECT

public:
    explicit FileDragableView(QWidget* parent = nullptr);

    // Held weakly (a QObject); null detaches it.
    void setDelegate(FileDragableViewDelegate* delegate);
    FileDragableViewDelegate* delegate() const { return m_delegate.get(); }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    WeakDelegate<FileDragableViewDelegate> m_delegate;
};
