#include "Alerts/FileDialogOpenPanel.h"
#include "Alerts/FilesAndFoldersDialog.h"
#include "Model/FileListManager.h"
#include "Pages/Compress/View/CompressBarView.h"
#include "Pages/Extract/View/ExtractBarView.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Resources/LocalizedText.h"
#include "ScriptedOpenPanel.h"
#include "Window/WindowController.h"

#include <QAccessible>
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

QWidget* toolbarWidget(const WindowController& window, const QString& identifier)
{
    return window.toolbar()->findChild<QWidget*>(identifier);
}

void click(const WindowController& window, const QString& identifier)
{
    QWidget* button = toolbarWidget(window, identifier);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
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

QAction* item(const WindowController& window, const QString& identifier)
{
    for (QAction* action : window.toolbar()->actions()) {
        if (action->objectName() == identifier)
            return action;
    }
    return nullptr;
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

    void windowCannotShrinkBelowItsMinimum();
    void toolbarHoldsTheDefaultItemsInOrder();
    void fullVersionItemSitsInTheMiddle_data();
    void fullVersionItemSitsInTheMiddle();
    void modeItemsSwitchTheBarAndKeepTheList();
    void addFileItemAddsTheChosenFilesInOrder();
    void unknownIdentifierGivesAnExtractItem_data();
    void unknownIdentifierGivesAnExtractItem();
    void filesAndFoldersAreChosenTogetherInTheRealDialog();
    void folderChooserAnswersWithTheSelectedFolder();

private:
    ScriptedOpenPanel m_openPanel;
};

void TestWindowController::windowCannotShrinkBelowItsMinimum()
{
    WindowController window(&m_openPanel);
    window.show();
    window.resize(300, 200);
    QCOMPARE(window.size(), QSize(840, 560));
    QCOMPARE(window.windowTitle(), localizedText("common_application_name"));
}

void TestWindowController::toolbarHoldsTheDefaultItemsInOrder()
{
    WindowController window(&m_openPanel);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.toolbar()->objectName(), u"ka_windows_toolbar"_s);
    QVERIFY(!window.toolbar()->isMovable());
    QCOMPARE(window.toolbar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

    const QStringList expected { u"ka_custom_spacer"_s, u"ka_uncompress"_s,  u"ka_custom_spacer"_s,
                                 u"ka_compress"_s,      u"flexible_space"_s, u"ka_download_full_version"_s,
                                 u"flexible_space"_s,   u"ka_add_file"_s,    u"ka_custom_spacer"_s };
    QStringList identifiers;
    int right = -1;
    for (QAction* action : window.toolbar()->actions()) {
        identifiers.append(action->objectName());
        const QWidget* widget = window.toolbar()->widgetForAction(action);
        QVERIFY(widget && widget->isVisible());
        QCOMPARE(widget->objectName(), action->objectName());
        QVERIFY2(widget->x() >= right, qPrintable(action->objectName()));
        right = widget->geometry().right();
    }
    QCOMPARE(identifiers, expected);
    QCOMPARE(toolbarWidget(window, u"ka_custom_spacer"_s)->size(), QSize(20, 50));

    const QList<std::pair<QString, QString>> named { { u"ka_uncompress"_s, u"Extract"_s },
                                                     { u"ka_compress"_s, u"Compress"_s },
                                                     { u"ka_download_full_version"_s, u"Get Full Version"_s },
                                                     { u"ka_add_file"_s, u"Add Files"_s } };
    for (const auto& [identifier, name] : named) {
        QWidget* widget = toolbarWidget(window, identifier);
        if (auto button = widget->findChild<QPushButton*>())
            widget = button;
        QCOMPARE(accessibleName(widget), name);
    }
    for (const QString& identifier : { u"ka_uncompress"_s, u"ka_compress"_s, u"ka_add_file"_s })
        QVERIFY(!item(window, identifier)->icon().isNull());
    QVERIFY(item(window, u"ka_uncompress"_s)->isChecked());
    QVERIFY(item(window, u"ka_compress"_s)->isCheckable());
    QVERIFY(!item(window, u"ka_compress"_s)->isChecked());
    QVERIFY(!item(window, u"ka_add_file"_s)->isCheckable());
}

void TestWindowController::fullVersionItemSitsInTheMiddle_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("smallest window") << 840;
    QTest::newRow("wide window") << 1500;
}

void TestWindowController::fullVersionItemSitsInTheMiddle()
{
    QFETCH(int, width);
    WindowController window(&m_openPanel);
    window.resize(width, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QWidget* button = toolbarWidget(window, u"ka_download_full_version"_s)->findChild<QPushButton*>();
    const int centre = button->mapTo(&window, button->rect().center()).x();
    QVERIFY2(qAbs(centre - width / 2) <= 1, qPrintable(u"centre at %1"_s.arg(centre)));
}

void TestWindowController::modeItemsSwitchTheBarAndKeepTheList()
{
    WindowController window(&m_openPanel);
    window.show();
    FileListViewController* controller = window.contentViewController();
    QVERIFY(controller);
    controller->addFiles({ QUrl::fromLocalFile(u"/files/a.zip"_s), QUrl::fromLocalFile(u"/files/b"_s) });

    for (const QString& identifier : { u"ka_compress"_s, u"ka_compress"_s, u"ka_uncompress"_s }) {
        click(window, identifier);
        const bool compressing = identifier == u"ka_compress";
        QCOMPARE(controller->listType(), compressing ? FileListType::compress : FileListType::extract);
        QCOMPARE(controller->compressBar()->isVisible(), compressing);
        QCOMPARE(controller->extractBar()->isVisible(), !compressing);
        QVERIFY(item(window, u"ka_compress"_s)->isChecked() == compressing);
        QVERIFY(item(window, u"ka_uncompress"_s)->isChecked() == !compressing);
        QCOMPARE(listed(), QStringList({ u"/files/a.zip"_s, u"/files/b"_s }));
    }
}

void TestWindowController::addFileItemAddsTheChosenFilesInOrder()
{
    ScriptedOpenPanel panel(
        { { QUrl::fromLocalFile(u"/files/z.txt"_s), QUrl::fromLocalFile(u"/files/folder"_s),
            QUrl::fromLocalFile(u"/files/a.7z"_s) },
          {} });
    WindowController window(&panel);
    window.show();

    click(window, u"ka_add_file"_s);
    QTRY_COMPARE(listed(), QStringList({ u"/files/z.txt"_s, u"/files/folder"_s, u"/files/a.7z"_s }));
    QCOMPARE(panel.opened().size(), 1);
    const OpenPanel::Options options = panel.opened().first();
    QVERIFY(options.canChooseFiles && options.canChooseDirectories && options.allowsMultipleSelection);
    QCOMPARE(options.prompt, u"Choose Files"_s);
    QCOMPARE(options.message, u"Choose Files"_s);
    QCOMPARE(panel.windows().first(), &window);
    QVERIFY(item(window, u"ka_uncompress"_s)->isChecked());

    // A dismissed panel adds nothing.
    click(window, u"ka_add_file"_s);
    QCOMPARE(panel.opened().size(), 2);
    QCoreApplication::processEvents();
    QCOMPARE(listed().size(), 3);
}

void TestWindowController::unknownIdentifierGivesAnExtractItem_data()
{
    QTest::addColumn<QString>("identifier");
    QTest::newRow("empty") << QString();
    QTest::newRow("unknown") << u"ka_share"_s;
    QTest::newRow("case differs") << u"KA_COMPRESS"_s;
    QTest::newRow("extract itself") << u"ka_uncompress"_s;
}

void TestWindowController::unknownIdentifierGivesAnExtractItem()
{
    QFETCH(QString, identifier);
    WindowController window(&m_openPanel);
    click(window, u"ka_compress"_s);
    QCOMPARE(window.contentViewController()->listType(), FileListType::compress);

    QAction* extract = window.itemForItemIdentifier(identifier);
    QVERIFY(extract);
    QCOMPARE(extract->objectName(), u"ka_uncompress"_s);
    QCOMPARE(extract->text(), u"Extract"_s);
    QVERIFY(!extract->icon().isNull());
    extract->trigger();
    QCOMPARE(window.contentViewController()->listType(), FileListType::extract);
}

// The add-file panel as the application opens it: the selected file and
// folder both come back, the folder is not entered, and the dialog goes.
void TestWindowController::filesAndFoldersAreChosenTogetherInTheRealDialog()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"photos"_s));
    for (const QString& name : { u"b.txt"_s, u"c.pdf"_s, u"backup.tar.gz"_s }) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    FileDialogOpenPanel panel;
    WindowController window(&panel);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    for (const QDialogButtonBox::StandardButton answer :
         { QDialogButtonBox::Cancel, QDialogButtonBox::Open }) {
        click(window, u"ka_add_file"_s);
        QPointer<FilesAndFoldersDialog> dialog = window.findChild<FilesAndFoldersDialog*>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        dialog->setDirectory(dir.path());

        auto view = dialog->findChild<QListView*>(u"listView"_s);
        QVERIFY(view);
        auto model = qobject_cast<QFileSystemModel*>(view->model());
        QVERIFY(model);
        QTRY_COMPARE(model->rowCount(view->rootIndex()), 4);
        QTRY_COMPARE(cutTexts(dialog), QStringList());
        for (const QString& name : { u"photos"_s, u"b.txt"_s })
            view->selectionModel()->select(model->index(dir.filePath(name)),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);

        QPushButton* button = dialog->findChild<QDialogButtonBox*>()->button(answer);
        QVERIFY(button && button->isEnabled());
        if (answer == QDialogButtonBox::Open)
            QCOMPARE(button->text(), u"Choose Files"_s);
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
    options.prompt = u"Extract Here"_s;
    options.message = u"Choose a folder"_s;
    panel.beginSheet(&window, options, [&answers](const QList<QUrl>& chosen) { answers.append(chosen); });

    QPointer<QFileDialog> dialog = window.findChild<QFileDialog*>();
    QVERIFY(dialog);
    QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
    QVERIFY(dialog->testOption(QFileDialog::ShowDirsOnly));
    QCOMPARE(dialog->windowTitle(), u"Choose a folder"_s);
    QCOMPARE(dialog->labelText(QFileDialog::Accept), u"Extract Here"_s);
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
