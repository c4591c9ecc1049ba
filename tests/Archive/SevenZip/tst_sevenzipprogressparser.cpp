#include "Archive/SevenZip/SevenZipProgressParser.h"
#include "SevenZipFixtures.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

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

class tst_SevenZipProgressParser : public QObject
{
    Q_OBJECT

private slots:
    void streams_data();
    void streams();
};

void tst_SevenZipProgressParser::streams_data()
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
void tst_SevenZipProgressParser::streams()
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

QTEST_GUILESS_MAIN(tst_SevenZipProgressParser)
#include "tst_sevenzipprogressparser.moc"
