#include "Alerts/FilesAndFoldersDialog.h"

#include <QAbstractItemView>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
constexpr int placesWidth = 160;
} // namespace

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
    widenColumns();
}

// Qt's own sizes cut the places and the detail columns short.
void FilesAndFoldersDialog::widenColumns()
{
    resize(sizeHint().expandedTo(QSize(800, 500)));
    if (auto places = findChild<QSplitter*>(); places && places->count() == 2) {
        const QList<int> sizes = places->sizes();
        if (sizes.first() < placesWidth)
            places->setSizes({ placesWidth, sizes.first() + sizes.last() - placesWidth });
    }
    for (QTreeView* details : findChildren<QTreeView*>()) {
        if (!qobject_cast<QFileSystemModel*>(details->model()))
            continue;
        QHeaderView* header = details->header();
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        header->resizeSection(2, header->fontMetrics().horizontalAdvance(u"Spreadsheet document"_s));
        const QString latestDate = QLocale::system().toString(
            QDateTime(QDate(2026, 12, 30), QTime(23, 59, 59)), QLocale::ShortFormat);
        header->resizeSection(3, header->fontMetrics().horizontalAdvance(latestDate + u"MM"_s));
    }
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
