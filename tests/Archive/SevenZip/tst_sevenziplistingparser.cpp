#include "Archive/SevenZip/SevenZipListingParser.h"
#include "SevenZipFixtures.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString capture(const QString& name)
{
    return QString::fromUtf8(SevenZipFixtures::capture(name));
}

// Everything the listing says of an item, on one line; fields 7zz left out
// are left out here too.
QString summary(const SevenZipItem& item)
{
    QStringList parts { item.isDirectory          ? u"folder"_s
                            : item.isSymbolicLink ? u"link"_s
                                                  : u"file"_s,
                        u"size=%1"_s.arg(item.size) };
    if (item.packedSize)
        parts << u"packed=%1"_s.arg(*item.packedSize);
    if (!item.method.isEmpty())
        parts << u"method="_s + item.method;
    if (item.block)
        parts << u"block=%1"_s.arg(*item.block);
    if (item.isEncrypted)
        parts << u"encrypted"_s;
    if (item.crc)
        parts << u"crc"_s;
    if (item.modificationDate.isValid())
        parts << item.modificationDate.toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s);
    return parts.join(u' ');
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
    QTest::addColumn<QString>("summary");

    const QString unicode = u"7zz-2602-list-unicode.txt"_s;
    QTest::newRow("folder") << unicode << 0 << u"folder size=0 packed=0 2024-05-06 07:08:09.123"_s;
    QTest::newRow("first in block")
        << unicode << 3 << u"file size=500 packed=40 method=LZMA2:12 block=0 crc 2024-05-06 07:08:09.123"_s;
    QTest::newRow("solid follower") << unicode << 4
                                    << u"file size=8 method=LZMA2:12 block=0 crc 2024-05-06 07:08:09.123"_s;
    QTest::newRow("link") << unicode << 5
                          << u"link size=10 method=LZMA2:12 block=0 crc 2024-05-06 07:08:09.123"_s;
    QTest::newRow("encrypted, no time")
        << u"7zz-2602-list-encrypted-times.txt"_s << 1
        << u"file size=6 packed=16 method=LZMA2:12 7zAES:19 block=0 encrypted crc"_s;
}

void tst_SevenZipListingParser::capturedItems()
{
    QFETCH(QString, capture);
    QFETCH(int, index);
    QFETCH(QString, summary);

    // Past the end an empty item stands in, which no row describes.
    const QList<SevenZipItem> items = SevenZipListingParser::parse(::capture(capture)).items;
    QCOMPARE(::summary(items.value(index)), summary);
}

void tst_SevenZipListingParser::listings_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("paths"); // folders end in "/"
    QTest::addColumn<bool>("reportsError");

    QTest::newRow("unicode") << capture(u"7zz-2602-list-unicode.txt"_s)
                             << QStringList { u"Fotos/"_s,
                                              u"Fotos/2024/"_s,
                                              u"empty/"_s,
                                              u"Fotos/2024/a.bin"_s,
                                              u"Fotos/Ünïcødé 名前 😀.txt"_s,
                                              u"link"_s,
                                              u"readme.txt"_s }
                             << false;
    // Starts with the password prompt 7zz wrote before the listing.
    QTest::newRow("encrypted names") << capture(u"7zz-2602-list-encrypted-header.txt"_s)
                                     << QStringList { u"empty/"_s, u"readme.txt"_s } << false;

    QTest::newRow("nothing") << QString() << QStringList() << false;
    QTest::newRow("separator in the name")
        << u"Path = a = b\nSize = 1\nAttributes = A\n"_s << QStringList { u"a = b"_s } << false;
    QTest::newRow("Windows attributes only")
        << u"Path = d\nSize = 0\nAttributes = D\n\nPath = f\nSize = 3\nAttributes = RA\n"_s
        << QStringList { u"d/"_s, u"f"_s } << false;
    QTest::newRow("bad size is reported, the rest kept")
        << u"Path = a\nSize = many\n\nPath = b\nSize = 2\nCRC = 363A3020\n"_s << QStringList { u"b"_s }
        << true;
    QTest::newRow("block without path") << u"Size = 1\nCRC = 00000000\n"_s << QStringList() << true;
    QTest::newRow("no trailing blank line, no newline")
        << u"Path = last\nSize = 9"_s << QStringList { u"last"_s } << false;
}

void tst_SevenZipListingParser::listings()
{
    QFETCH(QString, output);
    QFETCH(QStringList, paths);
    QFETCH(bool, reportsError);

    const SevenZipListingParser::Result result = SevenZipListingParser::parse(output);
    QStringList listed;
    for (const SevenZipItem& item : result.items) {
        QCOMPARE(item.index, listed.size());
        listed.append(item.path + (item.isDirectory ? u"/"_s : QString()));
    }
    QCOMPARE(listed, paths);
    QCOMPARE(!result.error.isEmpty(), reportsError);
}

QTEST_GUILESS_MAIN(tst_SevenZipListingParser)
#include "tst_sevenziplistingparser.moc"
