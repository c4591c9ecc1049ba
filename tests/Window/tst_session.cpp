#include "Alerts/CommonAlert.h"
#include "Alerts/ProgressAlert.h"
#include "Controls/WonderfulButton.h"
#include "FileTree.h"
#include "Model/FileListManager.h"
#include "Pages/Compress/View/CompressBarView.h"
#include "Pages/Extract/View/ExtractBarView.h"
#include "Pages/FileList/Controller/FileListViewController.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Resources/LocalizedText.h"
#include "ScriptedOpenPanel.h"
#include "Window/LightAppearance.h"
#include "Window/WindowController.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using namespace Qt::StringLiterals;

// A user's session from the toolbar to the result alerts, on whichever
// platform the test runs (offscreen, or a real X server under xvfb-run): add
// a folder, pack it into a 7z, switch to extract, unpack the new archive and
// find the same tree.
class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void folderRoundTripsThroughSevenZip();

private:
    void clickToolbar(const QString& identifier);
    // Waits for the result alert, checks it and presses OK.
    void expectMessage(const char* key);
    // What the screen shows, window and sheets as the platform composes them.
    void saveScreen(const QString& name);

    ScriptedOpenPanel m_panel;
    std::unique_ptr<WindowController> m_window;
};

void TestSession::initTestCase()
{
    QVERIFY(installTranslations(QLocale(QLocale::English)));
    LightAppearance::apply();
}

void TestSession::clickToolbar(const QString& identifier)
{
    QWidget* button = m_window->toolbar()->findChild<QWidget*>(identifier);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

void TestSession::expectMessage(const char* key)
{
    const auto resultAlert = [this]() -> CommonAlert* {
        for (CommonAlert* alert : m_window->findChildren<CommonAlert*>()) {
            if (alert->isVisible() && !qobject_cast<ProgressAlert*>(alert))
                return alert;
        }
        return nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(resultAlert(), 60000);
    CommonAlert* alert = resultAlert();
    QCOMPARE(alert->text(), localizedText(key));
    saveScreen(QString::fromLatin1(key));
    QTest::mouseClick(alert->buttons().first(), Qt::LeftButton);
    QTRY_VERIFY(!resultAlert());
}

void TestSession::saveScreen(const QString& name)
{
    QTest::qWait(100); // The X server paints the newly mapped sheet after this event loop turn.
    const QRect frame = m_window->frameGeometry();
    const QPixmap screen
        = m_window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    QVERIFY(QDir().mkpath(QStringLiteral(KESTREL_SCREENSHOT_DIR)));
    const QString file = u"%1/session_%2_%3.png"_s.arg(QStringLiteral(KESTREL_SCREENSHOT_DIR), name,
                                                       QGuiApplication::platformName());
    QVERIFY2(screen.save(file), qPrintable(file));
}

void TestSession::folderRoundTripsThroughSevenZip()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(u"Trip"_s);
    QVERIFY(FileTree::writeFile(source, u"itinerary.txt"_s, "day 1: Lisbon\nday 2: Porto\n"));
    QVERIFY(FileTree::writeFile(source, u"photos/sunset.jpg"_s, FileTree::randomBytes(200000, 3)));
    QVERIFY(FileTree::writeFile(source, u"photos/café.txt"_s, QByteArray(50000, 'a')));
    QVERIFY(QDir().mkpath(source + u"/receipts"_s));
    const QString packed = dir.filePath(u"packed"_s);
    const QString unpacked = dir.filePath(u"unpacked"_s);
    QVERIFY(QDir().mkpath(packed) && QDir().mkpath(unpacked));

    m_window = std::make_unique<WindowController>(&m_panel);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    FileListViewController* content = m_window->contentViewController();
    WonderfullTableView* table = content->listView()->tableView();

    m_panel.answerNext({ QUrl::fromLocalFile(source) });
    clickToolbar(u"ka_add_file"_s);
    QTRY_COMPARE(FileListManager::shared().listInfo.list.size(), 1);
    clickToolbar(u"ka_compress"_s);
    QVERIFY(content->compressBar()->isVisible());
    table->selectRow(0);
    content->compressBar()->dropDown()->setCurrentIndex(1);
    m_panel.answerNext({ QUrl::fromLocalFile(packed) });
    QTest::mouseClick(content->compressBar()->compressButton(), Qt::LeftButton);
    expectMessage("compress_completion");
    QCOMPARE(FileTree::entries(packed), QStringList { u"Trip.7z"_s });

    clickToolbar(u"ka_uncompress"_s);
    QVERIFY(content->extractBar()->isVisible());
    m_panel.answerNext({ QUrl::fromLocalFile(packed + u"/Trip.7z"_s) });
    clickToolbar(u"ka_add_file"_s);
    QTRY_COMPARE(FileListManager::shared().listInfo.list.size(), 2);
    table->selectRow(0);
    m_panel.answerNext({ QUrl::fromLocalFile(unpacked) });
    QTest::mouseClick(content->extractBar()->extractButton(), Qt::LeftButton);
    expectMessage("extract_completion");

    // The folder named after the archive holds what was packed: the folder itself.
    QCOMPARE(FileTree::snapshot(unpacked + u"/Trip/Trip"_s), FileTree::snapshot(source));
}

QTEST_MAIN(TestSession)
#include "tst_session.moc"
