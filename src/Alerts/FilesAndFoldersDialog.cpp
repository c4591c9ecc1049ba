#include "Alerts/FilesAndFoldersDialog.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

FilesAndFoldersDialog::FilesAndFoldersDialog(QWidget* parent, bool allowsMultipleSelection)
    : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    const auto mode
        = allowsMultipleSelection ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection;
    // The list and the detail view are the dialog's own children.
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
        if (!qobject_cast<QFileSystemModel*>(view->model()))
            continue;
        view->setSelectionMode(mode);
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &FilesAndFoldersDialog::keepAcceptLabel);
    }
    if (auto nameEdit = findChild<QLineEdit*>())
        connect(nameEdit, &QLineEdit::textChanged, this, &FilesAndFoldersDialog::keepAcceptLabel);
    connect(this, &QFileDialog::directoryEntered, this, &FilesAndFoldersDialog::keepAcceptLabel);
}

// The stock dialog names its accept button "Open" while a folder is
// selected, as it would go into it; here the folder is chosen instead.
void FilesAndFoldersDialog::keepAcceptLabel()
{
    auto buttons = findChild<QDialogButtonBox*>();
    QPushButton* button = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
    if (button && !m_acceptLabel.isEmpty())
        button->setText(m_acceptLabel);
}

void FilesAndFoldersDialog::setAcceptLabel(const QString& label)
{
    m_acceptLabel = label;
    if (!label.isEmpty())
        setLabelText(QFileDialog::Accept, label);
}

QList<QUrl> FilesAndFoldersDialog::chosenUrls() const
{
    return m_chosen.isEmpty() ? selectedUrls() : m_chosen;
}

// With nothing selected in the views (a name typed in by hand), the stock
// dialog decides, and may go into a typed folder rather than close.
void FilesAndFoldersDialog::accept()
{
    m_chosen = selectedRowUrls();
    if (m_chosen.isEmpty()) {
        QFileDialog::accept();
        return;
    }
    QDialog::accept();
}

QList<QUrl> FilesAndFoldersDialog::selectedRowUrls() const
{
    for (const QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
        const auto model = qobject_cast<const QFileSystemModel*>(view->model());
        if (!model || !view->selectionModel())
            continue;
        QModelIndexList rows;
        for (const QModelIndex& index : view->selectionModel()->selectedIndexes()) {
            if (index.column() == 0)
                rows.append(index);
        }
        std::sort(rows.begin(), rows.end(),
                  [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
        QList<QUrl> urls;
        for (const QModelIndex& index : std::as_const(rows))
            urls.append(QUrl::fromLocalFile(model->filePath(index)));
        return urls;
    }
    return {};
}
