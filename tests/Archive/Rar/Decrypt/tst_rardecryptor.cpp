#include "Archive/Rar/Decrypt/RarDecryptor.h"
#include "Archive/Rar/RarArchive.h"
#include "FileTree.h"
#include "RarArchiveEncryptor.h"
#include "RarFixture.h"
#include "RarReadBack.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(RarVersion)
Q_DECLARE_METATYPE(RarFixtureOptions)

namespace {

enum class Cut
{
    early,
    half,
    allButOne,
};

const QString password = u"pässwort 42"_s;
const QString wrongPassword = u"pässwort 43"_s;

QByteArray pseudoRandom(qsizetype size)
{
    QRandomGenerator generator(2024);
    QByteArray data(size, Qt::Uninitialized);
    for (char& byte : data)
        byte = char(generator.bounded(256));
    return data;
}

// Even seconds: RAR4 keeps DOS time. The blob spans several 64 KiB chunks.
QList<RarFixtureEntry> sampleEntries()
{
    const QDateTime modified(QDate(2023, 6, 15), QTime(13, 45, 30), QTimeZone::utc());
    return {
        { u"readme.txt"_s, "Kestrel RAR fixture\n", false, modified },
        { u"docs"_s, {}, true, modified },
        { u"docs/Übersicht – 報告.txt"_s, "unicode name\n", false, modified.addSecs(-3600) },
        { u"docs/😀 emoji.txt"_s, "smile\n", false, modified },
        { u"empty.bin"_s, {}, false, modified },
        { u"data"_s, {}, true, modified },
        { u"data/blob.bin"_s, pseudoRandom(300000), false, modified.addDays(-400) },
    };
}

void addEncryptedRows()
{
    QTest::addColumn<RarVersion>("version");
    QTest::addColumn<RarFixtureOptions>("options");
    QTest::newRow("rar4") << RarVersion::rar4 << RarFixtureOptions { password };
    QTest::newRow("rar4 encrypted headers") << RarVersion::rar4 << RarFixtureOptions { password, true };
    QTest::newRow("rar5 as rar writes it") << RarVersion::rar5 << RarFixtureOptions { password };
    QTest::newRow("rar5 without check value")
        << RarVersion::rar5 << RarFixtureOptions { password, false, false, true };
    QTest::newRow("rar5 plain checksums")
        << RarVersion::rar5 << RarFixtureOptions { password, false, false, false, true };
    QTest::newRow("rar5 encrypted headers") << RarVersion::rar5 << RarFixtureOptions { password, true };
    QTest::newRow("rar5 encrypted headers, no check value, plain checksums")
        << RarVersion::rar5 << RarFixtureOptions { password, true, false, true, true };
}

QString sampleArchive(const QString& name)
{
    return QStringLiteral(RAR_DECRYPT_TEST_DATA) + u'/' + name;
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Cut)

class tst_RarDecryptor : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void decryptsStoredEntries_data();
    void decryptsStoredEntries();
    void refusesWrongPassword_data();
    void refusesWrongPassword();
    void decryptsCompressedEntries_data();
    void decryptsCompressedEntries();
    void wrongPasswordOnCompressedEntries_data();
    void wrongPasswordOnCompressedEntries();
    void copiesUnencryptedArchives_data();
    void copiesUnencryptedArchives();
    void reportsTruncatedArchives_data();
    void reportsTruncatedArchives();
    void reportsDamageOncePasswordIsProven_data();
    void reportsDamageOncePasswordIsProven();
    void stopsWhenCancelled_data();
    void stopsWhenCancelled();
    void refusesWhatItCannotRead_data();
    void refusesWhatItCannotRead();
    void reportsFileErrors();

private:
    QString input(const QByteArray& archive);
    QString output() const { return m_dir->filePath(u"out.rar"_s); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_RarDecryptor::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString tst_RarDecryptor::input(const QByteArray& archive)
{
    if (archive.isEmpty() || !FileTree::writeFile(m_dir->path(), u"in.rar"_s, archive))
        return {};
    return m_dir->filePath(u"in.rar"_s);
}

void tst_RarDecryptor::decryptsStoredEntries_data()
{
    addEncryptedRows();
}

void tst_RarDecryptor::decryptsStoredEntries()
{
    QFETCH(RarVersion, version);
    QFETCH(RarFixtureOptions, options);
    const QList<RarFixtureEntry> entries = sampleEntries();
    const QByteArray encrypted = buildRar(version, entries, options);
    QVERIFY(!encrypted.contains("Kestrel RAR fixture"));
    QCOMPARE(encrypted.contains("readme.txt"), !options.encryptHeaders);

    int error = -1;
    QVERIFY(RarDecryptor::decryptToPlainArchive(input(encrypted), output(), password, &error));
    QCOMPARE(error, 0);
    QCOMPARE(FileTree::entries(m_dir->path()), QStringList({ u"in.rar"_s, u"out.rar"_s }));
    // It holds the decrypted data.
    QCOMPARE(QFileInfo(output()).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);

    const RarReadBack::Result read = RarReadBack::read(output());
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    QCOMPARE(read.entries.size(), entries.size());
    for (const RarFixtureEntry& entry : entries) {
        QVERIFY2(read.entries.contains(entry.name), qPrintable(entry.name));
        const RarReadBack::Entry found = read.entries.value(entry.name);
        QCOMPARE(found.isDirectory, entry.isDirectory);
        QCOMPARE(found.data, entry.data);
        QCOMPARE(found.mtime, entry.modified.toSecsSinceEpoch());
        QVERIFY(!found.isEncrypted);
    }
}

void tst_RarDecryptor::refusesWrongPassword_data()
{
    addEncryptedRows();
}

// The only stored checks for the rows without a check value are the encrypted
// headers' CRCs and the stored files' CRCs.
void tst_RarDecryptor::refusesWrongPassword()
{
    QFETCH(RarVersion, version);
    QFETCH(RarFixtureOptions, options);
    int error = -1;
    QVERIFY(!RarDecryptor::decryptToPlainArchive(input(buildRar(version, sampleEntries(), options)), output(),
                                                 wrongPassword, &error));
    QCOMPARE(error, int(RarArchive::badPassword));
    QVERIFY(!QFile::exists(output()));
}

void tst_RarDecryptor::decryptsCompressedEntries_data()
{
    QTest::addColumn<QString>("sample");
    QTest::newRow("rar 3.x") << u"testfile.rar3.rar"_s;
    QTest::newRow("rar5 solid") << u"testfile.rar5.solid.rar"_s;
}

// Real compressed streams, encrypted as rar would: the padding after them
// must not reach libarchive's decoders.
void tst_RarDecryptor::decryptsCompressedEntries()
{
    QFETCH(QString, sample);
    const RarReadBack::Result expected = RarReadBack::read(sampleArchive(sample));
    QVERIFY2(expected.error.isEmpty(), qPrintable(expected.error));
    QCOMPARE(expected.entries.keys(), QStringList({ u"testfile.jpg"_s, u"testfile.png"_s }));
    const QByteArray encrypted = RarArchiveEncryptor::encrypt(contentOf(sampleArchive(sample)), password);
    QVERIFY(!encrypted.isEmpty());

    int error = -1;
    QVERIFY(RarDecryptor::decryptToPlainArchive(input(encrypted), output(), password, &error));
    const RarReadBack::Result read = RarReadBack::read(output());
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    QCOMPARE(read.entries.keys(), expected.entries.keys());
    for (const QString& name : expected.entries.keys())
        QCOMPARE(read.entries.value(name).data, expected.entries.value(name).data);
}

void tst_RarDecryptor::wrongPasswordOnCompressedEntries_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<bool>("refusedAtOnce");
    QTest::newRow("rar 3.x") << u"testfile.rar3.rar"_s << false;
    QTest::newRow("rar5 solid") << u"testfile.rar5.solid.rar"_s << true;
}

// RAR5 stores a password check value. RAR4 has nothing to check compressed
// data against before it is unpacked: the plain archive is written, and
// libarchive's decoder or CRC check fails on it.
void tst_RarDecryptor::wrongPasswordOnCompressedEntries()
{
    QFETCH(QString, sample);
    QFETCH(bool, refusedAtOnce);
    const QString path = input(RarArchiveEncryptor::encrypt(contentOf(sampleArchive(sample)), password));

    int error = -1;
    const bool done = RarDecryptor::decryptToPlainArchive(path, output(), wrongPassword, &error);
    QCOMPARE(done, !refusedAtOnce);
    QCOMPARE(error, refusedAtOnce ? int(RarArchive::badPassword) : 0);
    if (done)
        QVERIFY(!RarReadBack::read(output()).error.isEmpty());
}

void tst_RarDecryptor::copiesUnencryptedArchives_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::newRow("rar4") << RarVersion::rar4;
    QTest::newRow("rar5") << RarVersion::rar5;
}

void tst_RarDecryptor::copiesUnencryptedArchives()
{
    QFETCH(RarVersion, version);
    const QList<RarFixtureEntry> entries = sampleEntries();
    int error = -1;
    QVERIFY(
        RarDecryptor::decryptToPlainArchive(input(buildRar(version, entries)), output(), password, &error));
    const RarReadBack::Result read = RarReadBack::read(output());
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    QCOMPARE(read.entries.value(u"data/blob.bin"_s).data, entries.last().data);
}

void tst_RarDecryptor::reportsTruncatedArchives_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::addColumn<RarFixtureOptions>("options");
    QTest::addColumn<Cut>("cut");
    for (const auto& [name, version, options] :
         { std::tuple { "rar4", RarVersion::rar4, RarFixtureOptions { password } },
           std::tuple { "rar4 encrypted headers", RarVersion::rar4, RarFixtureOptions { password, true } },
           std::tuple { "rar5", RarVersion::rar5, RarFixtureOptions { password } },
           std::tuple { "rar5 encrypted headers", RarVersion::rar5,
                        RarFixtureOptions { password, true } } }) {
        QTest::addRow("%s, in the first header", name) << version << options << Cut::early;
        QTest::addRow("%s, in the blob", name) << version << options << Cut::half;
        QTest::addRow("%s, all but one byte", name) << version << options << Cut::allButOne;
    }
}

void tst_RarDecryptor::reportsTruncatedArchives()
{
    QFETCH(RarVersion, version);
    QFETCH(RarFixtureOptions, options);
    QFETCH(Cut, cut);
    const QByteArray whole = buildRar(version, sampleEntries(), options);
    // 40 bytes end inside the first header after the archive header (RAR4)
    // or inside the main or archive encryption header (RAR5).
    const qsizetype kept = cut == Cut::early ? 40 : cut == Cut::half ? whole.size() / 2 : whole.size() - 1;
    int error = -1;
    QVERIFY(!RarDecryptor::decryptToPlainArchive(input(whole.first(kept)), output(), password, &error));
    QCOMPARE(error, int(RarArchive::badArchive));
    QVERIFY(!QFile::exists(output()));
}

void tst_RarDecryptor::reportsDamageOncePasswordIsProven_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::addColumn<RarFixtureOptions>("options");
    QTest::addColumn<qsizetype>("fromEnd"); // the byte changed, counted from the end
    const qsizetype insideBlob = 200000;
    // readme.txt's CRC proves the password before the blob's fails.
    QTest::newRow("rar4 stored data") << RarVersion::rar4 << RarFixtureOptions { password } << insideBlob;
    QTest::newRow("rar5 stored data") << RarVersion::rar5 << RarFixtureOptions { password } << insideBlob;
    QTest::newRow("rar4 encrypted end block")
        << RarVersion::rar4 << RarFixtureOptions { password, true } << qsizetype(3);
    QTest::newRow("rar5 encrypted end header")
        << RarVersion::rar5 << RarFixtureOptions { password, true } << qsizetype(3);
}

void tst_RarDecryptor::reportsDamageOncePasswordIsProven()
{
    QFETCH(RarVersion, version);
    QFETCH(RarFixtureOptions, options);
    QFETCH(qsizetype, fromEnd);
    QByteArray archive = buildRar(version, sampleEntries(), options);
    archive[archive.size() - fromEnd] = char(archive[archive.size() - fromEnd] ^ 0x20);
    int error = -1;
    QVERIFY(!RarDecryptor::decryptToPlainArchive(input(archive), output(), password, &error));
    QCOMPARE(error, int(RarArchive::badArchive));
    QVERIFY(!QFile::exists(output()));
}

void tst_RarDecryptor::stopsWhenCancelled_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::newRow("rar4") << RarVersion::rar4;
    QTest::newRow("rar5") << RarVersion::rar5;
}

// Asked between headers and between data chunks; a "no" anywhere stops it.
void tst_RarDecryptor::stopsWhenCancelled()
{
    QFETCH(RarVersion, version);
    const QString path = input(buildRar(version, sampleEntries(), { password, true }));
    int asked = 0;
    int error = -1;
    QVERIFY(
        RarDecryptor::decryptToPlainArchive(path, output(), password, &error, [&] { return ++asked > 0; }));
    QVERIFY2(asked > 10, qPrintable(QString::number(asked))); // 7 entries, and the blob in 5 chunks

    for (const int stopAt : { 1, asked / 2, asked }) {
        int calls = 0;
        QVERIFY(!RarDecryptor::decryptToPlainArchive(path, output(), password, &error,
                                                     [&] { return ++calls < stopAt; }));
        QCOMPARE(calls, stopAt);
        QCOMPARE(error, 0);
        QVERIFY(!QFile::exists(output()));
    }
}

void tst_RarDecryptor::refusesWhatItCannotRead_data()
{
    QTest::addColumn<QByteArray>("archive");
    const QList<RarFixtureEntry> entries = sampleEntries();
    QTest::newRow("zip") << QByteArray("PK\x03\x04 not a RAR archive at all");
    QTest::newRow("rar4 volume") << buildRarVolumes(RarVersion::rar4, entries, 100000, { password }).value(0);
    QTest::newRow("rar5 volume") << buildRarVolumes(RarVersion::rar5, entries, 100000).value(0);
}

void tst_RarDecryptor::refusesWhatItCannotRead()
{
    QFETCH(QByteArray, archive);
    int error = -1;
    QVERIFY(!RarDecryptor::decryptToPlainArchive(input(archive), output(), password, &error));
    QCOMPARE(error, int(RarArchive::unknownFormat));
    QVERIFY(!QFile::exists(output()));
}

void tst_RarDecryptor::reportsFileErrors()
{
    int error = -1;
    QVERIFY(
        !RarDecryptor::decryptToPlainArchive(m_dir->filePath(u"missing.rar"_s), output(), password, &error));
    QCOMPARE(error, int(RarArchive::openFailed));

    const QByteArray archive = buildRar(RarVersion::rar5, sampleEntries(), { password });
    const QString path = input(archive);
    QVERIFY(!RarDecryptor::decryptToPlainArchive(path, m_dir->filePath(u"no/such/folder/out.rar"_s), password,
                                                 &error));
    QCOMPARE(error, int(RarArchive::createFailed));

    // Writing over the input would destroy it.
    QVERIFY(!RarDecryptor::decryptToPlainArchive(path, path, password, &error));
    QCOMPARE(error, int(RarArchive::createFailed));
    QCOMPARE(contentOf(path), archive);
    QCOMPARE(FileTree::entries(m_dir->path()), QStringList { u"in.rar"_s });
}

QTEST_GUILESS_MAIN(tst_RarDecryptor)
#include "tst_rardecryptor.moc"
