#include "Model/FileCategory.h"
#include "Model/FileListInfo.h"
#include "Model/FileListItemInfo.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

class TestFileListModel : public QObject
{
    Q_OBJECT

private slots:
    void category_data();
    void category();
    void addAndRemove_data();
    void addAndRemove();
    void itemFromJson_data();
    void itemFromJson();
};

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
    QTest::newRow("names a URL would escape, and not ASCII")
        << QStringList() << QStringList { u"50% #1?.zip"_s, u"报告 2020.docx"_s } << none
        << QStringList { u"50% #1?.zip"_s, u"报告 2020.docx"_s };
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

// A record is read field by field: a value of the wrong form leaves the field
// blank, and a URL text is taken as a path, never parsed as a URL. Without a
// URL the icon is the unknown one, whatever the name says. The entry id is
// the path's lowercase MD5.
void TestFileListModel::itemFromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("fileId");
    QTest::addColumn<QString>("urlPath"); // null: no URL

    QTest::newRow("empty object") << "{}"_ba << QString() << QString();
    QTest::newRow("wrong forms") << R"({"fileId": 3, "fileName": ["/a"], "fileURL": 5})"_ba << QString()
                                 << QString();
    QTest::newRow("URL text is a path")
        << R"({"fileId": "id", "fileURL": "file:///etc/passwd"})"_ba << u"id"_s << u"file:///etc/passwd"_s;
    QTest::newRow("name without URL") << R"({"fileName": "/d/report.pdf"})"_ba << QString() << QString();
}

void TestFileListModel::itemFromJson()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, fileId);
    QFETCH(QString, urlPath);

    const FileListItemInfo item = FileListItemInfo::fromJson(QJsonDocument::fromJson(json).object());
    QCOMPARE(item.fileId, fileId);
    QCOMPARE(item.fileURL.has_value(), !urlPath.isNull());
    if (item.fileURL)
        QCOMPARE(item.fileURL->toLocalFile(), urlPath);
    else
        QCOMPARE(item.fileCategory().iconName(), u"file_unknown_icon"_s);

    const QString path = u"/home/用户/50% #1?.zip"_s;
    const FileListItemInfo added = FileListItemInfo::fromURL(QUrl::fromLocalFile(path));
    QCOMPARE(added.fileId,
             QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Md5).toHex()));
    QCOMPARE(FileListItemInfo::fromJson(added.toJson()), added);
}

QTEST_GUILESS_MAIN(TestFileListModel)
#include "tst_filelistmodel.moc"
