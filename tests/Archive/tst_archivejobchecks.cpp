#include "Archive/Run/ArchiveJobChecks.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestArchiveJobChecks : public QObject
{
    Q_OBJECT

private slots:
    void compressArguments_data();
    void compressArguments();
};

void TestArchiveJobChecks::compressArguments_data()
{
    QTest::addColumn<QString>("targetPath");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("expected");

    const QStringList someFiles { u"/a/b"_s };
    QTest::newRow("empty target wins over empty files")
        << QString() << QStringList() << int(ArchiveErrorType::targetPathNone);
    QTest::newRow("no files") << u"/t"_s << QStringList() << int(ArchiveErrorType::originPathNone);
    QTest::newRow("target inside input")
        << u"/a/b/c"_s << someFiles << int(ArchiveErrorType::targetPathError);
    QTest::newRow("target is input") << u"/a/b"_s << someFiles << int(ArchiveErrorType::targetPathError);
    QTest::newRow("name prefix only") << u"/a/bc"_s << someFiles << int(ArchiveErrorType::none);
    QTest::newRow("letter case differs") << u"/A/b/c"_s << someFiles << int(ArchiveErrorType::none);
    QTest::newRow("input with trailing slash")
        << u"/a/b/c"_s << QStringList({ u"/a/b/"_s }) << int(ArchiveErrorType::targetPathError);
    QTest::newRow("target with trailing slash")
        << u"/a/b/"_s << someFiles << int(ArchiveErrorType::targetPathError);
    QTest::newRow("root input") << u"/home/u"_s << QStringList({ u"/"_s })
                                << int(ArchiveErrorType::targetPathError);
}

void TestArchiveJobChecks::compressArguments()
{
    QFETCH(QString, targetPath);
    QFETCH(QStringList, files);
    QFETCH(int, expected);

    // Messages rather than numbers, for a failure that reads.
    QCOMPARE(ArchiveJobChecks::checkCompressArguments(targetPath, files).message(),
             ArchiveErrorType(ArchiveErrorType::Value(expected)).message());
}

QTEST_GUILESS_MAIN(TestArchiveJobChecks)
#include "tst_archivejobchecks.moc"
