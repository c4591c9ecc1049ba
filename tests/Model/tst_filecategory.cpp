#include "Model/FileCategory.h"
#include "Model/FileListItemInfo.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestFileCategory : public QObject
{
    Q_OBJECT

private slots:
    void category_data();
    void category();
    void entryWithoutURLShowsUnknownIcon();
};

void TestFileCategory::category_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("upper-case pdf") << u"/d/report.PDF"_s << u"pdf"_s;
    QTest::newRow("keynote is not word") << u"/d/notes.keynote"_s << u"keynote"_s;
    QTest::newRow("no extension") << u"/d/README"_s << u"folder"_s;
    QTest::newRow("dot only in parent") << u"/d/my.folder/file"_s << u"folder"_s;
    QTest::newRow("hidden file") << u"/d/.bashrc"_s << u"folder"_s;
    QTest::newRow("trailing dot") << u"/d/notes."_s << u"folder"_s;
    QTest::newRow("dotted folder") << u"/d/photos.2020"_s << u"unknown"_s;
    QTest::newRow("dotted folder, trailing slash") << u"/d/photos.2020/"_s << u"unknown"_s;
    QTest::newRow("last extension counts") << u"/d/archive.tar.gz"_s << u"unknown"_s;
    QTest::newRow("compress z") << u"/d/x.Z"_s << u"compress"_s;
    QTest::newRow("excel xltm") << u"/d/x.xltm"_s << u"excel"_s;
    QTest::newRow("music aifc") << u"/d/x.AIFC"_s << u"music"_s;
    QTest::newRow("numbers") << u"/d/x.numbers"_s << u"numbers"_s;
    QTest::newRow("pages") << u"/d/x.pages"_s << u"pages"_s;
    QTest::newRow("picture heic") << u"/d/x.heic"_s << u"picture"_s;
    QTest::newRow("ppt") << u"/d/x.pptx"_s << u"ppt"_s;
    QTest::newRow("txt") << u"/d/x.txt"_s << u"txt"_s;
    QTest::newRow("video ts") << u"/d/x.ts"_s << u"video"_s;
    QTest::newRow("word") << u"/d/报告.docx"_s << u"word"_s;
    QTest::newRow("torrent") << u"/d/x.torrent"_s << u"torrent"_s;
    QTest::newRow("apk") << u"/d/x.apk"_s << u"apk"_s;
    QTest::newRow("chm") << u"/d/x.chm"_s << u"chm"_s;
}

void TestFileCategory::category()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);

    QCOMPARE(FileCategory::forPath(path).rawValue(), expected);
    QCOMPARE(FileListItemInfo::fromURL(QUrl::fromLocalFile(path)).fileCategory().rawValue(), expected);
}

void TestFileCategory::entryWithoutURLShowsUnknownIcon()
{
    FileListItemInfo item;
    item.fileName = u"/d/report.pdf"_s;
    QCOMPARE(item.fileCategory().iconName(), u"file_unknown_icon"_s);
}

QTEST_GUILESS_MAIN(TestFileCategory)
#include "tst_filecategory.moc"
