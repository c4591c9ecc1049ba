#include "Archive/Rar/PtyChild.h"
#include "Archive/Rar/UnarOutputParser.h"
#include "FileTree.h"

#include <QElapsedTimer>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kShell = u"/bin/sh"_s;

// What the child prints until `text` shows up or, without one, until it
// closes the terminal.
QByteArray readUntil(PtyChild& child, QByteArrayView text = {})
{
    QByteArray output;
    QElapsedTimer timer;
    timer.start();
    while ((text.isEmpty() || !output.contains(text)) && timer.elapsed() < 10000
           && child.read(output, 100) != PtyChild::ReadResult::closed) { }
    return output;
}

// Feeds `output` in pieces of `chunk` bytes, as a terminal delivers it.
UnarOutputParser parsed(const QByteArray& output, qsizetype chunk, int& prompts)
{
    UnarOutputParser parser;
    for (qsizetype at = 0; at < output.size(); at += chunk) {
        parser.feed(output.mid(at, chunk));
        prompts += parser.takePasswordPrompts();
    }
    return parser;
}

} // namespace

// unar asks for its password on a terminal of its own: what is typed reaches
// it unchanged, and what it prints there is read as it arrives.
class tst_PtyChild : public QObject
{
    Q_OBJECT

private slots:
    void linesReachTheChildUnchanged_data();
    void linesReachTheChildUnchanged();
    void childSeesNoInheritedDescriptors();
    void capturedUnarRuns_data();
    void capturedUnarRuns();
};

void tst_PtyChild::linesReachTheChildUnchanged_data()
{
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("plain") << "secret"_ba;
    // On a default terminal these interrupt, end input, erase or quote.
    QTest::newRow("control characters")
        << "a\x03 b\x04 c\x15 d\x17 e\x16 f\x1a g\x1c h\x12 i\x0f j\x11\x13"_ba;
    QTest::newRow("erase characters") << "abc\x7f\x08xyz"_ba;
    QTest::newRow("carriage return") << "one\rtwo"_ba;
    QTest::newRow("unicode and tab") << "tab\tand \xc3\xa9 \xe6\xbc\xa2 \xf0\x9f\x98\x80"_ba;
    QTest::newRow("quotes and backslash") << "back\\slash 'single' \"double\" $HOME"_ba;
}

void tst_PtyChild::linesReachTheChildUnchanged()
{
    QFETCH(QByteArray, line);
    PtyChild child;
    QVERIFY(child.start(
        kShell, { u"-c"_s, u"echo ready; IFS= read -r line; printf '%s' \"$line\" | od -An -v -tx1"_s }));
    QVERIFY(readUntil(child, "ready\n").contains("ready\n"));
    QVERIFY(child.write(QByteArray(line + '\n')));
    const QByteArray output = readUntil(child);
    QCOMPARE(child.wait(), 0);
    // No echo: only od's dump comes back.
    QCOMPARE(output.simplified().replace(' ', ""), line.toHex());
}

void tst_PtyChild::childSeesNoInheritedDescriptors()
{
    // A descriptor the parent opened without close-on-exec.
    const int leaked = ::open("/dev/null", O_RDONLY);
    QVERIFY(leaked > 2);
    PtyChild child;
    QVERIFY(child.start(kShell, { u"-c"_s, u"ls /proc/$$/fd"_s }));
    const QByteArray output = readUntil(child);
    ::close(leaked);
    QCOMPARE(child.wait(), 0);
    QCOMPARE(output.simplified(), "0 1 2"_ba);
}

void tst_PtyChild::capturedUnarRuns_data()
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

void tst_PtyChild::capturedUnarRuns()
{
    QFETCH(QString, file);
    const QByteArray output = FileTree::readFile(QStringLiteral(RAR_TEST_DATA "/") + file);
    QVERIFY(!output.isEmpty());
    // Whole, line by line or byte by byte: the same reading.
    for (const qsizetype chunk : { output.size(), qsizetype(7), qsizetype(1) }) {
        int prompts = 0;
        const UnarOutputParser parser = parsed(output, chunk, prompts);
        QTEST(prompts, "prompts");
        QTEST(parser.finishedEntries(), "finished");
        QTEST(parser.failedEntries(), "failed");
        QTEST(parser.archiveFailed(), "archiveFailed");
        QTEST(parser.isAskingQuestion(), "question");
        QTEST(parser.firstFailure(), "reason");
    }
}

QTEST_GUILESS_MAIN(tst_PtyChild)
#include "tst_ptychild.moc"
