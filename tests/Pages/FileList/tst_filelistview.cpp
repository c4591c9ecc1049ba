#include "Model/FileListInfo.h"
#include "Pages/FileList/View/EmptyListView.h"
#include "Pages/FileList/View/FileDragableView.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/FileListViewCell.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Resources/LocalizedText.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>

#include <memory>

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

QColor pixel(const QImage& image, int x, int y)
{
    return image.pixelColor(QPoint(int(x * image.devicePixelRatio()), int(y * image.devicePixelRatio())));
}

const QColor stripeColor(0xFA, 0xFA, 0xFA);
const QColor backgroundColor(Qt::white);

} // namespace

class TestFileListView : public QObject
{
    Q_OBJECT

private slots:
    void drops_data();
    void drops();
    void deleteMenuRemovesOnlyTheClickedRow_data();
    void deleteMenuRemovesOnlyTheClickedRow();
    void stripesCoverTheWholeViewport_data();
    void stripesCoverTheWholeViewport();
    void selectedRowIsFilled();
    void selectionFollowsTheMode();
    void assignedListShowsOnlyAfterReload();
    void accessibleTree();
};

void TestFileListView::drops_data()
{
    QTest::addColumn<bool>("onEmptyView");
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QList<QUrl>>("expected");

    const QList<QUrl> three { QUrl::fromLocalFile(u"/home/u/b.zip"_s),
                              QUrl::fromLocalFile(u"/home/u/a.pdf"_s),
                              QUrl::fromLocalFile(u"/home/u/folder"_s) };
    const QList<QUrl> mixed { QUrl(u"https://example.com/x.zip"_s), QUrl::fromLocalFile(u"/tmp/y.7z"_s) };
    for (const bool onEmptyView : { false, true }) {
        const char* where = onEmptyView ? "empty view" : "list";
        QTest::addRow("%s: three files in drop order", where)
            << onEmptyView << three << QString() << true << three;
        QTest::addRow("%s: text only is refused", where)
            << onEmptyView << QList<QUrl>() << u"/home/u/a.zip"_s << false << QList<QUrl>();
        QTest::addRow("%s: empty URL list is accepted", where)
            << onEmptyView << QList<QUrl>() << QString() << true << QList<QUrl>();
        QTest::addRow("%s: web addresses are left out", where)
            << onEmptyView << mixed << QString() << true << QList<QUrl> { mixed.at(1) };
        QTest::addRow("%s: only web addresses are refused", where)
            << onEmptyView << QList<QUrl> { mixed.at(0) } << QString() << false << QList<QUrl>();
    }
}

void TestFileListView::drops()
{
    QFETCH(bool, onEmptyView);
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
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
    if (text.isNull())
        mimeData.setUrls(urls);
    else
        mimeData.setText(text);
    QCOMPARE(drop(target, &mimeData), accepted);
    QCOMPARE(owner.added.size(), accepted ? 1 : 0);
    if (accepted)
        QCOMPARE(owner.added.first(), expected);
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
    view.resize(400, 300);
    view.setListInfo(listOf({ u"/a.zip"_s, u"/b.zip"_s, u"/c.zip"_s }));
    view.reloadData();
    view.setupMenu();
    if (!menuInstalled)
        view.removeMenu();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

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
    view.resize(300, 400);
    view.setListInfo(listOf(paths));
    view.reloadData();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.tableView()->verticalScrollBar()->setValue(scrolledBy);
    QCOMPARE(view.tableView()->verticalScrollBar()->value(), scrolledBy);
    // Without the keyboard focus, so no row wears the focus frame.
    view.tableView()->clearFocus();

    // Sampled right of the (short) names, down the whole viewport.
    QWidget* viewport = view.tableView()->viewport();
    const QImage image = viewport->grab().toImage();
    const int stride = WonderfullTableView::rowHeight;
    for (int y = 1; y < viewport->height(); y += 13) {
        const int row = (y + scrolledBy) / stride;
        const QColor expected = row % 2 == 0 ? stripeColor : backgroundColor;
        QCOMPARE(pixel(image, viewport->width() - 20, y), expected);
    }
}

void TestFileListView::selectedRowIsFilled()
{
    FileListView view;
    view.resize(300, 200);
    view.setListInfo(listOf({ u"/a.pdf"_s, u"/b.pdf"_s, u"/c.pdf"_s }));
    view.reloadData();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.tableView()->selectRow(1);
    view.tableView()->clearFocus();

    QImage image = view.tableView()->viewport()->grab().toImage();
    const QColor selected = FileListViewCell::selectionColor();
    QCOMPARE(selected, QColor(0x2E, 0x85, 0xFF));
    for (const int x : { 1, 5, 280 }) {
        QCOMPARE(pixel(image, x, 41), selected);
        QCOMPARE(pixel(image, x, 78), selected);
    }
    QCOMPARE(pixel(image, 280, 20), stripeColor);
    QCOMPARE(pixel(image, 280, 100), stripeColor);

    // With the focus, the current row is framed, selected or not.
    view.tableView()->setFocus();
    for (const int row : { 0, 1 }) {
        view.tableView()->selectionModel()->setCurrentIndex(view.tableView()->model()->index(row, 0),
                                                            QItemSelectionModel::NoUpdate);
        image = view.tableView()->viewport()->grab().toImage();
        QCOMPARE(pixel(image, 280, row * 40 + 2), row == 1 ? QColor(Qt::white) : selected);
        QCOMPARE(pixel(image, 280, row * 40 + 20), row == 1 ? selected : stripeColor);
    }
    QCOMPARE(view.selectedRowIndexes(), QList<int> { 1 });
}

// The rows the user selected stay selected: a reload finds them by entry,
// and going down to one row keeps one of them, never another.
void TestFileListView::selectionFollowsTheMode()
{
    FileListView view;
    view.setListInfo(listOf({ u"/a"_s, u"/b"_s, u"/c"_s }));
    view.reloadData();
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
    QVERIFY(!view.allowsMultipleSelection());
    QCOMPARE(view.selectedRowIndexes(), QList<int> { 1 });
}

void TestFileListView::assignedListShowsOnlyAfterReload()
{
    FileListView view;
    view.setListInfo(listOf({ u"/a"_s }));
    view.reloadData();
    view.setListInfo(listOf({ u"/b"_s, u"/a"_s }));
    QCOMPARE(view.tableView()->model()->rowCount(), 1);
    view.reloadData();
    QCOMPARE(view.tableView()->model()->rowCount(), 2);
    QCOMPARE(view.tableView()->model()->index(0, 0).data().toString(), u"/b"_s);
}

void TestFileListView::accessibleTree()
{
    QWidget window;
    auto* list = new FileListView(&window);
    auto* empty = new EmptyListView(&window);
    list->setGeometry(0, 0, 400, 200);
    empty->setGeometry(0, 200, 400, 400);
    list->setListInfo(listOf({ u"/home/u/report.pdf"_s, u"/home/u/photos"_s }));
    list->reloadData();
    window.resize(400, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Every visible, reachable node below both views has a role and a name.
    QStringList names;
    QList<QAccessibleInterface*> pending { QAccessible::queryAccessibleInterface(list),
                                           QAccessible::queryAccessibleInterface(empty) };
    while (!pending.isEmpty()) {
        QAccessibleInterface* node = pending.takeFirst();
        QVERIFY(node && node->isValid());
        if (node->state().invisible)
            continue;
        const QString name = node->text(QAccessible::Name);
        // Qt's headerless table keeps an unnamed corner node with no widget of its own.
        const auto* widget = qobject_cast<const QWidget*>(node->object());
        const bool shown = node->role() == QAccessible::Cell || (widget && widget->isVisible());
        QVERIFY2(!shown || !name.isEmpty(), qPrintable(u"unnamed node of role %1"_s.arg(int(node->role()))));
        QVERIFY(node->role() != QAccessible::NoRole);
        if (shown)
            names.append(name);
        for (int child = 0; child < node->childCount(); ++child)
            pending.append(node->child(child));
    }

    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list->tableView());
    QCOMPARE(table->role(), QAccessible::Table);
    QCOMPARE(table->text(QAccessible::Name), localizedText("file_list_title"));
    QAccessibleTableInterface* cells = table->tableInterface();
    QVERIFY(cells);
    QCOMPARE(cells->rowCount(), 2);
    QCOMPARE(cells->cellAt(0, 0)->text(QAccessible::Name), u"/home/u/report.pdf"_s);
    QCOMPARE(cells->cellAt(1, 0)->text(QAccessible::Name), u"/home/u/photos"_s);

    QVERIFY(names.contains(localizedText("drag_file_title")));
    QVERIFY(names.contains(localizedText("drag_file_subtitle")));
    QAccessibleInterface* emptyNode = QAccessible::queryAccessibleInterface(empty);
    QCOMPARE(emptyNode->text(QAccessible::Description), localizedText("drag_file_subtitle"));
}

QTEST_MAIN(TestFileListView)
#include "tst_filelistview.moc"
