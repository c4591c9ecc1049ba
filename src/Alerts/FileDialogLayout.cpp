#include "Alerts/FileDialogLayout.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QSplitter>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {
constexpr QSize minimumDialogSize(900, 560);
constexpr int widestPlaces = 280;
// Room for an icon, the item's margins and a scroll bar beside the text.
constexpr int placeChrome = 64;
constexpr int columnPadding = 24;

QTreeView* detailView(QFileDialog* dialog)
{
    for (QTreeView* view : dialog->findChildren<QTreeView*>()) {
        if (qobject_cast<QFileSystemModel*>(view->model()))
            return view;
    }
    return nullptr;
}
} // namespace

void FileDialogLayout::fitContents(QFileDialog* dialog)
{
    dialog->resize(dialog->sizeHint().expandedTo(minimumDialogSize));
    widenPlaces(dialog);
    // Places come and go (set by code, dropped in by the user, mounted).
    if (auto places = dialog->findChild<QListView*>(u"sidebar"_s); places && places->model()) {
        const auto widen = [dialog] { widenPlaces(dialog); };
        QObject::connect(places->model(), &QAbstractItemModel::rowsInserted, dialog, widen);
        QObject::connect(places->model(), &QAbstractItemModel::dataChanged, dialog, widen);
    }
    fitDetailColumns(dialog);
}

void FileDialogLayout::widenPlaces(QFileDialog* dialog)
{
    auto places = dialog->findChild<QListView*>(u"sidebar"_s);
    auto splitter = dialog->findChild<QSplitter*>(u"splitter"_s);
    if (!places || !places->model() || !splitter || splitter->count() != 2)
        return;
    int widest = 0;
    for (int row = 0; row < places->model()->rowCount(); ++row) {
        const QString name = places->model()->index(row, 0).data().toString();
        widest = qMax(widest, places->fontMetrics().horizontalAdvance(name));
    }
    const int wanted = qMin(widest + placeChrome, widestPlaces);
    const QList<int> sizes = splitter->sizes();
    if (sizes.first() < wanted)
        splitter->setSizes({ wanted, sizes.first() + sizes.last() - wanted });
}

// The name takes what is left; the other columns get their widest entry.
void FileDialogLayout::fitDetailColumns(QFileDialog* dialog)
{
    QTreeView* details = detailView(dialog);
    if (!details)
        return;
    auto model = static_cast<QFileSystemModel*>(details->model());
    QHeaderView* header = details->header();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    QObject::connect(
        model, &QFileSystemModel::directoryLoaded, details, [details, model, header](const QString& path) {
            const QModelIndex folder = model->index(path);
            const QFontMetrics metrics = details->fontMetrics();
            for (int column = 1; column < model->columnCount(folder); ++column) {
                int widest = metrics.horizontalAdvance(model->headerData(column, Qt::Horizontal).toString());
                for (int row = 0; row < model->rowCount(folder); ++row) {
                    const QString text = model->index(row, column, folder).data().toString();
                    widest = qMax(widest, metrics.horizontalAdvance(text));
                }
                if (header->sectionSize(column) < widest + columnPadding)
                    header->resizeSection(column, widest + columnPadding);
            }
        });
}
