#include "FuzzChecks.h"
#include "FuzzTargets.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString kFuzzData = QStringLiteral(KESTREL_FUZZ_DATA);

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

bool makeLink(const QString& target, const QString& link)
{
    return QFile::link(target, link);
}

} // namespace

// Replays every saved fuzz input (crashes found earlier and the seed corpora)
// through the same entry functions the fuzzers call, and shows that each
// check of the fuzz targets fails on a planted fault.
class tst_FuzzRegressions : public QObject
{
    Q_OBJECT

private slots:
    void everyTargetHasSeeds();
    void replay_data();
    void replay();
    void sanitizedPathCheck_data();
    void sanitizedPathCheck();
    void linkTargetCheck_data();
    void linkTargetCheck();
    void strayEntriesCheck();
    void outwardLinkCheck();
};

void tst_FuzzRegressions::everyTargetHasSeeds()
{
    for (const FuzzTarget& target : fuzzTargets())
        QVERIFY2(!filesIn(kFuzzData + u"/corpus/"_s + target.name).isEmpty(), qPrintable(target.name));
}

void tst_FuzzRegressions::replay_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    for (const QString& kind : { u"regressions"_s, u"corpus"_s }) {
        for (const FuzzTarget& target : fuzzTargets()) {
            const QString folder = kFuzzData + u'/' + kind + u'/' + target.name;
            for (const QString& file : filesIn(folder)) {
                const QString tag = kind + u'/' + target.name + u'/' + file;
                QTest::newRow(qPrintable(tag)) << target.name << folder + u'/' + file;
            }
        }
    }
}

void tst_FuzzRegressions::replay()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    if (target == "rar_extract"_L1 && QStandardPaths::findExecutable(u"lsar"_s).isEmpty())
        QSKIP("lsar is not installed");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray input = file.readAll();
    const QList<FuzzTarget> targets = fuzzTargets();
    const auto it = std::find_if(targets.cbegin(), targets.cend(),
                                 [&](const FuzzTarget& candidate) { return candidate.name == target; });
    QVERIFY(it != targets.cend());
    const QString problem
        = it->run(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size()));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void tst_FuzzRegressions::sanitizedPathCheck_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("holds");

    QTest::newRow("relative") << u"a/b.txt"_s << true;
    QTest::newRow("nothing left") << QString() << true;
    QTest::newRow("dots in names") << u"..a/b../...txt"_s << true;
    QTest::newRow("absolute") << u"/etc/passwd"_s << false;
    QTest::newRow("parent") << u"a/../b"_s << false;
    QTest::newRow("parent last") << u"a/.."_s << false;
    QTest::newRow("current") << u"./a"_s << false;
    QTest::newRow("empty component") << u"a//b"_s << false;
    QTest::newRow("trailing separator") << u"a/"_s << false;
    QTest::newRow("backslash") << u"a\\..\\b"_s << false;
}

void tst_FuzzRegressions::sanitizedPathCheck()
{
    QFETCH(QString, path);
    QFETCH(bool, holds);
    QCOMPARE(FuzzChecks::sanitizedPathProblem(path).isEmpty(), holds);
}

void tst_FuzzRegressions::linkTargetCheck_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("holds");

    QTest::newRow("sibling") << u"a/link"_s << u"b"_s << true;
    QTest::newRow("up to the top") << u"a/link"_s << u"../x"_s << true;
    QTest::newRow("down and back") << u"link"_s << u"x/../y"_s << true;
    QTest::newRow("above the top") << u"link"_s << u"../x"_s << false;
    QTest::newRow("above after a name") << u"a/b/link"_s << u"x/../../../.."_s << false;
    QTest::newRow("absolute") << u"a/link"_s << u"/tmp"_s << false;
}

void tst_FuzzRegressions::linkTargetCheck()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(bool, holds);
    QCOMPARE(FuzzChecks::linkTargetProblem(link, target).isEmpty(), holds);
}

void tst_FuzzRegressions::strayEntriesCheck()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkdir(u"destination"_s));
    QVERIFY(FuzzChecks::strayEntriesProblem(root.path(), { u"destination"_s }).isEmpty());

    QFile hidden(root.filePath(u".escaped"_s));
    QVERIFY(hidden.open(QIODevice::WriteOnly));
    hidden.close();
    QVERIFY(!FuzzChecks::strayEntriesProblem(root.path(), { u"destination"_s }).isEmpty());
    QVERIFY(FuzzChecks::strayEntriesProblem(root.path(), { u"destination"_s, u".escaped"_s }).isEmpty());
    QVERIFY(
        !FuzzChecks::strayEntriesProblem(root.path(), { u"destination"_s, u".escaped"_s, u"x"_s }).isEmpty());
}

void tst_FuzzRegressions::outwardLinkCheck()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString destination = root.filePath(u"destination"_s);
    QVERIFY(QDir().mkpath(destination + u"/sub"_s));
    QVERIFY(makeLink(u"sub/missing"_s, destination + u"/inside"_s));
    QVERIFY(makeLink(u"."_s, destination + u"/sub/here"_s));
    // Two links that point at each other lead nowhere.
    QVERIFY(makeLink(u"loop2"_s, destination + u"/loop1"_s));
    QVERIFY(makeLink(u"loop1"_s, destination + u"/loop2"_s));
    QCOMPARE(FuzzChecks::outwardLinkProblem(destination), QString());

    // Read as text "sub/here/../.." stays in; followed, "here" is "sub" itself.
    QVERIFY(makeLink(u"sub/here/../.."_s, destination + u"/climb"_s));
    QVERIFY(!FuzzChecks::outwardLinkProblem(destination).isEmpty());
    QVERIFY(QFile::remove(destination + u"/climb"_s));

    QVERIFY(makeLink(u"/tmp"_s, destination + u"/sub/absolute"_s));
    QVERIFY(!FuzzChecks::outwardLinkProblem(destination).isEmpty());
    QVERIFY(QFile::remove(destination + u"/sub/absolute"_s));

    QVERIFY(mkfifo(QFile::encodeName(destination + u"/pipe"_s).constData(), 0600) == 0);
    QVERIFY(!FuzzChecks::outwardLinkProblem(destination).isEmpty());
    QVERIFY(QFile::remove(destination + u"/pipe"_s));
    QCOMPARE(FuzzChecks::outwardLinkProblem(destination), QString());
}

QTEST_GUILESS_MAIN(tst_FuzzRegressions)
#include "tst_fuzzregressions.moc"
