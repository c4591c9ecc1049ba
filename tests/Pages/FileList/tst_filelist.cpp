#include "AlertLookup.h"
#include "Alerts/ProgressIndicator.h"
#include "ChildProcess.h"
#include "Controls/WonderfulButton.h"
#include "EventLogServer.h"
#include "FileTree.h"
#include "Model/FileListInfo.h"
#include "Model/FileListManager.h"
#include "Model/NotificationCenter.h"
#include "Pages/Compress/View/CompressBarView.h"
#include "Pages/Extract/View/ExtractBarView.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Pages/FileList/View/EmptyListView.h"
#include "Pages/FileList/View/FileDragableView.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/FileListViewCell.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Report/ReportQuery.h"
#include "Resources/LocalizedText.h"
#include "ScriptedOpenPanel.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace AlertLookup;

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

// The main view. Its parts: the list with its table and empty view, and the
// two bars below it; the table, the empty view and the context menu in step
// with the working list. The extract and compress workflows end to end, with
// real archivers, real files, events sent to a loopback endpoint, and the
// sheets and alerts a user would see and press.
class TestFileList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

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

    void listAndEmptyViewStayInStep();
    void deleteKeysRemoveTheSelection_data();
    void deleteKeysRemoveTheSelection();
    void refusedBeforeAnyFolderIsAsked_data();
    void refusedBeforeAnyFolderIsAsked();
    void cancelFromTheProgressSheet_data();
    void cancelFromTheProgressSheet();
    void protectedZip_data();
    void protectedZip();

private:
    static QUrl fileUrl(const QString& path) { return QUrl::fromLocalFile(path); }
    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    void select(int row) { m_controller->listView()->tableView()->selectRow(row); }
    void setMode(FileListType type);
    // This test function's job events ("..._click", "..._result") in arrival
    // order, each with its detail, once `expected` of them have arrived and
    // a marker sent after them has too.
    QStringList jobEvents(int expected);
    // The window with whatever sheet is over it, as the screen shows it.
    void saveScreenshot(const QString& name);
    // Waits for the message alert, checks its text and presses OK.
    void expectMessage(const char* key);

    QTemporaryDir m_dir;
    std::unique_ptr<EventLogServer> m_server;
    qsizetype m_earlierRequests = 0;
    ScriptedOpenPanel m_panel;
    std::unique_ptr<FileListViewController> m_controller;
};

void TestFileList::initTestCase()
{
    QVERIFY(installTranslations(QLocale(QLocale::English)));
    m_server = std::make_unique<EventLogServer>();
    qputenv("KESTREL_EVENT_LOG_URL", m_server->url().toEncoded());
}

void TestFileList::init()
{
    FileListManager::shared().listInfo = {};
    m_panel = ScriptedOpenPanel();
    m_controller = std::make_unique<FileListViewController>(&m_panel);
    m_controller->resize(960, 640);
    m_controller->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_controller.get()));
    QVERIFY(QDir(m_dir.path()).removeRecursively() && QDir().mkpath(m_dir.path()));
    m_earlierRequests = m_server->requestHeads().size();
}

void TestFileList::cleanup()
{
    m_controller.reset();
}

void TestFileList::setMode(FileListType type)
{
    m_controller->setListType(type);
    m_controller->applyListType();
}

QStringList TestFileList::jobEvents(int expected)
{
    const QString marker = u"marker_%1"_s.arg(m_server->requestHeads().size());
    ReportQuery::report(marker, {});
    QStringList events;
    const auto collect = [&] {
        events.clear();
        bool markerSeen = false;
        for (const QByteArray& head : m_server->requestHeads().mid(m_earlierRequests)) {
            const QJsonObject event = EventLogServer::eventOf(head);
            const QString type = event.value("event_type"_L1).toString();
            markerSeen = markerSeen || type == marker;
            if (!type.endsWith("_click"_L1) && !type.endsWith("_result"_L1))
                continue;
            QStringList detail;
            const QJsonObject fields = event.value("event_detail"_L1).toObject();
            for (auto it = fields.begin(); it != fields.end(); ++it)
                detail.append(it.key() + u'=' + it.value().toString());
            events.append(type + u' ' + detail.join(u','));
        }
        return markerSeen && events.size() >= expected;
    };
    if (!QTest::qWaitFor(collect, 10000))
        qWarning() << "events so far:" << events;
    return events;
}

void TestFileList::expectMessage(const char* key)
{
    QTRY_VERIFY_WITH_TIMEOUT(messageAlert(m_controller.get()), 60000);
    CommonAlert* alert = messageAlert(m_controller.get());
    QCOMPARE(alert->text(), localizedText(key));
    QTest::mouseClick(buttonTitled(alert, "common_ok"), Qt::LeftButton);
    QTRY_VERIFY(!messageAlert(m_controller.get()));
}

// Which files go where in the list is the model's test; here only whether
// the table, the empty view and the menu follow, from the files the desktop
// names before the window shows on.
void TestFileList::listAndEmptyViewStayInStep()
{
    m_controller = std::make_unique<FileListViewController>(&m_panel);
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    centre.post(QString::fromLatin1(applicationOpenWithFileEvent), u"/files/a"_s);
    centre.post(QString::fromLatin1(applicationOpenWithFileEvent), 42);
    centre.post(u"otherEvent"_s, u"/files/b"_s);
    QCOMPARE(listed(), QStringList { u"a"_s });

    m_controller->show();
    const auto shows = [this](int rows) {
        return m_controller->listView()->tableView()->model()->rowCount() == rows
            && m_controller->emptyView()->isVisible() == (rows == 0)
            && !m_controller->listView()->menu() == (rows == 0);
    };
    QVERIFY(shows(1));
    m_controller->addFiles(urls({ u"b"_s, u"c"_s }));
    QVERIFY(shows(3));
    m_controller->removeItem(0);
    QCOMPARE(listed(), QStringList({ u"c"_s, u"a"_s }));
    m_controller->removeItems({ 0, 1 });
    QVERIFY(shows(0));
}

void TestFileList::deleteKeysRemoveTheSelection_data()
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

void TestFileList::deleteKeysRemoveTheSelection()
{
    QFETCH(int, key);
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, left);

    setMode(FileListType::compress);
    m_controller->addFiles(urls({ u"a"_s, u"b"_s, u"c"_s }));
    WonderfullTableView* table = m_controller->listView()->tableView();
    for (int row : selected)
        table->selectionModel()->select(table->model()->index(row, 0), QItemSelectionModel::Select);
    table->setFocus();
    QTest::keyClick(table, Qt::Key(key));
    QCOMPARE(listed(), left);
}

void TestFileList::refusedBeforeAnyFolderIsAsked_data()
{
    QTest::addColumn<bool>("compress");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("selectAll");
    QTest::addColumn<QString>("deleted");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("events");

    const QStringList none;
    QTest::newRow("extract, nothing selected")
        << false << QStringList { u"a.zip"_s } << false << QString() << u"empty_file_selection"_s << none;
    QTest::newRow("compress, nothing selected")
        << true << QStringList { u"a.txt"_s } << false << QString() << u"empty_file_selection"_s << none;
    QTest::newRow("extract, unsupported")
        << false << QStringList { u"data.tar.gz"_s } << true << QString()
        << u"file_selection_unsupport_format"_s
        << QStringList { u"decompress_result error=不支持的格式,success=failed"_s };
    QTest::newRow("extract, archive deleted after adding")
        << false << QStringList { u"a.zip"_s } << true << u"a.zip"_s << u"extract_failed"_s << none;
    QTest::newRow("compress, one file deleted after adding")
        << true << QStringList { u"a.txt"_s, u"b"_s } << true << u"b"_s << u"compress_failed"_s << none;
}

void TestFileList::refusedBeforeAnyFolderIsAsked()
{
    QFETCH(bool, compress);
    QFETCH(QStringList, files);
    QFETCH(bool, selectAll);
    QFETCH(QString, deleted);
    QFETCH(QString, message);
    QFETCH(QStringList, events);

    QList<QUrl> urls;
    for (const QString& name : files) {
        QVERIFY(FileTree::writeFile(m_dir.path(), name, "x"));
        urls.append(fileUrl(path(name)));
    }
    setMode(compress ? FileListType::compress : FileListType::extract);
    m_controller->addFiles(urls);
    if (selectAll && compress)
        m_controller->listView()->tableView()->selectAll();
    else if (selectAll)
        select(0);
    if (!deleted.isEmpty())
        QVERIFY(QFile::remove(path(deleted)));

    if (compress)
        m_controller->startCompress(ArchiveType::zip);
    else
        m_controller->startExtract();
    expectMessage(message.toLatin1().constData());
    QVERIFY(m_panel.opened().isEmpty());
    QCOMPARE(jobEvents(events.size()), events);
}

void TestFileList::cancelFromTheProgressSheet_data()
{
    QTest::addColumn<bool>("midway"); // else Cancel is pressed as soon as the sheet appears
    QTest::newRow("at once") << false;
    QTest::newRow("a quarter in") << true;
}

// A cancelled job ends without an alert, reports the cancelled message and
// leaves nothing behind, whether it had barely started or was well under way.
// Each engine's own cancel is the archivers' test.
void TestFileList::cancelFromTheProgressSheet()
{
    QFETCH(bool, midway);
    const QString source = path(u"Camera roll"_s);
    for (int i = 0; i < 4; ++i)
        QVERIFY(FileTree::writeFile(source, u"part%1.bin"_s.arg(i), FileTree::randomBytes(24 << 20, i)));
    const QString output = path(u"output"_s);
    QVERIFY(QDir().mkpath(output));

    setMode(FileListType::compress);
    m_controller->addFiles({ fileUrl(source) });
    select(0);
    m_panel.answerNext({ fileUrl(output) });
    m_controller->startCompress(ArchiveType::z7);
    // Polled without pauses, so the job is still young when Cancel is pressed.
    QElapsedTimer waited;
    waited.start();
    while (!visible<ProgressAlert>(m_controller.get()) && waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ProgressAlert* sheet = visible<ProgressAlert>(m_controller.get());
    QVERIFY(sheet);
    if (midway) {
        QTRY_VERIFY_WITH_TIMEOUT(sheet->indicator()->value() > ProgressIndicator::steps / 4, 20000);
        saveScreenshot(u"sheet_progress"_s);
    }
    QTest::mouseClick(buttonTitled(sheet, "common_cancel"), Qt::LeftButton);

    QCOMPARE(jobEvents(2),
             QStringList(
                 { u"compress_click file_type=7z"_s, u"compress_result error=操作被取消,success=failed"_s }));
    QTRY_COMPARE(FileTree::entries(output), QStringList());
    QVERIFY(!visible<CommonAlert>(m_controller.get()));
}

void TestFileList::protectedZip_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("result");

    QTest::newRow("answered") << u"secret"_s << u"common_ok"_s << u"extract_completion"_s
                              << u"decompress_result success=success"_s;
    QTest::newRow("refused") << u"secret"_s << u"common_cancel"_s << QString() << QString();
    QTest::newRow("left empty") << QString() << u"common_ok"_s << u"extract_failed"_s
                                << u"decompress_result error=%1,success=failed"_s.arg(
                                       ArchiveErrorType(ArchiveErrorType::passwordEmpty).message());
}

void TestFileList::protectedZip()
{
    QFETCH(QString, typed);
    QFETCH(QString, pressed);
    QFETCH(QString, message);
    QFETCH(QString, result);
    QVERIFY(FileTree::writeFile(m_dir.path(), u"letter.txt"_s, "dear friend\n"));
    const QString archive = path(u"letter.zip"_s);
    QCOMPARE(ChildProcess::run(u"7zz"_s, { u"a"_s, u"-tzip"_s, u"-psecret"_s, archive, u"letter.txt"_s },
                               nullptr, m_dir.path()),
             0);
    const QString output = path(u"output"_s);
    QVERIFY(QDir().mkpath(output));

    m_controller->addFiles({ fileUrl(archive) });
    select(0);
    m_panel.answerNext({ fileUrl(output) });
    m_controller->startExtract();
    // From the folder's choice the window holds this one job: its sheet is up
    // at once and a second click opens no second chooser.
    QTRY_COMPARE(m_panel.answered(), 1);
    QVERIFY(visible<ProgressAlert>(m_controller.get()));
    m_controller->startExtract();
    QCOMPARE(m_panel.opened().size(), 1);

    // The prompt takes the sheet's place and names the archive.
    QTRY_VERIFY(visible<TextFieldAlert>(m_controller.get()));
    QVERIFY(!visible<ProgressAlert>(m_controller.get()));
    TextFieldAlert* prompt = visible<TextFieldAlert>(m_controller.get());
    QCOMPARE(prompt->text(), localizedText("enter_password"));
    QCOMPARE(prompt->subject(), u"letter.zip"_s);
    QTest::keyClicks(prompt->textField(), typed);
    if (QByteArrayView(QTest::currentDataTag()) == "answered")
        saveScreenshot(u"sheet_password_prompt"_s);
    QTest::mouseClick(buttonTitled(prompt, pressed.toLatin1().constData()), Qt::LeftButton);

    if (!message.isEmpty())
        expectMessage(message.toLatin1().constData());
    QStringList events { u"decompress_click file_type=zip"_s };
    if (!result.isEmpty())
        events.append(result);
    QCOMPARE(jobEvents(events.size()), events);
    if (message == u"extract_completion")
        QCOMPARE(FileTree::entries(output + u"/letter"_s), QStringList { u"letter.txt"_s });
    else
        QTRY_COMPARE(FileTree::entries(output), QStringList());
    QVERIFY(!visible<CommonAlert>(m_controller.get()));
}

void TestFileList::saveScreenshot(const QString& name)
{
    QWidget* window = m_controller.get();
    QPixmap picture = window->grab();
    QPainter painter(&picture);
    const QList<CommonAlert*> sheets = window->findChildren<CommonAlert*>();
    for (CommonAlert* sheet : sheets) {
        if (!sheet->isVisible())
            continue;
        const QRect area(sheet->mapToGlobal(QPoint()) - window->mapToGlobal(QPoint()), sheet->size());
        // Sheets float above the window, lifted by a soft shadow.
        for (int spread = 12; spread > 0; spread -= 2)
            painter.fillRect(area.adjusted(-spread, -spread + 4, spread, spread + 4), QColor(0, 0, 0, 6));
        painter.drawPixmap(area.topLeft(), sheet->grab());
    }
    painter.end();
    QVERIFY(QDir().mkpath(QStringLiteral(KESTREL_SCREENSHOT_DIR)));
    const QString file = u"%1/%2@%3x.png"_s.arg(QStringLiteral(KESTREL_SCREENSHOT_DIR), name)
                             .arg(window->devicePixelRatioF());
    QVERIFY2(picture.save(file), qPrintable(file));
}

// Every drop carries a path as text beside its addresses, as file managers
// send it: the views go by the addresses alone.
void TestFileList::drops_data()
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

void TestFileList::drops()
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

void TestFileList::deleteMenuRemovesOnlyTheClickedRow_data()
{
    QTest::addColumn<bool>("menuInstalled");
    QTest::addColumn<int>("clickY");
    QTest::addColumn<QList<int>>("removed");

    QTest::newRow("second row") << true << 60 << QList<int> { 1 };
    QTest::newRow("below the last row") << true << 130 << QList<int>();
    QTest::newRow("menu removed") << false << 60 << QList<int>();
}

void TestFileList::deleteMenuRemovesOnlyTheClickedRow()
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

void TestFileList::stripesCoverTheWholeViewport_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("scrolledBy");

    QTest::newRow("empty list") << 0 << 0;
    QTest::newRow("short list, stripes past the last row") << 2 << 0;
    QTest::newRow("scrolled part way into a row") << 100 << 20;
}

void TestFileList::stripesCoverTheWholeViewport()
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

void TestFileList::selectedRowIsFilled()
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
void TestFileList::selectionFollowsTheMode()
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
void TestFileList::tableAndEmptyViewAreNamed()
{
    QAccessibleInterface* empty = QAccessible::queryAccessibleInterface(m_controller->emptyView());
    QCOMPARE(empty->text(QAccessible::Name), localizedText("drag_file_title"));
    QCOMPARE(empty->text(QAccessible::Description), localizedText("drag_file_subtitle"));

    m_controller->addFiles(urls({ u"report.pdf"_s, u"photos"_s }));
    QAccessibleTableInterface* cells
        = QAccessible::queryAccessibleInterface(m_controller->listView()->tableView())->tableInterface();
    QVERIFY(cells);
    QCOMPARE(cells->rowCount(), 2);
    QCOMPARE(cells->cellAt(0, 0)->text(QAccessible::Name), u"/files/report.pdf"_s);
    QCOMPARE(cells->cellAt(1, 0)->text(QAccessible::Name), u"/files/photos"_s);
}

// Switching modes swaps one bar for the other without moving the button's
// edge; every control shows whole, side by side, in a narrow window too. On
// Linux screen readers name a drop-down by its value and read its label
// through the labelled-by relation.
void TestFileList::barsLineUpAndTheFormatIsLabelled()
{
    m_controller->resize(640, 400);
    const QRect extract = m_controller->extractBar()->extractButton()->geometry();
    setMode(FileListType::compress);
    CompressBarView* bar = m_controller->compressBar();
    const QRect compress = bar->compressButton()->geometry();
    QCOMPARE(QPair(compress.right(), compress.top()), QPair(extract.right(), extract.top()));
    const QRect label = bar->label()->geometry();
    const QRect dropDown = bar->dropDown()->geometry();
    QVERIFY(label.right() < dropDown.left() && dropDown.right() < compress.left());
    QVERIFY(bar->rect().contains(label | dropDown | compress));
    QVERIFY(label.width() >= bar->label()->sizeHint().width());
    QVERIFY(compress.width() >= bar->compressButton()->sizeHint().width());

    QComboBox* formats = bar->dropDown();
    QStringList items;
    for (int i = 0; i < formats->count(); ++i)
        items.append(formats->itemText(i));
    QCOMPARE(items, QStringList({ u"zip"_s, u"7z"_s }));
    QCOMPARE(formats->currentText(), u"zip"_s);
    QCOMPARE(formats->accessibleName(), u"Format"_s);
    const auto labels = QAccessible::queryAccessibleInterface(formats)->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first->object(), bar->label());
    QCOMPARE(labels.first().first->text(QAccessible::Name), u"Format:"_s);
}

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
