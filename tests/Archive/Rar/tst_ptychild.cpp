#include "Archive/Rar/PtyChild.h"

#include <QElapsedTimer>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kShell = u"/bin/sh"_s;

// Reads everything the child prints until it closes the terminal.
QByteArray readAll(PtyChild& child)
{
    QByteArray output;
    QElapsedTimer timer;
    timer.start();
    while (child.read(output, 100) != PtyChild::ReadResult::closed && timer.elapsed() < 10000) { }
    return output;
}

bool waitFor(PtyChild& child, QByteArrayView text, QByteArray& output)
{
    QElapsedTimer timer;
    timer.start();
    while (!output.contains(text) && timer.elapsed() < 10000) {
        if (child.read(output, 100) == PtyChild::ReadResult::closed)
            return false;
    }
    return output.contains(text);
}

} // namespace

class tst_PtyChild : public QObject
{
    Q_OBJECT

private slots:
    void linesReachTheChildUnchanged_data();
    void linesReachTheChildUnchanged();
    void childSeesNoInheritedDescriptors();
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
    QByteArray output;
    QVERIFY(waitFor(child, "ready\n", output));
    QVERIFY(child.write(QByteArray(line + '\n')));
    output = readAll(child);
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
    const QByteArray output = readAll(child);
    ::close(leaked);
    QCOMPARE(child.wait(), 0);
    QCOMPARE(output.simplified(), "0 1 2"_ba);
}

QTEST_GUILESS_MAIN(tst_PtyChild)
#include "tst_ptychild.moc"
