#include "Archive/Rar/RarCatalog.h"
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

const QByteArray kSelfExtractorStub = QByteArray("MZ").append(4094, '\x90');

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
            bytes.prepend(kSelfExtractorStub);
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
        QVERIFY(!listed.is(RarCatalog::Entry::link));
    }
}

QTEST_GUILESS_MAIN(tst_RarCatalog)
#include "tst_rarcatalog.moc"
