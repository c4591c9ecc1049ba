#include "Archive/Rar/UnarOutputParser.h"
#include "FileTree.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Feeds `output` in pieces of `chunk` bytes, as a terminal delivers it.
UnarOutputParser parsed(const QByteArray& output, qsizetype chunk, int* prompts = nullptr)
{
    UnarOutputParser parser;
    int seen = 0;
    for (qsizetype at = 0; at < output.size(); at += chunk) {
        parser.feed(output.mid(at, chunk));
        seen += parser.takePasswordPrompts();
    }
    if (prompts)
        *prompts = seen;
    return parser;
}

} // namespace

class tst_UnarOutputParser : public QObject
{
    Q_OBJECT

private slots:
    void capturedRuns_data();
    void capturedRuns();
};

void tst_UnarOutputParser::capturedRuns_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("prompts");
    QTest::addColumn<int>("finished");
    QTest::addColumn<int>("failed");
    QTest::addColumn<bool>("archiveFailed");
    QTest::addColumn<bool>("question");
    QTest::addColumn<QByteArray>("reason");

    QTest::newRow("RAR5 extracted") << u"unar-1.10.1-rar5-plain.txt"_s << 0 << 4 << 0 << false << false
                                    << QByteArray();
    // The prompt interrupts the first entry's line; its result follows on a line of its own.
    QTest::newRow("RAR4 wrong password")
        << u"unar-1.10.1-rar4-wrong-password.txt"_s << 1 << 4 << 3 << false << false << "Wrong checksum"_ba;
    QTest::newRow("RAR4 encrypted names")
        << u"unar-1.10.1-rar4-encrypted-headers.txt"_s << 1 << 0 << 0 << true << false
        << "Attempted to read more data than was available."_ba;
    QTest::newRow("RAR5 right password")
        << u"unar-1.10.1-rar5-right-password.txt"_s << 1 << 4 << 0 << false << false << QByteArray();
    QTest::newRow("RAR5 wrong password") << u"unar-1.10.1-rar5-wrong-password.txt"_s << 1 << 4 << 3 << false
                                         << false << "Missing or wrong password"_ba;
    QTest::newRow("RAR5 encrypted names, wrong password")
        << u"unar-1.10.1-rar5-encrypted-headers-wrong-password.txt"_s << 1 << 0 << 0 << true << false
        << "Missing or wrong password."_ba;
    QTest::newRow("name taken") << u"unar-1.10.1-name-taken-question.txt"_s << 0 << 2 << 0 << false << true
                                << QByteArray();
    QTest::newRow("not an archive") << u"unar-1.10.1-not-an-archive.txt"_s << 0 << 0 << 0 << true << false
                                    << "Couldn't recognize the archive format"_ba;
}

void tst_UnarOutputParser::capturedRuns()
{
    QFETCH(QString, file);
    const QByteArray output = FileTree::readFile(QStringLiteral(RAR_TEST_DATA "/") + file);
    QVERIFY(!output.isEmpty());
    // Whole, line by line or byte by byte: the same reading.
    for (const qsizetype chunk : { output.size(), qsizetype(7), qsizetype(1) }) {
        int prompts = 0;
        const UnarOutputParser parser = parsed(output, chunk, &prompts);
        QTEST(prompts, "prompts");
        QTEST(parser.finishedEntries(), "finished");
        QTEST(parser.failedEntries(), "failed");
        QTEST(parser.archiveFailed(), "archiveFailed");
        QTEST(parser.isAskingQuestion(), "question");
        QTEST(parser.firstFailure(), "reason");
    }
}

QTEST_GUILESS_MAIN(tst_UnarOutputParser)
#include "tst_unaroutputparser.moc"
