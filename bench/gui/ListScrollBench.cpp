// Scrolling a long working list: each repaint paints the rows in view, never
// the whole list.

#include "Model/FileListInfo.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/FileListViewCell.h"
#include "Pages/FileList/View/WonderfullTableView.h"

#include <QImage>
#include <QScrollBar>
#include <QUrl>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

class CountingCell : public FileListViewCell
{
public:
    using FileListViewCell::FileListViewCell;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        ++paints;
        FileListViewCell::paint(painter, option, index);
    }
    mutable qint64 paints = 0;
};

FileListInfo listOf(qsizetype count)
{
    FileListInfo info;
    info.list.reserve(count);
    static const QStringList kinds { u"zip"_s, u"pdf"_s, u"png"_s, u"docx"_s, u"mp4"_s, u"xyz"_s };
    for (qsizetype i = 0; i < count; ++i) {
        info.list.append(FileListItemInfo::fromURL(QUrl::fromLocalFile(
            u"/home/user/Archive/%1/file_%2.%3"_s.arg(i % 97).arg(i).arg(kinds.at(i % 6)))));
    }
    return info;
}

void BM_ScrollLongList(benchmark::State& state)
{
    FileListView view;
    view.resize(640, 420);
    view.setListInfo(listOf(state.range(0)));
    view.reloadData();
    auto* cell = new CountingCell(&view);
    view.tableView()->setItemDelegate(cell);
    view.show();
    QWidget* viewport = view.tableView()->viewport();
    // Painted into an image: the offscreen window is not necessarily exposed yet.
    QImage frame(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    QScrollBar* scrollBar = view.tableView()->verticalScrollBar();
    const int page = viewport->height();
    const int visibleRows = page / WonderfullTableView::rowHeight + 2;

    qint64 frames = 0;
    cell->paints = 0;
    for (auto _ : state) {
        scrollBar->setValue((scrollBar->value() + page) % (scrollBar->maximum() + 1));
        viewport->render(&frame);
        ++frames;
    }
    const double paintsPerFrame = double(cell->paints) / double(frames);
    state.counters["rows_painted_per_frame"] = paintsPerFrame;
    state.counters["rows_visible"] = visibleRows;
    if (paintsPerFrame < 1)
        state.SkipWithError("nothing was painted");
    else if (paintsPerFrame > visibleRows)
        state.SkipWithError("painted rows that are not in view");
}
BENCHMARK(BM_ScrollLongList)->Arg(100'000)->Unit(benchmark::kMicrosecond);

} // namespace
