#include "Pages/FileList/View/FileDragableView.h"

#include "Pages/FileList/View/DroppedFiles.h"

#include <QDragEnterEvent>
#include <QDropEvent>

FileDragableView::FileDragableView(QWidget* parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
    setAttribute(Qt::WA_TranslucentBackground);
}

void FileDragableView::setDelegate(FileDragableViewDelegate* delegate)
{
    m_delegate.set(delegate);
}

void FileDragableView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedFiles::canAccept(event->mimeData()))
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FileDragableView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!DroppedFiles::canAccept(event->mimeData()))
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FileDragableView::dropEvent(QDropEvent* event)
{
    const std::optional<QList<QUrl>> files = DroppedFiles::fileURLs(event->mimeData());
    if (!files)
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (FileDragableViewDelegate* delegate = m_delegate.get())
        delegate->addFiles(*files);
}
