#pragma once

#include "Model/FileListInfo.h"

#include <QAbstractListModel>

// The rows of the file list: one per entry of a FileListInfo snapshot. The
// table asks only for the rows it shows, so a long list costs no more to
// paint than a short one.
class FileListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // The entry's FileCategory, as an int.
    static constexpr int FileCategoryRole = Qt::UserRole + 1;

    explicit FileListModel(QObject* parent = nullptr);

    // Replaces every row; the table forgets its old rows.
    void setListInfo(const FileListInfo& listInfo);
    const FileListInfo& listInfo() const { return m_listInfo; }

    int rowCount(const QModelIndex& parent = {}) const override;
    // The full path for display, tool tip and screen readers; the category.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    FileListInfo m_listInfo;
};
