#include "AlertLookup.h"
#include "Alerts/ProgressIndicator.h"
#include "EventLogServer.h"
#include "FileTree.h"
#include "Model/FileListManager.h"
#include "Model/NotificationCenter.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Pages/FileList/View/EmptyListView.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Report/ReportQuery.h"
#include "Resources/LocalizedText.h"
#include "ScriptedOpenPanel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
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
} // namespace

// The main view: the table, the empty view and the context menu in step with
// the working list; the extract and compress workflows end to end, with real
// archivers, real files, events sent to a loopback endpoint, and the sheets
// and alerts a user would see and press.
class TestWorkflows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

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

void TestWorkflows::initTestCase()
{
    QVERIFY(installTranslations(QLocale(QLocale::English)));
    m_server = std::make_unique<EventLogServer>();
    qputenv("KESTREL_EVENT_LOG_URL", m_server->url().toEncoded());
}

void TestWorkflows::init()
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

void TestWorkflows::cleanup()
{
    m_controller.reset();
}

void TestWorkflows::setMode(FileListType type)
{
    m_controller->setListType(type);
    m_controller->applyListType();
}

QStringList TestWorkflows::jobEvents(int expected)
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

void TestWorkflows::expectMessage(const char* key)
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
void TestWorkflows::listAndEmptyViewStayInStep()
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

void TestWorkflows::deleteKeysRemoveTheSelection_data()
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

void TestWorkflows::deleteKeysRemoveTheSelection()
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

void TestWorkflows::refusedBeforeAnyFolderIsAsked_data()
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

void TestWorkflows::refusedBeforeAnyFolderIsAsked()
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

void TestWorkflows::cancelFromTheProgressSheet_data()
{
    QTest::addColumn<bool>("midway"); // else Cancel is pressed as soon as the sheet appears
    QTest::newRow("at once") << false;
    QTest::newRow("a quarter in") << true;
}

// A cancelled job ends without an alert, reports the cancelled message and
// leaves nothing behind, whether it had barely started or was well under way.
// Each engine's own cancel is the archivers' test.
void TestWorkflows::cancelFromTheProgressSheet()
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

void TestWorkflows::protectedZip_data()
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

void TestWorkflows::protectedZip()
{
    QFETCH(QString, typed);
    QFETCH(QString, pressed);
    QFETCH(QString, message);
    QFETCH(QString, result);
    QVERIFY(FileTree::writeFile(m_dir.path(), u"letter.txt"_s, "dear friend\n"));
    const QString archive = path(u"letter.zip"_s);
    QCOMPARE(FileTree::run(u"7zz"_s, { u"a"_s, u"-tzip"_s, u"-psecret"_s, archive, u"letter.txt"_s }, nullptr,
                           m_dir.path()),
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

void TestWorkflows::saveScreenshot(const QString& name)
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

QTEST_MAIN(TestWorkflows)
#include "tst_workflows.moc"
