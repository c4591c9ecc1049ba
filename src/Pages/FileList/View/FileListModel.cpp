#include "Pages/FileList/View/FileListModel.h"

FileListModel::FileListModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void FileListModel::setListInfo(const FileListInfo& listInfo)
{
    beginResetModel();
    m_listInfo = listInfo;
    endResetModel();
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_listInfo.list.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const FileListItemInfo& item = m_listInfo.list.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return item.fileName;
    case FileCategoryRole:
        return int(item.fileCategory());
    default:
        return {};
    }
}
