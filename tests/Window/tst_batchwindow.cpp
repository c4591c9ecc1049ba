#include "AlertLookup.h"
#include "Alerts/CommonAlert.h"
#include "Alerts/TextFieldAlert.h"
#include "EventLogServer.h"
#include "FileTree.h"
#include "Resources/LocalizedText.h"
#include "Window/BatchWindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace AlertLookup;

// The small window of a file manager's batch: real archives beside each
// other in a temporary folder, real engines, events to a loopback log.
class TestBatchWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(installTranslations(QLocale(QLocale::English))); }
    void init();

    void extractsEachArchiveBesideItself();
    void failureInTheMiddleIsListedAndTheRestGoesOn();
    void cancelStopsTheBatchAndLeavesNothingOfTheCurrentJob();
    void compressHereMakesOneArchiveBesideTheFirstFile();

private:
    QString path(const QString& relative) const { return m_dir->filePath(relative); }
    // A zip of `files` (relative to the folder) made by Info-ZIP's zip, which
    // moves them in.
    void zip(const QString& archive, const QStringList& files, const QStringList& options = {});
    // Runs the batch until its window says it is done; the counts it showed.
    int runBatch(BatchWindow& window, QStringList* counts = nullptr);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<EventLogServer> m_server;
};

void TestBatchWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_server = std::make_unique<EventLogServer>();
    qputenv("KESTREL_EVENT_LOG_URL", m_server->url().toEncoded());
}

void TestBatchWindow::zip(const QString& archive, const QStringList& files, const QStringList& options)
{
    QCOMPARE(FileTree::run(u"zip"_s, QStringList { u"-qrm"_s } + options + QStringList { archive } + files,
                           nullptr, m_dir->path()),
             0);
}

int TestBatchWindow::runBatch(BatchWindow& window, QStringList* counts)
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
void TestBatchWindow::extractsEachArchiveBesideItself()
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

void TestBatchWindow::failureInTheMiddleIsListedAndTheRestGoesOn()
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

void TestBatchWindow::cancelStopsTheBatchAndLeavesNothingOfTheCurrentJob()
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

void TestBatchWindow::compressHereMakesOneArchiveBesideTheFirstFile()
{
    QVERIFY(FileTree::writeFile(path(u"Trip"_s), u"day1.txt"_s, "beach\n"));
    QVERIFY(FileTree::writeFile(m_dir->path(), u"map.txt"_s, "north\n"));
    BatchWindow window(BatchJob::Kind::compressHere, { path(u"Trip"_s), path(u"map.txt"_s) },
                       ArchiveType::z7);
    QCOMPARE(runBatch(window), 0);
    QCOMPARE(window.titleLabel()->text(), u"Creating “Archive.7z”"_s);
    QCOMPARE(FileTree::run(u"7zz"_s, { u"t"_s, path(u"Archive.7z"_s) }), 0);
    QCOMPARE(FileTree::entries(m_dir->path()), QStringList({ u"Archive.7z"_s, u"Trip"_s, u"map.txt"_s }));
}

QTEST_MAIN(TestBatchWindow)
#include "tst_batchwindow.moc"
