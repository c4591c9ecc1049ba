#include "Controls/WonderfulButton.h"
#include "Model/FileListInfo.h"
#include "Pages/Compress/View/CompressBarView.h"
#include "Pages/Extract/View/ExtractBarView.h"
#include "Pages/FileList/View/EmptyListView.h"
#include "Pages/FileList/View/FileDragableView.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/FileListViewCell.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Resources/LocalizedText.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

class RecordingOwner : public QObject, public FileListViewDelegate, public EmptyListViewDelegate
{
public:
    void addFiles(const QList<QUrl>& urls) override { added.append(urls); }
    void removeItem(int row) override { removed.append(row); }

    QList<QList<QUrl>> added;
    QList<int> removed;
};

FileListInfo listOf(const QStringList& paths)
{
    FileListInfo info;
    for (const QString& path : paths)
        info.list.append(FileListItemInfo::fromURL(QUrl::fromLocalFile(path)));
    return info;
}

// A drop as the window system delivers it, after an accepted enter.
bool drop(QWidget* target, QMimeData* mimeData)
{
    const QPointF position(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(position.toPoint(), Qt::CopyAction, mimeData, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent dropped(position, Qt::CopyAction, mimeData, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

// `view` on screen, showing `paths`.
bool showList(FileListView& view, const QStringList& paths, const QSize& size)
{
    view.resize(size);
    view.setListInfo(listOf(paths));
    view.reloadData();
    view.show();
    return QTest::qWaitForWindowExposed(&view);
}

QColor pixel(const QImage& image, int x, int y)
{
    return image.pixelColor(QPoint(int(x * image.devicePixelRatio()), int(y * image.devicePixelRatio())));
}

} // namespace

// The main view's parts: the list with its table and empty view, and the two
// bars below it.
class TestFileListView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(installTranslations(QLocale(QLocale::English))); }

    void drops_data();
    void drops();
    void deleteMenuRemovesOnlyTheClickedRow_data();
    void deleteMenuRemovesOnlyTheClickedRow();
    void stripesCoverTheWholeViewport_data();
    void stripesCoverTheWholeViewport();
    void selectedRowIsFilled();
    void selectionFollowsTheMode();
    void tableAndEmptyViewAreNamed();
    void barsLineUpAndTheFormatIsLabelled();
};

// Every drop carries a path as text beside its addresses, as file managers
// send it: the views go by the addresses alone.
void TestFileListView::drops_data()
{
    QTest::addColumn<bool>("onEmptyView");
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QList<QUrl>>("expected"); // none when the drop is refused

    const QList<QUrl> three { QUrl::fromLocalFile(u"/home/u/b.zip"_s),
                              QUrl::fromLocalFile(u"/home/u/a.pdf"_s),
                              QUrl::fromLocalFile(u"/home/u/folder"_s) };
    const QList<QUrl> mixed { QUrl(u"https://example.com/x.zip"_s), QUrl::fromLocalFile(u"/tmp/y.7z"_s) };
    for (const bool onEmptyView : { false, true }) {
        const char* where = onEmptyView ? "empty view" : "list";
        QTest::addRow("%s: three files in drop order", where) << onEmptyView << three << three;
        QTest::addRow("%s: text only is refused", where) << onEmptyView << QList<QUrl>() << QList<QUrl>();
    }
    // Both views take what a drop carries from one filter; the list tries its rules.
    QTest::newRow("web addresses are left out") << false << mixed << QList<QUrl> { mixed.at(1) };
    QTest::newRow("only web addresses are refused") << false << mixed.mid(0, 1) << QList<QUrl>();
}

void TestFileListView::drops()
{
    QFETCH(bool, onEmptyView);
    QFETCH(QList<QUrl>, urls);
    QFETCH(QList<QUrl>, expected);

    RecordingOwner owner;
    FileListView list;
    list.setDelegate(&owner);
    EmptyListView empty;
    empty.setDelegate(&owner);
    QWidget* target = onEmptyView ? static_cast<QWidget*>(empty.dragView()) : &list;
    target->resize(400, 300);
    // A real drop reaches the first widget up the chain that accepts drops:
    // the table must leave them to the list view.
    QVERIFY(!list.tableView()->acceptDrops() && !list.tableView()->viewport()->acceptDrops());

    QMimeData mimeData;
    mimeData.setText(u"/home/u/a.zip"_s);
    if (!urls.isEmpty())
        mimeData.setUrls(urls);
    QCOMPARE(drop(target, &mimeData), !expected.isEmpty());
    QCOMPARE(owner.added, expected.isEmpty() ? QList<QList<QUrl>>() : QList<QList<QUrl>> { expected });
}

void TestFileListView::deleteMenuRemovesOnlyTheClickedRow_data()
{
    QTest::addColumn<bool>("menuInstalled");
    QTest::addColumn<int>("clickY");
    QTest::addColumn<QList<int>>("removed");

    QTest::newRow("second row") << true << 60 << QList<int> { 1 };
    QTest::newRow("below the last row") << true << 130 << QList<int>();
    QTest::newRow("menu removed") << false << 60 << QList<int>();
}

void TestFileListView::deleteMenuRemovesOnlyTheClickedRow()
{
    QFETCH(bool, menuInstalled);
    QFETCH(int, clickY);
    QFETCH(QList<int>, removed);

    RecordingOwner owner;
    FileListView view;
    view.setDelegate(&owner);
    view.setupMenu();
    if (!menuInstalled)
        view.removeMenu();
    QVERIFY(showList(view, { u"/a.zip"_s, u"/b.zip"_s, u"/c.zip"_s }, QSize(400, 300)));

    QWidget* viewport = view.tableView()->viewport();
    const QPoint position(200, clickY);
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, viewport->mapToGlobal(position));
    QCoreApplication::sendEvent(viewport, &event);

    QMenu* menu = view.menu();
    QCOMPARE(menu && menu->isVisible(), !removed.isEmpty());
    if (menu) {
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), localizedText("click_to_delete"));
        menu->actions().first()->trigger();
        menu->close();
    }
    QCOMPARE(owner.removed, removed);
}

void TestFileListView::stripesCoverTheWholeViewport_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("scrolledBy");

    QTest::newRow("empty list") << 0 << 0;
    QTest::newRow("short list, stripes past the last row") << 2 << 0;
    QTest::newRow("scrolled part way into a row") << 100 << 20;
}

void TestFileListView::stripesCoverTheWholeViewport()
{
    QFETCH(int, rows);
    QFETCH(int, scrolledBy);

    QStringList paths;
    for (int row = 0; row < rows; ++row)
        paths.append(u"/r%1"_s.arg(row));
    FileListView view;
    QVERIFY(showList(view, paths, QSize(300, 400)));
    view.tableView()->verticalScrollBar()->setValue(scrolledBy);
    QCOMPARE(view.tableView()->verticalScrollBar()->value(), scrolledBy);
    // Without the keyboard focus, so no row wears the focus frame.
    view.tableView()->clearFocus();

    // Sampled right of the (short) names, down the whole viewport: one colour
    // on every even row, another on every odd one, rows or no rows.
    QWidget* viewport = view.tableView()->viewport();
    const QImage image = viewport->grab().toImage();
    QList<QColor> stripes[2];
    for (int y = 1; y < viewport->height(); y += 13) {
        const int row = (y + scrolledBy) / WonderfullTableView::rowHeight;
        stripes[row % 2].append(pixel(image, viewport->width() - 20, y));
    }
    for (const QList<QColor>& stripe : stripes)
        QCOMPARE(stripe.count(stripe.first()), stripe.size());
    QVERIFY(stripes[0].first() != stripes[1].first());
}

void TestFileListView::selectedRowIsFilled()
{
    FileListView view;
    QVERIFY(showList(view, { u"/a.pdf"_s, u"/b.pdf"_s, u"/c.pdf"_s }, QSize(300, 200)));
    WonderfullTableView* table = view.tableView();
    table->selectRow(1);
    table->clearFocus();

    const int height = WonderfullTableView::rowHeight;
    const QColor selected = FileListViewCell::selectionColor();
    QImage image = table->viewport()->grab().toImage();
    for (const int x : { 1, 5, 280 }) {
        QCOMPARE(pixel(image, x, height + 1), selected);
        QCOMPARE(pixel(image, x, 2 * height - 2), selected);
    }
    QVERIFY(pixel(image, 280, height / 2) != selected);
    QVERIFY(pixel(image, 280, 2 * height + height / 2) != selected);

    // With the focus, the current row is framed, selected or not.
    table->setFocus();
    for (const int row : { 0, 1 }) {
        table->selectionModel()->setCurrentIndex(table->model()->index(row, 0),
                                                 QItemSelectionModel::NoUpdate);
        image = table->viewport()->grab().toImage();
        QVERIFY(pixel(image, 280, row * height + 2) != pixel(image, 280, row * height + height / 2));
    }
}

// The rows the user selected stay selected: a reload finds them by entry,
// and going down to one row keeps one of them, never another.
void TestFileListView::selectionFollowsTheMode()
{
    FileListView view;
    QVERIFY(showList(view, { u"/a"_s, u"/b"_s, u"/c"_s }, QSize(300, 200)));
    view.setAllowsMultipleSelection(true);
    QItemSelectionModel* selection = view.tableView()->selectionModel();
    const auto row = [&view](int index) { return view.tableView()->model()->index(index, 0); };
    selection->select(row(0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(row(2), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->setCurrentIndex(row(1), QItemSelectionModel::NoUpdate);

    view.setListInfo(listOf({ u"/new"_s, u"/a"_s, u"/b"_s, u"/c"_s }));
    view.reloadData();
    QCOMPARE(view.selectedRowIndexes(), (QList<int> { 1, 3 }));
    QCOMPARE(view.tableView()->currentIndex().row(), 2);

    view.setAllowsMultipleSelection(false);
    QCOMPARE(view.selectedRowIndexes(), QList<int> { 1 });
}

// What a screen reader reads from the list's cells and from the empty view;
// the table's own name is read in the window's keyboard walk.
void TestFileListView::tableAndEmptyViewAreNamed()
{
    FileListView list;
    QVERIFY(showList(list, { u"/home/u/report.pdf"_s, u"/home/u/photos"_s }, QSize(400, 200)));
    QAccessibleTableInterface* cells
        = QAccessible::queryAccessibleInterface(list.tableView())->tableInterface();
    QVERIFY(cells);
    QCOMPARE(cells->rowCount(), 2);
    QCOMPARE(cells->cellAt(0, 0)->text(QAccessible::Name), u"/home/u/report.pdf"_s);
    QCOMPARE(cells->cellAt(1, 0)->text(QAccessible::Name), u"/home/u/photos"_s);

    EmptyListView empty;
    empty.show();
    QVERIFY(QTest::qWaitForWindowExposed(&empty));
    QAccessibleInterface* emptyNode = QAccessible::queryAccessibleInterface(&empty);
    QCOMPARE(emptyNode->text(QAccessible::Name), localizedText("drag_file_title"));
    QCOMPARE(emptyNode->text(QAccessible::Description), localizedText("drag_file_subtitle"));
}

// The two bars at the bottom of one window, as the main view holds them.
// Switching modes swaps one bar for the other without moving the list or
// the button's edge; every control shows whole, side by side. On Linux
// screen readers name a drop-down by its value and read its label through
// the labelled-by relation.
void TestFileListView::barsLineUpAndTheFormatIsLabelled()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch();
    auto* compressBar = new CompressBarView;
    auto* extractBar = new ExtractBarView;
    layout->addWidget(compressBar);
    layout->addWidget(extractBar);
    window.resize(640, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(compressBar->height(), extractBar->height());
    const QRect compress = compressBar->compressButton()->geometry();
    const QRect extract = extractBar->extractButton()->geometry();
    QCOMPARE(QPair(compress.right(), compress.top()), QPair(extract.right(), extract.top()));
    const QRect label = compressBar->label()->geometry();
    const QRect dropDown = compressBar->dropDown()->geometry();
    QVERIFY(label.right() < dropDown.left() && dropDown.right() < compress.left());
    QVERIFY(compressBar->rect().contains(label | dropDown | compress));
    QVERIFY(label.width() >= compressBar->label()->sizeHint().width());
    QVERIFY(compress.width() >= compressBar->compressButton()->sizeHint().width());

    QComboBox* formats = compressBar->dropDown();
    QStringList items;
    for (int i = 0; i < formats->count(); ++i)
        items.append(formats->itemText(i));
    QCOMPARE(items, QStringList({ u"zip"_s, u"7z"_s }));
    QCOMPARE(formats->currentText(), u"zip"_s);
    QCOMPARE(formats->accessibleName(), u"Format"_s);
    const auto labels = QAccessible::queryAccessibleInterface(formats)->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first->object(), compressBar->label());
    QCOMPARE(labels.first().first->text(QAccessible::Name), u"Format:"_s);
}

QTEST_MAIN(TestFileListView)
#include "tst_filelistview.moc"
