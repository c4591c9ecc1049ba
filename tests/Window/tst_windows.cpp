#include "AlertLookup.h"
#include "Alerts/CommonAlert.h"
#include "Alerts/FileDialogOpenPanel.h"
#include "Alerts/FilesAndFoldersDialog.h"
#include "Alerts/TextFieldAlert.h"
#include "ChildProcess.h"
#include "EventLogServer.h"
#include "FileTree.h"
#include "Model/FileListManager.h"
#include "Pages/Compress/View/CompressBarView.h"
#include "Pages/Extract/View/ExtractBarView.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Resources/LocalizedText.h"
#include "ScriptedOpenPanel.h"
#include "Window/BatchWindow.h"
#include "Window/WindowController.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

using namespace Qt::StringLiterals;
using namespace AlertLookup;

namespace {
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

const auto focused = &QApplication::focusWidget;

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = focused();
    QVERIFY(target);
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

QString nameOf(QWidget* widget)
{
    QAccessibleInterface* face = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    return face ? face->text(QAccessible::Name) : QString();
}

// The names of the focus stops that Tab visits from where the focus is
// until it comes back there.
QStringList tabStops(Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QStringList names;
    QWidget* start = focused();
    for (int i = 0; i < 20; ++i) {
        names.append(nameOf(focused()));
        QTest::keyClick(focused(), Qt::Key_Tab, modifiers);
        if (focused() == start)
            break;
    }
    return names;
}

QStringList selectedNames(FileListViewController* controller)
{
    QStringList names;
    for (const QString& path : controller->selectedPaths())
        names.append(QFileInfo(path).fileName());
    return names;
}

// Waits for the result alert and closes it with Return, as a user would.
// The window's focus is where it was before the job.
void acceptResult(QWidget* window, const QString& expected)
{
    QTRY_VERIFY_WITH_TIMEOUT(messageAlert(window), 30000);
    CommonAlert* alert = messageAlert(window);
    QCOMPARE(alert->text(), expected);
    QTRY_COMPARE(focused() ? focused()->window() : nullptr, static_cast<QWidget*>(alert));
    press(Qt::Key_Return);
    QTRY_VERIFY(!window->findChild<CommonAlert*>());
    // As the window manager does when a sheet goes.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}
} // namespace

// The windows, driven as a user drives them. The main window without a
// pointer (keys alone, and the calls a screen reader makes), and with the
// real file dialogs it opens. The small window of a file manager's batch:
// real archives beside each other in a temporary folder, real engines,
// events to a loopback log.
class TestWindows : public QObject
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
    void init();

    void keyboardAloneRunsBothJobs();
    void passwordByKeyboard();
    void modeItemsSwitchTheModeAndKeepTheList_data();
    void modeItemsSwitchTheModeAndKeepTheList();
    void filesAndFoldersAreChosenTogetherInTheRealDialog();
    void folderChooserAnswersWithTheSelectedFolder();

    void batchExtractsEachArchiveBesideItself();
    void batchFailureInTheMiddleIsListedAndTheRestGoesOn();
    void batchCancelStopsAndLeavesNothingOfTheCurrentJob();
    void batchCompressHereMakesOneArchiveBesideTheFirstFile();

private:
    QString path(const QString& relative) const { return m_dir->filePath(relative); }
    // A zip of `files` (relative to the folder) made by Info-ZIP's zip, which
    // moves them in.
    void zip(const QString& archive, const QStringList& files, const QStringList& options = {});
    // Runs the batch until its window says it is done; the counts it showed.
    int runBatch(BatchWindow& window, QStringList* counts = nullptr);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<EventLogServer> m_server;
    ScriptedOpenPanel m_panel;
    std::unique_ptr<WindowController> m_window;
};

void TestWindows::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_server = std::make_unique<EventLogServer>();
    qputenv("KESTREL_EVENT_LOG_URL", m_server->url().toEncoded());
    FileListManager::shared().listInfo = {};
    m_panel = ScriptedOpenPanel();
    m_window = std::make_unique<WindowController>(&m_panel);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestWindows::keyboardAloneRunsBothJobs()
{
    QVERIFY(FileTree::writeFile(path(u"Holiday"_s), u"notes.txt"_s, "sun and sea\n"));
    QVERIFY(FileTree::writeFile(m_dir->path(), u"list.txt"_s, "bread\n"));
    QVERIFY(QDir().mkpath(path(u"out"_s)));
    FileListViewController* controller = m_window->contentViewController();

    // A fresh window starts on the mode item; the empty list offers no stops.
    QCOMPARE(nameOf(focused()), u"Extract"_s);
    QCOMPARE(tabStops(), QStringList({ u"Extract"_s, u"Compress"_s, u"Get Full Version"_s, u"Add Files"_s }));

    m_panel.answerNext({ QUrl::fromLocalFile(path(u"Holiday"_s)), QUrl::fromLocalFile(path(u"list.txt"_s)) });
    press(Qt::Key_O, Qt::ControlModifier);
    QTRY_COMPARE(controller->listView()->listInfo().list.size(), 2);

    press(Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(controller->listType(), FileListType::compress);
    const QString listName = localizedText("file_list_title");
    // On this platform a drop-down is named by its value; its label is a relation.
    const QStringList compressStops { u"Compress"_s, u"Get Full Version"_s, u"Add Files"_s, listName,
                                      u"zip"_s,      u"Compress"_s,         u"Extract"_s };
    m_window->toolbar()->findChild<QWidget*>(u"ka_compress"_s)->setFocus(Qt::TabFocusReason);
    QCOMPARE(tabStops(), compressStops);
    QStringList backwards = tabStops(Qt::ShiftModifier);
    std::reverse(backwards.begin() + 1, backwards.end());
    QCOMPARE(backwards, compressStops);

    // F10 goes to the toolbar, F6 from pane to pane: toolbar, list, bar.
    press(Qt::Key_F6);
    QCOMPARE(focused(), controller->listView()->tableView());
    press(Qt::Key_F10);
    QCOMPARE(nameOf(focused()), u"Compress"_s);
    press(Qt::Key_F6);
    QCOMPARE(focused(), controller->listView()->tableView());
    press(Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(selectedNames(controller), QStringList({ u"Holiday"_s, u"list.txt"_s }));
    press(Qt::Key_Tab);
    QCOMPARE(focused(), controller->compressBar()->dropDown());
    press(Qt::Key_Down);
    QCOMPARE(controller->compressBar()->type(), ArchiveType(ArchiveType::z7));
    press(Qt::Key_Tab);
    m_panel.answerNext({ QUrl::fromLocalFile(path(u"out"_s)) });
    press(Qt::Key_Space);
    acceptResult(m_window.get(), localizedText("compress_completion"));
    // The archive's extension is matched whatever its letter case.
    QVERIFY(QFile::rename(path(u"out/Archive.7z"_s), path(u"out/Archive.7Z"_s)));

    // The new archive comes in at the top; the entries selected before stay so.
    m_panel.answerNext({ QUrl::fromLocalFile(path(u"out/Archive.7Z"_s)) });
    press(Qt::Key_O, Qt::ControlModifier);
    QTRY_COMPARE(controller->listView()->listInfo().list.size(), 3);
    QCOMPARE(selectedNames(controller), QStringList({ u"Holiday"_s, u"list.txt"_s }));

    // Back in extract mode one of them stays selected; Home and Space pick
    // the archive and Return extracts it.
    press(Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(controller->listType(), FileListType::extract);
    QCOMPARE(selectedNames(controller).size(), 1);
    press(Qt::Key_F6);
    QCOMPARE(focused(), controller->listView()->tableView());
    press(Qt::Key_End);
    press(Qt::Key_Home);
    press(Qt::Key_Space);
    QCOMPARE(selectedNames(controller), QStringList { u"Archive.7Z"_s });
    m_panel.answerNext({ QUrl::fromLocalFile(path(u"out"_s)) });
    press(Qt::Key_Return);
    acceptResult(m_window.get(), localizedText("extract_completion"));
    QCOMPARE(FileTree::snapshot(path(u"out/Archive/Holiday"_s)), FileTree::snapshot(path(u"Holiday"_s)));
    // Of the four panels, the two folder choosers name what they are for.
    QStringList choosers;
    for (const OpenPanel::Options& options : m_panel.opened()) {
        if (options.canChooseDirectories && !options.canChooseFiles)
            choosers.append(options.prompt + u' ' + options.message);
    }
    QCOMPARE(m_panel.opened().size(), 4);
    QCOMPARE(choosers,
             QStringList({ localizedText("compress_to_title") + u' '
                               + localizedText("save_in_title").arg(u"Archive.7z"_s),
                           localizedText("extract_to_title") + u' '
                               + localizedText("extract_into_title").arg(u"Archive.7Z"_s) }));
}

// A protected archive, keys only: Escape dismisses the prompt, leaves nothing
// and gives the focus back to the list; the second time the password is
// typed and Return extracts.
void TestWindows::passwordByKeyboard()
{
    QVERIFY(FileTree::writeFile(m_dir->path(), u"plan.txt"_s, "the plan\n"));
    zip(u"Secret.zip"_s, { u"plan.txt"_s }, { u"-P"_s, u"s3cret"_s });
    QVERIFY(QDir().mkpath(path(u"vault"_s)));
    FileListViewController* controller = m_window->contentViewController();
    controller->addFiles({ QUrl::fromLocalFile(path(u"Secret.zip"_s)) });
    press(Qt::Key_F6);
    press(Qt::Key_Space);

    for (const bool answer : { false, true }) {
        m_panel.answerNext({ QUrl::fromLocalFile(path(u"vault"_s)) });
        press(Qt::Key_Return);
        TextFieldAlert* prompt = nullptr;
        QTRY_VERIFY((prompt = visible<TextFieldAlert>(m_window.get())));
        QTRY_COMPARE(focused(), static_cast<QWidget*>(prompt->textField()));
        if (!answer) {
            press(Qt::Key_Escape);
            QTRY_VERIFY(!visible<CommonAlert>(m_window.get()));
            QCOMPARE(FileTree::entries(path(u"vault"_s)), QStringList());
            m_window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
            QTRY_COMPARE(focused(), controller->listView()->tableView());
            continue;
        }
        QTest::keyClicks(focused(), u"s3cret"_s);
        press(Qt::Key_Return);
    }
    acceptResult(m_window.get(), localizedText("extract_completion"));
    QCOMPARE(FileTree::readFile(path(u"vault/Secret/plan.txt"_s)), "the plan\n");
}

void TestWindows::modeItemsSwitchTheModeAndKeepTheList_data()
{
    QTest::addColumn<bool>("byScreenReader");
    QTest::newRow("clicked") << false;
    // A screen reader toggles the button without triggering its action.
    QTest::newRow("toggled by a screen reader") << true;
}

// Pressing a mode item twice keeps its mode; each switch keeps the list.
void TestWindows::modeItemsSwitchTheModeAndKeepTheList()
{
    QFETCH(bool, byScreenReader);
    FileListViewController* controller = m_window->contentViewController();
    controller->addFiles({ QUrl::fromLocalFile(path(u"a.zip"_s)) });
    auto button = [this](const QString& identifier) {
        return m_window->toolbar()->findChild<QToolButton*>(identifier);
    };
    for (const QString& identifier :
         { u"ka_compress"_s, u"ka_compress"_s, u"ka_uncompress"_s, u"ka_uncompress"_s }) {
        if (byScreenReader) {
            QAccessibleActionInterface* actions
                = QAccessible::queryAccessibleInterface(button(identifier))->actionInterface();
            QVERIFY(actions && actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
            actions->doAction(QAccessibleActionInterface::toggleAction());
        } else {
            QTest::mouseClick(button(identifier), Qt::LeftButton);
        }
        const bool compressing = identifier == u"ka_compress";
        QTRY_COMPARE(controller->listType(), compressing ? FileListType::compress : FileListType::extract);
        QCOMPARE(controller->compressBar()->isVisible(), compressing);
        QCOMPARE(controller->extractBar()->isVisible(), !compressing);
        QTRY_COMPARE(button(u"ka_compress"_s)->isChecked(), compressing);
        QTRY_COMPARE(button(u"ka_uncompress"_s)->isChecked(), !compressing);
        QCOMPARE(controller->listView()->listInfo().list.size(), 1);
    }
    QCOMPARE(nameOf(m_window->toolbar()->findChild<QToolButton*>(u"qt_toolbar_ext_button"_s)), u"More"_s);
    QCOMPARE(button(u"ka_add_file"_s)->toolTip(), u"Add Files (Ctrl+O)"_s);
}

// The add-file panel as the application opens it: the selected file and
// folder both come back, the folder is not entered, and the dialog goes.
void TestWindows::filesAndFoldersAreChosenTogetherInTheRealDialog()
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
            QVERIFY(FileListManager::shared().listInfo.list.isEmpty());
    }
    QStringList chosen;
    for (const FileListItemInfo& item : std::as_const(FileListManager::shared().listInfo.list))
        chosen.append(item.fileName);
    chosen.sort();
    QCOMPARE(chosen, QStringList({ dir.filePath(u"b.txt"_s), dir.filePath(u"photos"_s) }));
}

void TestWindows::folderChooserAnswersWithTheSelectedFolder()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"out"_s));
    // A home folder with a name of some length is among the places.
    const QString home = dir.filePath(u"home-machine-of-kestrel"_s);
    QVERIFY(QDir().mkpath(home));
    FileDialogOpenPanel panel;
    QList<QList<QUrl>> answers;
    OpenPanel::Options options;
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    panel.beginSheet(m_window.get(), options,
                     [&answers](const QList<QUrl>& chosen) { answers.append(chosen); });

    QPointer<QFileDialog> dialog = m_window->findChild<QFileDialog*>();
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

void TestWindows::zip(const QString& archive, const QStringList& files, const QStringList& options)
{
    QCOMPARE(ChildProcess::run(u"zip"_s,
                               QStringList { u"-qrm"_s } + options + QStringList { archive } + files, nullptr,
                               m_dir->path()),
             0);
}

int TestWindows::runBatch(BatchWindow& window, QStringList* counts)
{
    QSignalSpy done(&window, &BatchWindow::done);
    QObject::connect(window.job(), &BatchJob::jobStarted, &window, [&window, counts] {
        if (counts)
            counts->append(window.countLabel()->text());
    });
    window.start();
    if (!done.wait(60000))
        return -1;
    return done.first().first().toInt();
}

// A folder and a protected file whose password is asked naming it. How
// each archive's entries land (lifted, or wrapped in a folder) is the naming
// test's; the file managers' actions run the same batch with the real binary.
void TestWindows::batchExtractsEachArchiveBesideItself()
{
    QVERIFY(FileTree::writeFile(path(u"Holiday"_s), u"notes.txt"_s, "sun\n"));
    zip(u"Holiday.zip"_s, { u"Holiday"_s });
    QVERIFY(FileTree::writeFile(m_dir->path(), u"letter.txt"_s, "dear friend\n"));
    zip(u"Secret.zip"_s, { u"letter.txt"_s }, { u"-P"_s, u"secret"_s });

    BatchWindow window(BatchJob::Kind::extractHere, { path(u"Holiday.zip"_s), path(u"Secret.zip"_s) },
                       ArchiveType::zip);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, &window, [&window] {
        if (TextFieldAlert* prompt = visible<TextFieldAlert>(&window);
            prompt && prompt->textField()->text().isEmpty()) {
            QCOMPARE(prompt->subject(), u"Secret.zip"_s);
            QTest::keyClicks(prompt->textField(), u"secret"_s);
            QTest::mouseClick(buttonTitled(prompt, "common_ok"), Qt::LeftButton);
        }
    });
    answer.start(20);
    QStringList counts;
    QCOMPARE(runBatch(window, &counts), 0);
    QCOMPARE(counts, QStringList({ u"1 of 2"_s, u"2 of 2"_s }));
    QCOMPARE(FileTree::readFile(path(u"Holiday/notes.txt"_s)), "sun\n");
    QCOMPARE(FileTree::readFile(path(u"letter.txt"_s)), "dear friend\n");

    // The window's events, once per archive.
    QTRY_COMPARE_WITH_TIMEOUT(m_server->events(u"decompress_click"_s).size(), 2, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->events(u"decompress_result"_s).size(), 2, 10000);
}

void TestWindows::batchFailureInTheMiddleIsListedAndTheRestGoesOn()
{
    for (const QString& name : { u"First"_s, u"Last"_s }) {
        QVERIFY(FileTree::writeFile(m_dir->path(), name + u".txt"_s, "text\n"));
        zip(name + u".zip"_s, { name + u".txt"_s });
    }
    QVERIFY(FileTree::writeFile(m_dir->path(), u"Broken.zip"_s, QByteArray(5000, 'x')));

    BatchWindow window(BatchJob::Kind::extractHere,
                       { path(u"First.zip"_s), path(u"Broken.zip"_s), path(u"Last.zip"_s) },
                       ArchiveType::zip);
    QSignalSpy done(&window, &BatchWindow::done);
    window.start();
    CommonAlert* summary = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((summary = visible<CommonAlert>(&window)), 30000);
    QCOMPARE(summary->text(),
             u"Some archives could not be extracted:\n\nBroken.zip: the archive is damaged"_s);
    QVERIFY(done.isEmpty());
    QTest::mouseClick(buttonTitled(summary, "common_ok"), Qt::LeftButton);
    QTRY_COMPARE(done.size(), 1);
    QCOMPARE(done.first().first().toInt(), 1);
    QCOMPARE(FileTree::entries(m_dir->path()),
             QStringList({ u"Broken.zip"_s, u"First.txt"_s, u"First.zip"_s, u"Last.txt"_s, u"Last.zip"_s }));
}

void TestWindows::batchCancelStopsAndLeavesNothingOfTheCurrentJob()
{
    QVERIFY(FileTree::writeFile(m_dir->path(), u"Done.txt"_s, "done\n"));
    zip(u"Done.zip"_s, { u"Done.txt"_s });
    for (int i = 0; i < 4; ++i)
        QVERIFY(
            FileTree::writeFile(path(u"Big"_s), u"part%1.bin"_s.arg(i), FileTree::randomBytes(24 << 20, i)));
    zip(u"Big.zip"_s, { u"Big"_s }, { u"-0"_s });
    QVERIFY(FileTree::writeFile(m_dir->path(), u"Later.txt"_s, "later\n"));
    zip(u"Later.zip"_s, { u"Later.txt"_s });

    BatchWindow window(BatchJob::Kind::extractHere,
                       { path(u"Done.zip"_s), path(u"Big.zip"_s), path(u"Later.zip"_s) }, ArchiveType::zip);
    QSignalSpy done(&window, &BatchWindow::done);
    window.start();
    // Active, as the window manager makes a new window, for its keys.
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // Pressed as soon as the big one is on, without pauses.
    QElapsedTimer waited;
    waited.start();
    while (window.job()->currentIndex() < 1 && waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCOMPARE(window.countLabel()->text(), u"2 of 3"_s);
    QVERIFY(QDir().mkpath(QStringLiteral(KESTREL_SCREENSHOT_DIR)));
    window.grab().save(u"%1/batch_window@%2x.png"_s.arg(QStringLiteral(KESTREL_SCREENSHOT_DIR))
                           .arg(window.devicePixelRatioF()));
    QTest::keyClick(&window, Qt::Key_Escape);
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 30000);
    QCOMPARE(done.first().first().toInt(), 1);
    QVERIFY(!visible<CommonAlert>(&window));
    QCOMPARE(FileTree::entries(m_dir->path()),
             QStringList({ u"Big.zip"_s, u"Done.txt"_s, u"Done.zip"_s, u"Later.zip"_s }));
}

void TestWindows::batchCompressHereMakesOneArchiveBesideTheFirstFile()
{
    QVERIFY(FileTree::writeFile(path(u"Trip"_s), u"day1.txt"_s, "beach\n"));
    QVERIFY(FileTree::writeFile(m_dir->path(), u"map.txt"_s, "north\n"));
    BatchWindow window(BatchJob::Kind::compressHere, { path(u"Trip"_s), path(u"map.txt"_s) },
                       ArchiveType::z7);
    QCOMPARE(runBatch(window), 0);
    QCOMPARE(window.titleLabel()->text(), u"Creating “Archive.7z”"_s);
    QCOMPARE(ChildProcess::run(u"7zz"_s, { u"t"_s, path(u"Archive.7z"_s) }), 0);
    QCOMPARE(FileTree::entries(m_dir->path()), QStringList({ u"Archive.7z"_s, u"Trip"_s, u"map.txt"_s }));
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
