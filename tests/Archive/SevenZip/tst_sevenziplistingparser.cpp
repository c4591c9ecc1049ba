#include "Archive/SevenZip/SevenZipListingParser.h"
#include "SevenZipFixtures.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList paths(const QList<SevenZipItem>& items)
{
    QStringList result;
    for (const SevenZipItem& item : items)
        result.append(item.path);
    return result;
}

} // namespace

class tst_SevenZipListingParser : public QObject
{
    Q_OBJECT

private slots:
    void listings_data();
    void listings();
    void capturedItems_data();
    void capturedItems();
};

void tst_SevenZipListingParser::capturedItems_data()
{
    QTest::addColumn<QString>("capture");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<quint64>("size");
    QTest::addColumn<qint64>("packedSize"); // -1: not listed
    QTest::addColumn<QString>("method");
    QTest::addColumn<int>("block"); // -1: none
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<QString>("modified");

    const QString unicode = u"7zz-2602-list-unicode.txt"_s;
    const QString stamp = u"2024-05-06 07:08:09.123"_s;
    QTest::newRow("folder") << unicode << 0 << u"folder"_s << 0ULL << 0LL << QString() << -1 << false
                            << stamp;
    QTest::newRow("first in block") << unicode << 3 << u"file"_s << 500ULL << 40LL << u"LZMA2:12"_s << 0
                                    << false << stamp;
    QTest::newRow("solid follower") << unicode << 4 << u"file"_s << 8ULL << -1LL << u"LZMA2:12"_s << 0
                                    << false << stamp;
    QTest::newRow("link") << unicode << 5 << u"link"_s << 10ULL << -1LL << u"LZMA2:12"_s << 0 << false
                          << stamp;

    const QString encrypted = u"7zz-2602-list-encrypted-times.txt"_s;
    QTest::newRow("encrypted") << encrypted << 1 << u"file"_s << 6ULL << 16LL << u"LZMA2:12 7zAES:19"_s << 0
                               << true << QString();
}

void tst_SevenZipListingParser::capturedItems()
{
    QFETCH(QString, capture);
    QFETCH(int, index);
    QFETCH(QString, kind);
    QFETCH(quint64, size);
    QFETCH(qint64, packedSize);
    QFETCH(QString, method);
    QFETCH(int, block);
    QFETCH(bool, encrypted);
    QFETCH(QString, modified);

    const QList<SevenZipItem> items
        = SevenZipListingParser::parse(QString::fromUtf8(SevenZipFixtures::capture(capture))).items;
    QVERIFY(index < items.size());
    const SevenZipItem& item = items.at(index);
    QCOMPARE(item.isDirectory, kind == u"folder"_s);
    QCOMPARE(item.isSymbolicLink, kind == u"link"_s);
    QCOMPARE(item.size, size);
    QCOMPARE(item.packedSize ? qint64(*item.packedSize) : -1, packedSize);
    QCOMPARE(item.method, method);
    QCOMPARE(item.block.value_or(-1), block);
    QCOMPARE(item.isEncrypted, encrypted);
    QCOMPARE(item.modificationDate.toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s), modified);
    QCOMPARE(item.crc.has_value(), kind != u"folder"_s);
}

void tst_SevenZipListingParser::listings_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QList<bool>>("folders");
    QTest::addColumn<bool>("reportsError");

    const auto capture
        = [](const QString& name) { return QString::fromUtf8(SevenZipFixtures::capture(name)); };
    QTest::newRow("unicode") << capture(u"7zz-2602-list-unicode.txt"_s)
                             << QStringList { u"Fotos"_s,
                                              u"Fotos/2024"_s,
                                              u"empty"_s,
                                              u"Fotos/2024/a.bin"_s,
                                              u"Fotos/Ünïcødé 名前 😀.txt"_s,
                                              u"link"_s,
                                              u"readme.txt"_s }
                             << QList<bool> { true, true, true, false, false, false, false } << false;
    QTest::newRow("methods") << capture(u"7zz-2602-list-methods.txt"_s)
                             << QStringList { u"k.txt"_s, u"readme.txt"_s, u"a.bin"_s }
                             << QList<bool> { false, false, false } << false;
    QTest::newRow("encrypted content, times")
        << capture(u"7zz-2602-list-encrypted-times.txt"_s) << QStringList { u"empty"_s, u"readme.txt"_s }
        << QList<bool> { true, false } << false;
    // Starts with the password prompt 7zz wrote before the listing.
    QTest::newRow("encrypted names") << capture(u"7zz-2602-list-encrypted-header.txt"_s)
                                     << QStringList { u"empty"_s, u"readme.txt"_s }
                                     << QList<bool> { true, false } << false;

    QTest::newRow("nothing") << QString() << QStringList() << QList<bool>() << false;
    QTest::newRow("separator in the name") << u"Path = a = b\nSize = 1\nAttributes = A\n"_s
                                           << QStringList { u"a = b"_s } << QList<bool> { false } << false;
    QTest::newRow("Windows attributes only")
        << u"Path = d\nSize = 0\nAttributes = D\n\nPath = f\nSize = 3\nAttributes = RA\n"_s
        << QStringList { u"d"_s, u"f"_s } << QList<bool> { true, false } << false;
    QTest::newRow("bad size is reported, the rest kept")
        << u"Path = a\nSize = many\n\nPath = b\nSize = 2\nCRC = 363A3020\n"_s << QStringList { u"b"_s }
        << QList<bool> { false } << true;
    QTest::newRow("block without path")
        << u"Size = 1\nCRC = 00000000\n"_s << QStringList() << QList<bool>() << true;
    QTest::newRow("no trailing blank line, no newline")
        << u"Path = last\nSize = 9"_s << QStringList { u"last"_s } << QList<bool> { false } << false;
}

void tst_SevenZipListingParser::listings()
{
    QFETCH(QString, output);
    QFETCH(QStringList, paths);
    QFETCH(QList<bool>, folders);
    QFETCH(bool, reportsError);

    const SevenZipListingParser::Result result = SevenZipListingParser::parse(output);
    QCOMPARE(::paths(result.items), paths);
    QList<bool> isFolder;
    for (qsizetype i = 0; i < result.items.size(); ++i) {
        isFolder.append(result.items.at(i).isDirectory);
        QCOMPARE(result.items.at(i).index, i);
    }
    QCOMPARE(isFolder, folders);
    QCOMPARE(!result.error.isEmpty(), reportsError);
}

QTEST_GUILESS_MAIN(tst_SevenZipListingParser)
#include "tst_sevenziplistingparser.moc"
