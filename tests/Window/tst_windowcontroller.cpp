#include "Alerts/FileDialogOpenPanel.h"
#include "Alerts/FilesAndFoldersDialog.h"
#include "FileTree.h"
#include "Model/FileListManager.h"
#include "Resources/LocalizedText.h"
#include "Window/WindowController.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {
QStringList listed()
{
    QStringList paths;
    for (const FileListItemInfo& item : std::as_const(FileListManager::shared().listInfo.list))
        paths.append(item.fileName);
    return paths;
}

// The texts a file dialog shows cut short: place names wider than the places
// pane, and detail entries wider than their column.
QStringList cutTexts(QFileDialog* dialog)
{
    QStringList cut;
    auto places = dialog->findChild<QListView*>(u"sidebar"_s);
    for (int row = 0; places && row < places->model()->rowCount(); ++row) {
        const QModelIndex index = places->model()->index(row, 0);
        const int needed = places->visualRect(index).left() + places->iconSize().width()
            + places->fontMetrics().horizontalAdvance(index.data().toString());
        if (needed > places->viewport()->width())
            cut.append(index.data().toString());
    }
    auto details = dialog->findChild<QTreeView*>(u"treeView"_s);
    auto model = details ? qobject_cast<QFileSystemModel*>(details->model()) : nullptr;
    const QModelIndex folder = model ? model->index(dialog->directory().absolutePath()) : QModelIndex();
    for (int row = 0; model && row < model->rowCount(folder); ++row) {
        for (int column = 1; column < model->columnCount(folder); ++column) {
            const QString text = model->index(row, column, folder).data().toString();
            if (details->fontMetrics().horizontalAdvance(text) > details->header()->sectionSize(column))
                cut.append(text);
        }
    }
    return cut;
}
} // namespace

class TestWindowController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The file dialogs keep their places and history in the settings:
        // a test's own, not the user's.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(installTranslations(QLocale(QLocale::English)));
    }
    void init() { FileListManager::shared().listInfo = {}; }

    void filesAndFoldersAreChosenTogetherInTheRealDialog();
    void folderChooserAnswersWithTheSelectedFolder();
};

// The add-file panel as the application opens it: the selected file and
// folder both come back, the folder is not entered, and the dialog goes.
void TestWindowController::filesAndFoldersAreChosenTogetherInTheRealDialog()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"photos"_s));
    for (const QString& name : { u"b.txt"_s, u"c.pdf"_s, u"backup.tar.gz"_s })
        QVERIFY(FileTree::writeFile(dir.path(), name, {}));
    FileDialogOpenPanel panel;
    WindowController window(&panel);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    for (const QDialogButtonBox::StandardButton answer :
         { QDialogButtonBox::Cancel, QDialogButtonBox::Open }) {
        QTest::mouseClick(window.toolbar()->findChild<QWidget*>(u"ka_add_file"_s), Qt::LeftButton);
        QPointer<FilesAndFoldersDialog> dialog = window.findChild<FilesAndFoldersDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        dialog->setDirectory(dir.path());
        auto view = dialog->findChild<QListView*>(u"listView"_s);
        auto model = qobject_cast<QFileSystemModel*>(view->model());
        QTRY_COMPARE(model->rowCount(view->rootIndex()), 4);
        QTRY_COMPARE(cutTexts(dialog), QStringList());
        for (const QString& name : { u"photos"_s, u"b.txt"_s })
            view->selectionModel()->select(model->index(dir.filePath(name)),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);

        QPushButton* button = dialog->findChild<QDialogButtonBox*>()->button(answer);
        QVERIFY(button && button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY(!dialog);
        if (answer == QDialogButtonBox::Cancel)
            QVERIFY(listed().isEmpty());
    }
    QStringList chosen = listed();
    chosen.sort();
    QCOMPARE(chosen, QStringList({ dir.filePath(u"b.txt"_s), dir.filePath(u"photos"_s) }));
}

void TestWindowController::folderChooserAnswersWithTheSelectedFolder()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"out"_s));
    // A home folder with a name of some length is among the places.
    const QString home = dir.filePath(u"home-machine-of-kestrel"_s);
    QVERIFY(QDir().mkpath(home));
    QWidget window;
    window.show();
    FileDialogOpenPanel panel;
    QList<QList<QUrl>> answers;
    OpenPanel::Options options;
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    panel.beginSheet(&window, options, [&answers](const QList<QUrl>& chosen) { answers.append(chosen); });

    QPointer<QFileDialog> dialog = window.findChild<QFileDialog*>();
    QVERIFY(dialog);
    // The dialog keeps its places in the user's settings: they are put back.
    const QList<QUrl> places = dialog->sidebarUrls();
    dialog->setSidebarUrls({ QUrl::fromLocalFile(u"/"_s), QUrl::fromLocalFile(home) });
    dialog->setDirectory(dir.path());
    QTRY_COMPARE(cutTexts(dialog), QStringList());
    dialog->setSidebarUrls(places);
    dialog->selectFile(dir.filePath(u"out"_s));
    QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open), Qt::LeftButton);
    QTRY_VERIFY(!dialog);
    QCOMPARE(answers, QList<QList<QUrl>>({ { QUrl::fromLocalFile(dir.filePath(u"out"_s)) } }));
}

QTEST_MAIN(TestWindowController)
#include "tst_windowcontroller.moc"
