#include "Archive/SevenZip/SevenZipListingParser.h"
#include "Archive/SevenZip/SevenZipProgressParser.h"
#include "SevenZipFixtures.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString capture(const QString& name)
{
    return QString::fromUtf8(SevenZipFixtures::capture(name));
}

struct Parsed
{
    QList<int> percents;
    QStringList messages;
};

Parsed parseInChunks(const QByteArray& bytes, qsizetype chunkSize)
{
    SevenZipProgressParser parser;
    QList<float> fractions;
    for (qsizetype at = 0; at < bytes.size(); at += chunkSize)
        fractions += parser.feed(QByteArrayView(bytes).sliced(at, std::min(chunkSize, bytes.size() - at)));
    fractions += parser.finish();
    Parsed parsed { {}, parser.messages() };
    for (const float fraction : std::as_const(fractions))
        parsed.percents.append(qRound(fraction * 100));
    return parsed;
}

} // namespace

// What 7zz prints: its technical listing, and the progress and messages of a
// running command, replayed from captures named by the 7zz version.
class tst_SevenZipParsers : public QObject
{
    Q_OBJECT

private slots:
    void listings_data();
    void listings();
    void streams_data();
    void streams();
};

void tst_SevenZipParsers::listings_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<bool>("reportsError");

    QTest::newRow("unicode") << capture(u"7zz-2602-list-unicode.txt"_s)
                             << QStringList { u"Fotos"_s,
                                              u"Fotos/2024"_s,
                                              u"empty"_s,
                                              u"Fotos/2024/a.bin"_s,
                                              u"Fotos/Ünïcødé 名前 😀.txt"_s,
                                              u"link"_s,
                                              u"readme.txt"_s }
                             << false;
    // Starts with the password prompt 7zz wrote before the listing.
    QTest::newRow("encrypted names") << capture(u"7zz-2602-list-encrypted-header.txt"_s)
                                     << QStringList { u"empty"_s, u"readme.txt"_s } << false;

    QTest::newRow("nothing") << QString() << QStringList() << false;
    QTest::newRow("separator in the name")
        << u"Path = a = b\nSize = 1\nAttributes = A\n"_s << QStringList { u"a = b"_s } << false;
    QTest::newRow("bad size is reported, the rest kept")
        << u"Path = a\nSize = many\n\nPath = b\nSize = 2\nCRC = 363A3020\n"_s << QStringList { u"b"_s }
        << true;
    QTest::newRow("block without path") << u"Size = 1\nCRC = 00000000\n"_s << QStringList() << true;
    QTest::newRow("no trailing blank line, no newline")
        << u"Path = last\nSize = 9"_s << QStringList { u"last"_s } << false;
}

void tst_SevenZipParsers::listings()
{
    QFETCH(QString, output);
    QFETCH(QStringList, paths);
    QFETCH(bool, reportsError);

    const SevenZipListingParser::Result result = SevenZipListingParser::parse(output);
    QStringList listed;
    for (const SevenZipItem& item : result.items) {
        QCOMPARE(item.index, listed.size());
        listed.append(item.path);
    }
    QCOMPARE(listed, paths);
    QCOMPARE(!result.error.isEmpty(), reportsError);
}

void tst_SevenZipParsers::streams_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("percents");
    QTest::addColumn<QStringList>("messages");

    // Scan status ("0M Scan  ./data/") is erased text: neither progress nor a message.
    QTest::newRow("add") << SevenZipFixtures::capture(u"7zz-2602-progress-add.bin"_s)
                         << QList<int> { 0,  1,  3,  5,  7,  8,  10, 12, 13, 15, 17, 18, 19,
                                         20, 22, 23, 25, 26, 27, 28, 30, 32, 33, 34, 35, 36,
                                         38, 39, 40, 42, 43, 44, 45, 46, 47, 48, 55, 76, 97 }
                         << QStringList();
    QTest::newRow("extract") << SevenZipFixtures::capture(u"7zz-2602-progress-extract.bin"_s)
                             << QList<int> { 0, 15, 100 } << QStringList();
    // The error line is written over the progress text, after its backspaces.
    QTest::newRow("wrong password")
        << SevenZipFixtures::capture(u"7zz-2602-progress-extract-wrong-password.bin"_s)
        << QList<int> { 0, 0, 100 }
        << QStringList { u"ERROR: Data Error in encrypted file. Wrong password? : readme.txt"_s };

    QTest::newRow("names split inside a character")
        << "  7% 2 + \xc3\x9cn\xc3\xaf \xe5\x90\x8d.txt\b\b\b\b\bERROR: \xc3\x9cn\xc3\xaf \xe5\x90\x8d\n"_ba
        << QList<int> { 7 } << QStringList { u"ERROR: Ünï 名"_s };
    QTest::newRow("last update without backspaces")
        << " 42%\b\b\b\b100%"_ba << QList<int> { 42, 100 } << QStringList();
    QTest::newRow("every operation sign") << " 1% + a\b 2% - b\b 3% T c\b 4% U d\b 5% = e\b 6%   f\b"_ba
                                          << QList<int> { 1, 2, 3, 4, 5, 6 } << QStringList();
    QTest::newRow("not an update") << "x 5%\b5 %\b%\b 7%x\b"_ba << QList<int>() << QStringList();
    QTest::newRow("numbers above 100 are capped") << "250%\b"_ba << QList<int> { 100 } << QStringList();
    QTest::newRow("messages end with a line") << "WARNING: odd\r\n\nhalf a message"_ba << QList<int>()
                                              << QStringList { u"WARNING: odd"_s, u"half a message"_s };
}

// Whatever the chunks the stream arrives in, the result is the same.
void tst_SevenZipParsers::streams()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, percents);
    QFETCH(QStringList, messages);

    QVERIFY(!bytes.isEmpty());
    for (const qsizetype chunkSize :
         { bytes.size(), qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(7), qsizetype(64) }) {
        const Parsed parsed = parseInChunks(bytes, chunkSize);
        QCOMPARE(parsed.percents, percents);
        QCOMPARE(parsed.messages, messages);
    }
}

QTEST_GUILESS_MAIN(tst_SevenZipParsers)
#include "tst_sevenzipparsers.moc"
