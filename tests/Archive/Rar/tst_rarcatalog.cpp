#include "Archive/Rar/RarCatalog.h"
#include "Archive/Rar/RarVolumes.h"
#include "FileTree.h"
#include "RarFixture.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(RarVersion)
Q_DECLARE_METATYPE(RarFixtureOptions)
Q_DECLARE_METATYPE(RarCatalog::Status)

namespace {

enum class Shape
{
    whole,
    selfExtracting,
    volumes,
    lastVolumeMissing,
    cutAfterSecondEntry, // at a header boundary: nothing but the end marker tells
    cutInData,
};

qsizetype commonPrefix(const QByteArray& a, const QByteArray& b)
{
    qsizetype length = 0;
    while (length < a.size() && length < b.size() && a[length] == b[length])
        ++length;
    return length;
}

} // namespace

Q_DECLARE_METATYPE(Shape)

class tst_RarCatalog : public QObject
{
    Q_OBJECT

private slots:
    void listsWhatTheHeadersSay_data();
    void listsWhatTheHeadersSay();
    void findsTheVolumeSet_data();
    void findsTheVolumeSet();
};

void tst_RarCatalog::listsWhatTheHeadersSay_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::addColumn<RarFixtureOptions>("options");
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<RarCatalog::Status>("status");

    using S = RarCatalog::Status;
    for (const RarVersion version : { RarVersion::rar4, RarVersion::rar5 }) {
        const auto row
            = [version](const char* what, const RarFixtureOptions& options, Shape shape, S status) {
                  QTest::addRow("%s %s", version == RarVersion::rar4 ? "RAR4" : "RAR5", what)
                      << version << options << shape << status;
              };
        row("plain", {}, Shape::whole, S::complete);
        row("solid", { {}, false, true }, Shape::whole, S::complete);
        row("encrypted data", { u"pw"_s }, Shape::whole, S::complete);
        row("encrypted names", { u"pw"_s, true }, Shape::whole, S::namesEncrypted);
        row("self-extracting", {}, Shape::selfExtracting, S::complete);
        row("volumes", {}, Shape::volumes, S::complete);
        row("last volume missing", {}, Shape::lastVolumeMissing, S::damaged);
        row("cut after its second entry", {}, Shape::cutAfterSecondEntry, S::damaged);
        row("cut in data", {}, Shape::cutInData, S::damaged);
    }
}

void tst_RarCatalog::listsWhatTheHeadersSay()
{
    QFETCH(RarVersion, version);
    QFETCH(RarFixtureOptions, options);
    QFETCH(Shape, shape);
    QFETCH(RarCatalog::Status, status);
    const QList<RarFixtureEntry> entries = rarSampleEntries(70000);
    const QTemporaryDir folder;
    QString path = folder.filePath(u"sample.rar"_s);
    QStringList volumes;
    if (shape == Shape::volumes || shape == Shape::lastVolumeMissing) {
        volumes = writeRarVolumes(folder.path(), u"set"_s, version, entries, 20000, options);
        QVERIFY(volumes.size() > 2);
        if (shape == Shape::lastVolumeMissing)
            QVERIFY(QFile::remove(volumes.takeLast()));
        // Any volume names the whole set.
        path = volumes.at(1);
    } else {
        QByteArray bytes = buildRar(version, entries, options);
        if (shape == Shape::cutAfterSecondEntry)
            bytes.truncate(commonPrefix(bytes, buildRar(version, entries.first(2), options)));
        else if (shape == Shape::cutInData)
            bytes.chop(1000);
        else if (shape == Shape::selfExtracting)
            bytes.prepend(rarSelfExtractorStub());
        QVERIFY(FileTree::writeFile(folder.path(), u"sample.rar"_s, bytes));
    }

    const RarCatalog catalog = RarCatalog::read(path);
    QCOMPARE(catalog.status(), status);
    QCOMPARE(catalog.isRar5(), version == RarVersion::rar5);
    if (!volumes.isEmpty())
        QCOMPARE(catalog.volumes(), volumes);
    if (status != RarCatalog::Status::complete) {
        QCOMPARE(catalog.hasEncryptedData(), options.encryptHeaders);
        return;
    }
    QCOMPARE(catalog.isSolid(), options.solid);
    QCOMPARE(catalog.hasEncryptedData(), !options.password.isEmpty());
    QCOMPARE(catalog.entries().size(), entries.size());
    for (qsizetype index = 0; index < entries.size(); ++index) {
        const RarCatalog::Entry& listed = catalog.entries().at(index);
        const RarFixtureEntry& stored = entries.at(index);
        QCOMPARE(QString::fromUtf8(listed.name).replace(u'\\', u'/'), stored.name);
        QCOMPARE(listed.is(RarCatalog::Entry::directory), stored.isDirectory);
        if (stored.isDirectory)
            continue;
        QCOMPARE(listed.size, stored.data.size());
        QCOMPARE(listed.is(RarCatalog::Entry::encrypted), !options.password.isEmpty());
        QVERIFY(!listed.is(RarCatalog::Entry::linked));
    }
}

void tst_RarCatalog::findsTheVolumeSet_data()
{
    QTest::addColumn<QStringList>("onDisk");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QStringList>("expected");

    const QStringList numbered { u"a.part1.rar"_s, u"a.part2.rar"_s, u"a.part3.rar"_s };
    QTest::newRow("first part") << numbered << u"a.part1.rar"_s << numbered;
    QTest::newRow("a later part leads to the first") << numbered << u"a.part3.rar"_s << numbered;
    QTest::newRow("padded numbers") << QStringList { u"b.part01.rar"_s, u"b.part02.rar"_s, u"b.part10.rar"_s }
                                    << u"b.part02.rar"_s
                                    << QStringList { u"b.part01.rar"_s, u"b.part02.rar"_s };
    QTest::newRow("stops at a gap") << QStringList { u"c.part1.rar"_s, u"c.part2.rar"_s, u"c.part4.rar"_s }
                                    << u"c.part1.rar"_s << QStringList { u"c.part1.rar"_s, u"c.part2.rar"_s };
    QTest::newRow("other sets beside it")
        << QStringList { u"d.part1.rar"_s, u"d.part2.rar"_s, u"dd.part1.rar"_s, u"d.part1.rar.bak"_s }
        << u"d.part1.rar"_s << QStringList { u"d.part1.rar"_s, u"d.part2.rar"_s };
    QTest::newRow("old style") << QStringList { u"e.rar"_s, u"e.r00"_s, u"e.r01"_s } << u"e.rar"_s
                               << QStringList { u"e.rar"_s, u"e.r00"_s, u"e.r01"_s };
    QTest::newRow("old style from a continuation")
        << QStringList { u"f.rar"_s, u"f.r00"_s } << u"f.r00"_s << QStringList { u"f.rar"_s, u"f.r00"_s };
    QTest::newRow("single archive") << QStringList { u"h.rar"_s } << u"h.rar"_s << QStringList { u"h.rar"_s };
    QTest::newRow("other extension") << QStringList { u"j.cbr"_s, u"j.r00"_s } << u"j.cbr"_s
                                     << QStringList { u"j.cbr"_s };
}

// The volumes on disk that make up the set the opened one belongs to, in order.
void tst_RarCatalog::findsTheVolumeSet()
{
    QFETCH(QStringList, onDisk);
    QFETCH(QString, opened);
    QFETCH(QStringList, expected);
    const QTemporaryDir folder;
    for (const QString& name : std::as_const(onDisk))
        QVERIFY(FileTree::writeFile(folder.path(), name, "x"));

    QStringList found;
    for (const QString& path : RarVolumes::find(folder.filePath(opened)))
        found.append(path.mid(folder.path().size() + 1));
    QCOMPARE(found, expected);
}

QTEST_GUILESS_MAIN(tst_RarCatalog)
#include "tst_rarcatalog.moc"
