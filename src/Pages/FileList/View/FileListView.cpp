#include "Pages/FileList/View/FileListView.h"

#include "Model/FileListManager.h"
#include "Pages/FileList/View/DroppedFiles.h"
#include "Pages/FileList/View/FileListModel.h"
#include "Pages/FileList/View/FileListViewCell.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Resources/LocalizedText.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSet>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

FileListView::FileListView(QWidget* parent)
    : QWidget(parent)
    , m_listInfo(FileListManager::shared().listInfo)
    , m_tableView(new WonderfullTableView(this))
    , m_model(new FileListModel(this))
    , m_cell(new FileListViewCell(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tableView);
    m_tableView->setModel(m_model);
    m_tableView->setItemDelegate(m_cell);
    m_tableView->setContextMenuPolicy(Qt::NoContextMenu);
    setAccessibleName(localizedText("file_list_title"));
    m_tableView->setAccessibleName(accessibleName());
    connect(m_tableView, &QWidget::customContextMenuRequested, this, &FileListView::showMenu);
    setAcceptDrops(true);
    reloadData();
}

FileListView::~FileListView() = default;

void FileListView::setDelegate(FileListViewDelegate* delegate)
{
    m_delegate.set(delegate);
}

void FileListView::setListInfo(const FileListInfo& listInfo)
{
    m_listInfo = listInfo;
}

// A reload replaces every row; the entries that were selected, and the
// current one, are found again by their id wherever they now are.
void FileListView::reloadData()
{
    QSet<QString> selectedIds;
    for (int row : selectedRowIndexes())
        selectedIds.insert(m_model->listInfo().list.at(row).fileId);
    const int currentRow = m_tableView->currentIndex().row();
    const QString currentId = currentRow >= 0 ? m_model->listInfo().list.at(currentRow).fileId : QString();

    m_model->setListInfo(m_listInfo);

    QItemSelectionModel* selection = m_tableView->selectionModel();
    QItemSelection kept;
    for (int row = 0; row < m_listInfo.list.size(); ++row) {
        const QString& id = m_listInfo.list.at(row).fileId;
        const QModelIndex index = m_model->index(row);
        if (id == currentId)
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        if (selectedIds.contains(id))
            kept.select(index, index);
    }
    selection->select(kept, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void FileListView::setAllowsMultipleSelection(bool allows)
{
    m_tableView->setSelectionMode(allows ? QAbstractItemView::ExtendedSelection
                                         : QAbstractItemView::SingleSelection);
    // Leaving multiple selection keeps one row the user selected: the
    // current one when it is among them, else the topmost.
    const QList<int> selected = selectedRowIndexes();
    if (allows || selected.size() < 2)
        return;
    const int current = m_tableView->currentIndex().row();
    const int kept = selected.contains(current) ? current : selected.first();
    const QModelIndex index = m_model->index(kept);
    m_tableView->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool FileListView::allowsMultipleSelection() const
{
    return m_tableView->selectionMode() == QAbstractItemView::ExtendedSelection;
}

QList<int> FileListView::selectedRowIndexes() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_tableView->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void FileListView::setupMenu()
{
    if (m_menu)
        return;
    m_menu = new QMenu(this);
    m_menu->addAction(localizedText("click_to_delete"), this, &FileListView::tableViewDeleteItemClicked);
    m_tableView->setContextMenuPolicy(Qt::CustomContextMenu);
}

void FileListView::removeMenu()
{
    m_tableView->setContextMenuPolicy(Qt::NoContextMenu);
    delete m_menu;
    m_menu = nullptr;
    m_clickedRow = -1;
}

void FileListView::showMenu(const QPoint& position)
{
    // Below the last row there is nothing to remove, so no menu either.
    m_clickedRow = m_tableView->indexAt(position).row();
    if (m_menu && m_clickedRow >= 0)
        m_menu->popup(m_tableView->viewport()->mapToGlobal(position));
}

void FileListView::tableViewDeleteItemClicked()
{
    const int row = m_clickedRow;
    m_clickedRow = -1;
    if (row < 0 || row >= m_model->rowCount())
        return;
    if (FileListViewDelegate* delegate = m_delegate.get())
        delegate->removeItem(row);
}

void FileListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedFiles::canAccept(event->mimeData()))
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FileListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!DroppedFiles::canAccept(event->mimeData()))
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FileListView::dropEvent(QDropEvent* event)
{
    const std::optional<QList<QUrl>> files = DroppedFiles::fileURLs(event->mimeData());
    if (!files)
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (FileListViewDelegate* delegate = m_delegate.get())
        delegate->addFiles(*files);
}
