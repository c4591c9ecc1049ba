#include "FuzzChecks.h"
#include "FuzzTargets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FuzzTarget)

// Replays every saved fuzz input (crashes found earlier and the seed corpora)
// through the same entry functions the fuzzers call, and shows that each
// check of the fuzz targets fails on a planted fault.
class tst_FuzzRegressions : public QObject
{
    Q_OBJECT

private slots:
    void replay_data();
    void replay();
    void pathChecks_data();
    void pathChecks();
    void diskChecks();
};

// Every target has seeds to start from.
void tst_FuzzRegressions::replay_data()
{
    QTest::addColumn<FuzzTarget>("target");
    QTest::addColumn<QString>("path");
    for (const QString& kind : { u"regressions"_s, u"corpus"_s }) {
        for (const FuzzTarget& target : fuzzTargets()) {
            const QString folder = QStringLiteral(KESTREL_FUZZ_DATA "/") + kind + u'/' + target.name;
            const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
            QVERIFY2(kind != u"corpus"_s || !files.isEmpty(), qPrintable(target.name));
            for (const QString& file : files)
                QTest::newRow(qPrintable(kind + u'/' + target.name + u'/' + file))
                    << target << folder + u'/' + file;
        }
    }
}

void tst_FuzzRegressions::replay()
{
    QFETCH(FuzzTarget, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray input = file.readAll();
    const QString problem
        = target.run(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size()));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void tst_FuzzRegressions::pathChecks_data()
{
    QTest::addColumn<QString>("link"); // null: `path` is an entry path, not a link's target
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("holds");

    QTest::newRow("relative") << QString() << u"a/b.txt"_s << true;
    QTest::newRow("dots in names") << QString() << u"..a/b../...txt"_s << true;
    QTest::newRow("absolute") << QString() << u"/etc/passwd"_s << false;
    QTest::newRow("parent") << QString() << u"a/../b"_s << false;
    QTest::newRow("current") << QString() << u"./a"_s << false;
    QTest::newRow("empty component") << QString() << u"a//b"_s << false;
    QTest::newRow("trailing separator") << QString() << u"a/"_s << false;
    QTest::newRow("backslash") << QString() << u"a\\..\\b"_s << false;

    QTest::newRow("link up to the top") << u"a/link"_s << u"../x"_s << true;
    QTest::newRow("link down and back") << u"link"_s << u"x/../y"_s << true;
    QTest::newRow("link above the top") << u"link"_s << u"../x"_s << false;
    QTest::newRow("link above after a name") << u"a/b/link"_s << u"x/../../../.."_s << false;
    QTest::newRow("absolute link") << u"a/link"_s << u"/tmp"_s << false;
}

void tst_FuzzRegressions::pathChecks()
{
    QFETCH(QString, link);
    QFETCH(QString, path);
    QFETCH(bool, holds);
    const QString problem
        = link.isNull() ? FuzzChecks::sanitizedPathProblem(path) : FuzzChecks::linkTargetProblem(link, path);
    QCOMPARE(problem.isEmpty(), holds);
}

// The checks made on the disk after an extraction: what appears beside the
// destination, and what inside it leads out.
void tst_FuzzRegressions::diskChecks()
{
    QTemporaryDir root;
    const QString destination = root.filePath(u"destination"_s);
    QVERIFY(QDir().mkpath(destination + u"/sub"_s) && QDir(root.path()).mkdir(u".escaped"_s));
    const auto strayProblem = [&root](const QStringList& expected) {
        return !FuzzChecks::strayEntriesProblem(root.path(), expected).isEmpty();
    };
    QVERIFY(strayProblem({ u"destination"_s }));
    QVERIFY(!strayProblem({ u"destination"_s, u".escaped"_s }));
    QVERIFY(strayProblem({ u"destination"_s, u".escaped"_s, u"x"_s }));

    QVERIFY(QFile::link(u"sub/missing"_s, destination + u"/inside"_s));
    QVERIFY(QFile::link(u"."_s, destination + u"/sub/here"_s));
    // Two links that point at each other lead nowhere.
    QVERIFY(QFile::link(u"loop2"_s, destination + u"/loop1"_s));
    QVERIFY(QFile::link(u"loop1"_s, destination + u"/loop2"_s));
    QCOMPARE(FuzzChecks::outwardLinkProblem(destination), QString());

    // Each planted entry must be found, and is taken away again.
    const auto found = [&destination](const QString& name, bool planted) {
        const bool flagged = planted && !FuzzChecks::outwardLinkProblem(destination).isEmpty();
        return QFile::remove(destination + u'/' + name) && flagged;
    };
    // Read as text "sub/here/../.." stays in; followed, "here" is "sub" itself.
    QVERIFY(found(u"climb"_s, QFile::link(u"sub/here/../.."_s, destination + u"/climb"_s)));
    QVERIFY(found(u"sub/absolute"_s, QFile::link(u"/tmp"_s, destination + u"/sub/absolute"_s)));
    QVERIFY(found(u"pipe"_s, mkfifo(QFile::encodeName(destination + u"/pipe"_s).constData(), 0600) == 0));
    QCOMPARE(FuzzChecks::outwardLinkProblem(destination), QString());
}

QTEST_GUILESS_MAIN(tst_FuzzRegressions)
#include "tst_fuzzregressions.moc"
