#include "Model/FileListManager.h"
#include "Model/NotificationCenter.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Pages/FileList/View/EmptyListView.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Resources/LocalizedText.h"
#include "ScriptedOpenPanel.h"

#include <QItemSelectionModel>
#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QList<QUrl> urls(const QStringList& names)
{
    QList<QUrl> result;
    for (const QString& name : names)
        result.append(QUrl::fromLocalFile(u"/files/"_s + name));
    return result;
}

QStringList listed()
{
    QStringList names;
    for (const FileListItemInfo& item : std::as_const(FileListManager::shared().listInfo.list))
        names.append(item.fileName.mid(7));
    return names;
}
} // namespace

// The main view keeps the table, the empty view and the context menu in step
// with the working list, whichever way files come and go.
class TestFileListViewController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(installTranslations(QLocale(QLocale::English))); }
    void init() { FileListManager::shared().listInfo = {}; }

    void listAndEmptyViewStayInStep();
    void deleteKeysRemoveTheSelection_data();
    void deleteKeysRemoveTheSelection();

private:
    ScriptedOpenPanel m_openPanel;
};

// Which files go where in the list is the model's test; here only whether
// the table, the empty view and the menu follow, from the files the desktop
// names before the window shows on.
void TestFileListViewController::listAndEmptyViewStayInStep()
{
    FileListViewController controller(&m_openPanel);
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    centre.post(QString::fromLatin1(applicationOpenWithFileEvent), u"/files/a"_s);
    centre.post(QString::fromLatin1(applicationOpenWithFileEvent), 42);
    centre.post(u"otherEvent"_s, u"/files/b"_s);
    QCOMPARE(listed(), QStringList { u"a"_s });

    controller.show();
    const auto shows = [&controller](int rows) {
        return controller.listView()->tableView()->model()->rowCount() == rows
            && controller.emptyView()->isVisible() == (rows == 0)
            && !controller.listView()->menu() == (rows == 0);
    };
    QVERIFY(shows(1));
    controller.addFiles(urls({ u"b"_s, u"c"_s }));
    QVERIFY(shows(3));
    controller.removeItem(0);
    QCOMPARE(listed(), QStringList({ u"c"_s, u"a"_s }));
    controller.removeItems({ 0, 1 });
    QVERIFY(shows(0));
}

void TestFileListViewController::deleteKeysRemoveTheSelection_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("delete, rows 0 and 2")
        << int(Qt::Key_Delete) << QList<int> { 0, 2 } << QStringList { u"b"_s };
    QTest::newRow("backspace, row 1")
        << int(Qt::Key_Backspace) << QList<int> { 1 } << QStringList({ u"a"_s, u"c"_s });
    QTest::newRow("delete, nothing selected")
        << int(Qt::Key_Delete) << QList<int>() << QStringList({ u"a"_s, u"b"_s, u"c"_s });
    QTest::newRow("another key") << int(Qt::Key_A) << QList<int> { 0 }
                                 << QStringList({ u"a"_s, u"b"_s, u"c"_s });
}

void TestFileListViewController::deleteKeysRemoveTheSelection()
{
    QFETCH(int, key);
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, left);

    FileListViewController controller(&m_openPanel);
    controller.setListType(FileListType::compress);
    controller.applyListType();
    controller.addFiles(urls({ u"a"_s, u"b"_s, u"c"_s }));
    controller.show();
    QVERIFY(QTest::qWaitForWindowExposed(&controller));
    WonderfullTableView* table = controller.listView()->tableView();
    for (int row : selected)
        table->selectionModel()->select(table->model()->index(row, 0), QItemSelectionModel::Select);
    table->setFocus();
    QTest::keyClick(table, Qt::Key(key));
    QCOMPARE(listed(), left);
}

QTEST_MAIN(TestFileListViewController)
#include "tst_filelistviewcontroller.moc"
