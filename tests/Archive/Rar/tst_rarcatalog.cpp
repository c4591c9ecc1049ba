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

enum class Damage
{
    none,
    cutAfterSecondEntry, // at a header boundary: nothing but the end marker tells
    cutInData,
    lastVolumeMissing,
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

Q_DECLARE_METATYPE(Damage)

class tst_RarCatalog : public QObject
{
    Q_OBJECT

private slots:
    void listsWhatTheHeadersSay_data();
    void listsWhatTheHeadersSay();
    void endlessLoopSampleEndsWithAnError();
};

void tst_RarCatalog::listsWhatTheHeadersSay_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::addColumn<RarFixtureOptions>("options");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<RarCatalog::Status>("status");
    QTest::addColumn<qsizetype>("volumeSize");
    QTest::addColumn<QByteArray>("stub");

    using S = RarCatalog::Status;
    for (const RarVersion version : { RarVersion::rar4, RarVersion::rar5 }) {
        const auto row
            = [version](const char* what, const RarFixtureOptions& options, Damage damage = Damage::none,
                        S status = S::complete, qsizetype volumeSize = 0, const QByteArray& stub = {}) {
                  QTest::addRow("%s %s", version == RarVersion::rar4 ? "RAR4" : "RAR5", what)
                      << version << options << damage << status << volumeSize << stub;
              };
        row("plain", {});
        row("solid", { {}, false, true });
        row("encrypted data", { u"pw"_s });
        row("encrypted names", { u"pw"_s, true }, Damage::none, S::namesEncrypted);
        row("volumes", {}, Damage::none, S::complete, 20000);
        row("last volume missing", {}, Damage::lastVolumeMissing, S::damaged, 20000);
        row("cut after its second entry", {}, Damage::cutAfterSecondEntry, S::damaged);
        row("cut in data", {}, Damage::cutInData, S::damaged);
        row("self-extracting", {}, Damage::none, S::complete, 0, kSelfExtractorStub);
    }
}

void tst_RarCatalog::listsWhatTheHeadersSay()
{
    QFETCH(RarVersion, version);
    QFETCH(RarFixtureOptions, options);
    QFETCH(Damage, damage);
    QFETCH(RarCatalog::Status, status);
    QFETCH(qsizetype, volumeSize);
    QFETCH(QByteArray, stub);
    const QList<RarFixtureEntry> entries = rarSampleEntries(70000);
    const QTemporaryDir folder;
    QString path = folder.filePath(u"sample.rar"_s);
    QStringList volumes;
    if (volumeSize > 0) {
        volumes = writeRarVolumes(folder.path(), u"set"_s, version, entries, volumeSize, options);
        QVERIFY(volumes.size() > 2);
        if (damage == Damage::lastVolumeMissing)
            QVERIFY(QFile::remove(volumes.takeLast()));
        // Any volume names the whole set.
        path = volumes.at(1);
    } else {
        QByteArray bytes = buildRar(version, entries, options);
        if (damage == Damage::cutAfterSecondEntry)
            bytes.truncate(commonPrefix(bytes, buildRar(version, entries.first(2), options)));
        else if (damage == Damage::cutInData)
            bytes.chop(1000);
        QVERIFY(FileTree::writeFile(folder.path(), u"sample.rar"_s, stub + bytes));
    }

    const RarCatalog catalog = RarCatalog::read(path);
    QCOMPARE(catalog.status(), status);
    QCOMPARE(catalog.isRar5(), version == RarVersion::rar5);
    if (volumeSize > 0)
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

void tst_RarCatalog::endlessLoopSampleEndsWithAnError()
{
    // Found by fuzzing: these 154 bytes sent lsar 1.10.1 round for ever.
    const RarCatalog catalog
        = RarCatalog::read(QStringLiteral(RAR_TEST_DATA "/lsar-1.10.1-endless-loop.rar"));
    QCOMPARE(catalog.status(), RarCatalog::Status::damaged);
}

QTEST_GUILESS_MAIN(tst_RarCatalog)
#include "tst_rarcatalog.moc"
