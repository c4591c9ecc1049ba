#pragma once

#include "Model/FileListInfo.h"
#include "Pages/FileList/View/FileListViewDelegate.h"
#include "Pages/FileList/View/WeakDelegate.h"

#include <QList>
#include <QWidget>

class FileListModel;
class FileListViewCell;
class QMenu;
class WonderfullTableView;

// The working list as a one-column table: one row per entry, its category
// icon and full path, striped over the whole visible height. Dropped files
// and delete requests go to the delegate; the view never changes the list.
// The owner assigns a fresh copy with setListInfo() and then calls
// reloadData().
class FileListView : public QWidget
{
    Q_OBJECT

public:
    // Starts with a copy of the working list and shows it.
    explicit FileListView(QWidget* parent = nullptr);
    ~FileListView() override;

    // Held weakly: the delegate must be a QObject, and once it is destroyed
    // nothing is called. Null detaches it.
    void setDelegate(FileListViewDelegate* delegate);
    FileListViewDelegate* delegate() const { return m_delegate.get(); }

    // The rows to show. Assigning does not touch the table: the old rows stay
    // on screen until reloadData().
    void setListInfo(const FileListInfo& listInfo);
    const FileListInfo& listInfo() const { return m_listInfo; }
    // Shows listInfo() in the table. Entries that stay listed keep their
    // selection and the current row, wherever they move to.
    void reloadData();

    // One row may be selected (extract mode) or several (compress mode).
    // Going down to one keeps one of the selected rows selected.
    void setAllowsMultipleSelection(bool allows);
    bool allowsMultipleSelection() const;
    // The selected rows, ascending.
    QList<int> selectedRowIndexes() const;

    // Installs the one-item context menu ("click_to_delete") on the table's
    // rows; removeMenu() takes it away. Called by the owner on every reload
    // of a non-empty list, and removeMenu() for an empty one.
    void setupMenu();
    void removeMenu();
    // The installed menu, or null.
    QMenu* menu() const { return m_menu; }

    // The row the context menu was opened on, or -1.
    int clickedRow() const { return m_clickedRow; }
    // The menu item's action: asks the delegate to remove clickedRow(), if any.
    void tableViewDeleteItemClicked();

    WonderfullTableView* tableView() const { return m_tableView; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void showMenu(const QPoint& position);

    WeakDelegate<FileListViewDelegate> m_delegate;
    FileListInfo m_listInfo;
    WonderfullTableView* m_tableView;
    FileListModel* m_model;
    FileListViewCell* m_cell;
    QMenu* m_menu = nullptr;
    int m_clickedRow = -1;
};
