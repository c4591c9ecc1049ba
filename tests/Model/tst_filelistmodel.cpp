#include "Model/FileCategory.h"
#include "Model/FileListInfo.h"
#include "Model/FileListItemInfo.h"

#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QJsonObject parse(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class TestFileListModel : public QObject
{
    Q_OBJECT

private slots:
    void entryFromURL_data();
    void entryFromURL();
    void itemFromJson_data();
    void itemFromJson();
    void listFromJson_data();
    void listFromJson();
    void roundTrip();
    void category_data();
    void category();
    void entryWithoutURLShowsUnknownIcon();
};

void TestFileListModel::entryFromURL_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("fileId");

    QTest::newRow("ASCII") << u"/tmp/Holiday.zip"_s << u"288e64a156373aa01ef30b3dde9c9427"_s;
    QTest::newRow("other letter case") << u"/tmp/holiday.zip"_s << u"5bf37c30304ccaf65cfb29619e0c0285"_s;
    QTest::newRow("non-ASCII") << u"/home/用户/报告 2020.docx"_s << u"056a0e68a8c9bc23a2419eb5cd0c4782"_s;
    QTest::newRow("URL-like characters") << u"/tmp/50% #1?.zip"_s << u"130abc24913881f43373532d935f2f0a"_s;
}

void TestFileListModel::entryFromURL()
{
    QFETCH(QString, path);
    QFETCH(QString, fileId);

    const QUrl url = QUrl::fromLocalFile(path);
    const FileListItemInfo item = FileListItemInfo::fromURL(url);
    QCOMPARE(item.fileId, fileId);
    QCOMPARE(item.fileName, path);
    QCOMPARE(item.fileURL, url);
    QCOMPARE(item.toJson().value(u"fileURL"_s).toString(), path);
}

void TestFileListModel::itemFromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("fileId");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("urlPath"); // null: no URL

    QTest::newRow("empty object") << "{}"_ba << QString() << QString() << QString();
    QTest::newRow("wrong forms") << R"({"fileId": 3, "fileName": ["/a"], "fileURL": 5})"_ba << QString()
                                 << QString() << QString();
    QTest::newRow("all fields") << R"({"fileId": "id", "fileName": "/a b", "fileURL": "/a b"})"_ba << u"id"_s
                                << u"/a b"_s << u"/a b"_s;
    QTest::newRow("URL text is a path")
        << R"({"fileURL": "file:///etc/passwd"})"_ba << QString() << QString() << u"file:///etc/passwd"_s;
    QTest::newRow("non-ASCII path") << R"({"fileURL": "/home/用户/报告.docx"})"_ba << QString() << QString()
                                    << u"/home/用户/报告.docx"_s;
}

void TestFileListModel::itemFromJson()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, fileId);
    QFETCH(QString, fileName);
    QFETCH(QString, urlPath);

    const FileListItemInfo item = FileListItemInfo::fromJson(parse(json));
    QCOMPARE(item.fileId, fileId);
    QCOMPARE(item.fileName, fileName);
    QCOMPARE(item.fileURL.has_value(), !urlPath.isNull());
    if (item.fileURL) {
        QVERIFY(item.fileURL->isLocalFile());
        QCOMPARE(item.fileURL->toLocalFile(), urlPath);
    }
}

void TestFileListModel::listFromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("fileIds");

    QTest::newRow("empty object") << "{}"_ba << QStringList();
    QTest::newRow("not an array") << R"({"list": {"fileId": "a"}})"_ba << QStringList();
    QTest::newRow("element not an object") << R"({"list": [{"fileId": "a"}, 7]})"_ba << QStringList();
    QTest::newRow("in order") << R"({"list": [{"fileId": "b"}, {}, {"fileId": "a"}]})"_ba
                              << QStringList({ u"b"_s, QString(), u"a"_s });
}

void TestFileListModel::listFromJson()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, fileIds);

    QStringList ids;
    for (const FileListItemInfo& item : FileListInfo::fromJson(parse(json)).list)
        ids << item.fileId;
    QCOMPARE(ids, fileIds);
}

void TestFileListModel::roundTrip()
{
    FileListInfo info;
    info.list << FileListItemInfo::fromURL(QUrl::fromLocalFile(u"/b/50% #1"_s)) << FileListItemInfo()
              << FileListItemInfo::fromURL(QUrl::fromLocalFile(u"/a/报告.pdf"_s));
    QVERIFY(!info.list.at(1).toJson().contains(u"fileURL"_s));
    QCOMPARE(FileListInfo::fromJson(info.toJson()), info);
}

void TestFileListModel::category_data()
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

void TestFileListModel::category()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);

    QCOMPARE(FileCategory::forPath(path).rawValue(), expected);
    QCOMPARE(FileListItemInfo::fromURL(QUrl::fromLocalFile(path)).fileCategory().rawValue(), expected);
}

void TestFileListModel::entryWithoutURLShowsUnknownIcon()
{
    FileListItemInfo item;
    item.fileName = u"/d/report.pdf"_s;
    QCOMPARE(item.fileCategory().iconName(), u"file_unknown_icon"_s);
}

QTEST_GUILESS_MAIN(TestFileListModel)
#include "tst_filelistmodel.moc"
