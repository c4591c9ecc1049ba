#include "Model/FileListInfo.h"
#include "Pages/FileList/View/EmptyListView.h"
#include "Pages/FileList/View/FileListView.h"
#include "Pages/FileList/View/WonderfullTableView.h"
#include "Resources/LocalizedText.h"

#include <QDir>
#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

// Pictures of the views as a user sees them, at the pixel ratio the test runs
// with (QT_SCALE_FACTOR), for a person to judge.
class TestFileListScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void emptyView();
    void listOfMixedKinds();

private:
    void save(QWidget& widget, const QString& name);
};

void TestFileListScreenshots::initTestCase()
{
    QVERIFY(QDir().mkpath(QStringLiteral(KESTREL_SCREENSHOT_DIR)));
    QVERIFY(installTranslations(QLocale(QLocale::English)));
}

void TestFileListScreenshots::save(QWidget& widget, const QString& name)
{
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    const QPixmap picture = widget.grab();
    QCOMPARE(picture.devicePixelRatio(), widget.devicePixelRatioF());
    const QString path = u"%1/%2@%3x.png"_s.arg(QStringLiteral(KESTREL_SCREENSHOT_DIR), name)
                             .arg(widget.devicePixelRatioF());
    QVERIFY2(picture.save(path), qPrintable(path));
}

void TestFileListScreenshots::emptyView()
{
    EmptyListView view;
    view.resize(640, 420);
    save(view, u"empty_list_view"_s);
}

void TestFileListScreenshots::listOfMixedKinds()
{
    const QStringList paths {
        u"/home/anna/Projects"_s,
        u"/home/anna/Downloads/holiday-photos.zip"_s,
        u"/home/anna/Documents/Tax return 2025.pdf"_s,
        u"/home/anna/Pictures/beach.png"_s,
        u"/home/anna/Downloads/firmware.bin.xyz"_s,
        u"/home/anna/Documents/Letter.docx"_s,
        u"/home/anna/Music/song.mp3"_s,
        u"/home/anna/Videos/clip.mp4"_s,
        u"/home/anna/Backups/7z/"
        "a very long folder name that does not fit in the row at all/and a file inside it.7z"_s,
    };
    FileListInfo info;
    for (const QString& path : paths)
        info.list.append(FileListItemInfo::fromURL(QUrl::fromLocalFile(path)));

    FileListView view;
    view.resize(640, 420);
    view.setListInfo(info);
    view.reloadData();
    view.setAllowsMultipleSelection(false);
    view.tableView()->selectRow(2);
    save(view, u"file_list_view"_s);
}

QTEST_MAIN(TestFileListScreenshots)
#include "filelist.moc"
