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
    void addAndRemove_data();
    void addAndRemove();
};

void TestFileListModel::entryFromURL_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("fileId");

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

    // How the extension is found; which extensions make which category is a
    // table in the code, not repeated here.
    QTest::newRow("upper case") << u"/d/report.PDF"_s << u"pdf"_s;
    QTest::newRow("no extension") << u"/d/README"_s << u"folder"_s;
    QTest::newRow("dot only in parent") << u"/d/my.folder/file"_s << u"folder"_s;
    QTest::newRow("hidden file") << u"/d/.bashrc"_s << u"folder"_s;
    QTest::newRow("trailing dot") << u"/d/notes."_s << u"folder"_s;
    QTest::newRow("dotted folder") << u"/d/photos.2020"_s << u"unknown"_s;
    QTest::newRow("dotted folder, trailing slash") << u"/d/photos.2020/"_s << u"unknown"_s;
    QTest::newRow("last extension counts") << u"/d/archive.tar.gz"_s << u"unknown"_s;
    QTest::newRow("non-ASCII name") << u"/d/报告.docx"_s << u"word"_s;
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

void TestFileListModel::addAndRemove_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QList<qsizetype>>("removed");
    QTest::addColumn<QStringList>("expected");
    const QList<qsizetype> none;
    QTest::newRow("newest on top, in the order given")
        << QStringList { u"a"_s, u"b"_s } << QStringList { u"c"_s, u"d"_s } << none
        << QStringList { u"c"_s, u"d"_s, u"a"_s, u"b"_s };
    QTest::newRow("listed path neither added nor moved")
        << QStringList { u"a"_s, u"b"_s } << QStringList { u"b"_s } << none << QStringList { u"a"_s, u"b"_s };
    QTest::newRow("twice in one call: placed where it occurs last")
        << QStringList() << QStringList { u"a"_s, u"b"_s, u"a"_s } << none << QStringList { u"b"_s, u"a"_s };
    QTest::newRow("letter case tells paths apart")
        << QStringList { u"a"_s } << QStringList { u"A"_s } << none << QStringList { u"A"_s, u"a"_s };
    QTest::newRow("removing keeps the order, out of range passed over")
        << QStringList { u"a"_s, u"b"_s, u"c"_s } << QStringList() << QList<qsizetype> { 0, 2, 7, -1 }
        << QStringList { u"b"_s };
}

void TestFileListModel::addAndRemove()
{
    QFETCH(QStringList, listed);
    QFETCH(QStringList, added);
    QFETCH(QList<qsizetype>, removed);
    QFETCH(QStringList, expected);

    const auto urls = [](const QStringList& names) {
        QList<QUrl> result;
        for (const QString& name : names)
            result.append(QUrl::fromLocalFile(u"/files/"_s + name));
        return result;
    };
    FileListInfo info;
    info.addURLs(urls(listed));
    info.addURLs(urls(added));
    info.removeRows(QSet<qsizetype>(removed.cbegin(), removed.cend()));
    QStringList names;
    for (const FileListItemInfo& item : std::as_const(info.list))
        names.append(item.fileName.mid(7));
    QCOMPARE(names, expected);
}
