#include "Archive/Rar/Decrypt/Rar4KeyDerivation.h"
#include "Archive/Rar/Decrypt/Rar5KeyDerivation.h"
#include "Archive/Rar/Decrypt/RarAesCbc.h"
#include "Archive/Rar/Decrypt/RarCrc32.h"
#include "Archive/Rar/Decrypt/RarDecryptor.h"
#include "Archive/Rar/RarArchive.h"
#include "ChildProcess.h"
#include "FileTree.h"
#include "RarFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(RarVersion)
Q_DECLARE_METATYPE(RarFixtureOptions)

namespace {

const QString password = u"pässwort 42"_s;
const QString wrongPassword = u"pässwort 43"_s;

// The blob spans several 64 KiB chunks.
constexpr qsizetype kBlobSize = 300000;

bool decrypt(const QString& from, const QString& to, const QString& withPassword, int* error,
             const std::function<bool()>& canContinue = {})
{
    *error = -1;
    return RarDecryptor::decryptToPlainArchive(from, to, withPassword, error, canContinue);
}

// What a real reader extracts from `archive`, empty when it fails: bsdtar,
// whose libarchive extracts the decrypted copies, or with a password unar.
QMap<QString, QByteArray> extracted(const QString& archive, const QString& withPassword = {})
{
    const QTemporaryDir folder;
    const int status = withPassword.isEmpty()
        ? ChildProcess::run(u"bsdtar"_s, { u"-xf"_s, archive, u"-C"_s, folder.path() })
        : ChildProcess::run(u"unar"_s, { u"-D"_s, u"-o"_s, folder.path(), u"-p"_s, withPassword, archive });
    return status == 0 ? FileTree::snapshot(folder.path()) : QMap<QString, QByteArray>();
}

QByteArray hex(const auto& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())).toHex();
}

// From an archive rar made with archive encryption (-hp) and password
// "123456", published with its hex dump: the archive encryption header's
// salt and check value, then the first encrypted header (the main header):
// its IV and first cipher block. RARLAB's unrar opens it with that password.
const QByteArray rarSalt = QByteArray::fromHex("05588082deb14a7e497a48cc0db7497a");
const QByteArray rarCheckValue = QByteArray::fromHex("1c1624bc4634fe2df8a232c6");
const QByteArray rarHeaderIv = QByteArray::fromHex("e7d76464ae145349b768e7e5edacfe87");
const QByteArray rarHeaderBlock = QByteArray::fromHex("efa300d7566b4eb8881aea4915825208");
constexpr int rarLog2Count = 15;

} // namespace

class tst_RarDecryptor : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void rar4KeysMatchUnrar_data();
    void rar4KeysMatchUnrar();
    void rar5KeysMatchRar();
    void decryptsStoredEntries_data();
    void decryptsStoredEntries();
    void decryptsCompressedEntries_data();
    void decryptsCompressedEntries();
    void refusesWhatItCannotDecrypt_data();
    void refusesWhatItCannotDecrypt();
    void headerCutShortByTheFileEnd();
    void stopsWhenCancelled_data();
    void stopsWhenCancelled();
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

// The keys a password gives, checked against values rar and unrar derive.
void tst_RarDecryptor::rar4KeysMatchUnrar_data()
{
    QTest::addColumn<QString>("passphrase");
    QTest::addColumn<QByteArray>("salt");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("iv");

    // Values RARLAB's unrar derives (its SetKey30); archives encrypted with
    // the long ones open in unrar. Past 28 characters the seed exceeds 64
    // bytes and RAR's SHA-1 rewrites it between rounds.
    const QByteArray salt = QByteArray::fromHex("1122334455667788");
    const QString longPassword = u"abcdefghijklmnopqrstuvwxyzabcdef"_s;
    QTest::newRow("short") << u"password"_s << salt << QByteArray("6dc5de01e3b2dbe3be10be0a04a61451")
                           << QByteArray("28578a432b367b73dccfd439911f9584");
    QTest::newRow("long") << longPassword << salt << QByteArray("d74f5e96dd94aa870efe4fdcd3d3e155")
                          << QByteArray("4b12f8f5e926761d3ab3a3c98cc00d48");
    QTest::newRow("long, no salt") << longPassword << QByteArray()
                                   << QByteArray("a067cc19f522570c5440adfabc8ae733")
                                   << QByteArray("1a1eb51d88c1905a6c09328074c39f42");
    // Password "hello" with the salt of an archive RAR itself made; the key and
    // IV an independent decoder printed for it (junrar issue #51).
    QTest::newRow("salt from a RAR archive")
        << u"hello"_s << QByteArray::fromHex("86d6dabf466195dc")
        << QByteArray("4c17206f78c6ccd81de9d8998895740d") << QByteArray("223bcf9b6ad1c376047622108bfdf05c");
}

void tst_RarDecryptor::rar4KeysMatchUnrar()
{
    QFETCH(QString, passphrase);
    QFETCH(QByteArray, salt);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, iv);
    const Rar4Key derived = Rar4KeyDerivation::derive(passphrase, salt);
    QCOMPARE(hex(derived.key), key);
    QCOMPARE(hex(derived.iv), iv);
}

// The check value is rar's, and the derived key turns the first encrypted
// header into a main header (type 1) whose CRC-32 matches. A check value
// whose checksum fails is ignored rather than trusted.
void tst_RarDecryptor::rar5KeysMatchRar()
{
    const Rar5Keys keys = Rar5KeyDerivation::derive(u"123456"_s, rarSalt, rarLog2Count);
    QCOMPARE(hex(keys.passwordCheck), rarCheckValue.first(8).toHex());
    const Rar5Keys wrong = Rar5KeyDerivation::derive(u"123457"_s, rarSalt, rarLog2Count);
    QVERIFY(hex(wrong.passwordCheck) != rarCheckValue.first(8).toHex());

    QByteArray block = rarHeaderBlock;
    RarAesCbc(QByteArrayView(keys.key.data(), 32), rarHeaderIv).decrypt(block.data(), block.size());
    const int size = block[4]; // one-byte size field
    QVERIFY(size > 0 && 5 + size <= block.size());
    QCOMPARE(int(block[5]), 1);
    QCOMPARE(RarCrc32::of(QByteArrayView(block).sliced(4, 1 + size)),
             qFromLittleEndian<quint32>(block.constData()));

    QVERIFY(Rar5KeyDerivation::isCheckValueIntact(rarCheckValue));
    QByteArray flipped = rarCheckValue;
    flipped[2] = char(flipped[2] ^ 1);
    // Zeros, as RAR 5.21 left some.
    for (const QByteArray& broken : { flipped, QByteArray(12, '\0'), rarCheckValue.first(8) })
        QVERIFY2(!Rar5KeyDerivation::isCheckValueIntact(broken), broken.toHex().constData());
}

void tst_RarDecryptor::decryptsStoredEntries_data()
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

// Without a check value, only the encrypted headers' CRCs and the stored
// files' CRCs reveal a wrong password.
void tst_RarDecryptor::decryptsStoredEntries()
{
    QFETCH(RarVersion, version);
    QFETCH(RarFixtureOptions, options);
    const QList<RarFixtureEntry> entries = rarSampleEntries(kBlobSize);
    const QByteArray archive = buildRar(version, entries, options);
    QVERIFY(!archive.contains("Kestrel RAR fixture"));
    const QString path = input(archive);
    int error = 0;
    QVERIFY(!decrypt(path, output(), wrongPassword, &error));
    QCOMPARE(error, int(RarArchive::badPassword));
    QVERIFY(!QFile::exists(output()));

    QVERIFY(decrypt(path, output(), password, &error));
    QCOMPARE(error, 0);
    QCOMPARE(FileTree::entries(m_dir->path()), QStringList({ u"in.rar"_s, u"out.rar"_s }));
    // It holds the decrypted data.
    QCOMPARE(QFileInfo(output()).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(extracted(output()), extractedTree(entries));

    // unar, an independent reader, checks that the input is encrypted as rar
    // does it (check value, MACs). Debian's unar 1.10.1 decrypts no RAR4 AES.
    if (version == RarVersion::rar5)
        QCOMPARE(extracted(path, password), extractedTree(entries));
}

void tst_RarDecryptor::decryptsCompressedEntries_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<bool>("wrongRefusedAtOnce");
    QTest::newRow("rar 3.x") << u"testfile.rar3"_s << false;
    QTest::newRow("rar5 solid") << u"testfile.rar5.solid"_s << true;
}

// Real compressed streams, encrypted as rar would: the padding after them
// must not reach libarchive's decoders. RAR5 stores a password check value;
// RAR4 has nothing to check compressed data against before it is unpacked, so
// a wrong password gives a plain archive libarchive's decoder or CRC check
// fails on.
void tst_RarDecryptor::decryptsCompressedEntries()
{
    QFETCH(QString, sample);
    QFETCH(bool, wrongRefusedAtOnce);
    const QString samplePath = QStringLiteral(RAR_DECRYPT_TEST_DATA "/") + sample;
    const QMap<QString, QByteArray> expected = extracted(samplePath + u".rar"_s);
    QCOMPARE(expected.keys(), QStringList({ u"testfile.jpg"_s, u"testfile.png"_s }));
    // Encrypted once by our encryptor; unar, an independent reader, vouches
    // for the RAR5 one (Debian's unar 1.10.1 decrypts no RAR4 AES).
    const QString path = samplePath + u".encrypted.rar"_s;
    if (sample.contains(u"rar5"_s))
        QCOMPARE(extracted(path, password), expected);

    int error = 0;
    QCOMPARE(decrypt(path, output(), wrongPassword, &error), !wrongRefusedAtOnce);
    QCOMPARE(error, wrongRefusedAtOnce ? int(RarArchive::badPassword) : 0);
    if (wrongRefusedAtOnce)
        QVERIFY(!QFile::exists(output()));
    else
        QCOMPARE(extracted(output()), (QMap<QString, QByteArray>()));

    QVERIFY(decrypt(path, output(), password, &error));
    QCOMPARE(extracted(output()), expected);
}

void tst_RarDecryptor::refusesWhatItCannotDecrypt_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<int>("error");

    const QList<RarFixtureEntry> entries = rarSampleEntries(kBlobSize);
    const int damaged = RarArchive::badArchive;
    for (const auto& [name, version, headers] : { std::tuple { "rar4", RarVersion::rar4, false },
                                                  { "rar4 encrypted headers", RarVersion::rar4, true },
                                                  { "rar5", RarVersion::rar5, false },
                                                  { "rar5 encrypted headers", RarVersion::rar5, true } }) {
        const QByteArray whole = buildRar(version, entries, { password, headers });
        // 40 bytes end inside the first header after the archive header (RAR4)
        // or inside the main or archive encryption header (RAR5).
        QTest::addRow("%s, cut in the first header", name) << whole.first(40) << damaged;
        QTest::addRow("%s, cut in the blob", name) << whole.first(whole.size() / 2) << damaged;
        QTest::addRow("%s, all but one byte", name) << whole.first(whole.size() - 1) << damaged;
        // Once readme.txt's CRC has proven the password, a byte changed in the
        // blob or in the encrypted end block is damage.
        QByteArray changed = whole;
        changed[whole.size() - (headers ? 3 : 200000)] ^= 0x20;
        QTest::addRow("%s, damaged after the password is proven", name) << changed << damaged;
    }
    const int unknown = RarArchive::unknownFormat;
    QTest::newRow("zip") << QByteArray("PK\x03\x04 not a RAR archive at all") << unknown;
    QTest::newRow("rar4 volume") << buildRarVolumes(RarVersion::rar4, entries, 100000, { password }).value(0)
                                 << unknown;
    QTest::newRow("rar5 volume") << buildRarVolumes(RarVersion::rar5, entries, 100000).value(0) << unknown;
}

void tst_RarDecryptor::refusesWhatItCannotDecrypt()
{
    QFETCH(QByteArray, archive);
    int error = 0;
    QVERIFY(!decrypt(input(archive), output(), password, &error));
    QTEST(error, "error");
    QVERIFY(!QFile::exists(output()));
}

// The file ends inside the first encrypted header, after its first AES block:
// there is no checksum to tell a wrong password from damage, and the noise a
// wrong password decrypts to must not pass for a damaged archive.
void tst_RarDecryptor::headerCutShortByTheFileEnd()
{
    const QList<RarFixtureEntry> entries { { u"a.txt"_s, "a", false, {} } };
    const QByteArray whole = buildRar(RarVersion::rar4, entries, { password, true });
    const QString path = input(whole.first(60)); // the header ends at 76
    int error = 0;
    QVERIFY(!decrypt(path, output(), password, &error));
    QCOMPARE(error, int(RarArchive::badArchive));
    // Each wrong password is a fresh draw of noise.
    for (int attempt = 0; attempt < 48; ++attempt) {
        QVERIFY(!decrypt(path, output(), wrongPassword + QString::number(attempt), &error));
        QCOMPARE(error, int(RarArchive::badPassword));
    }
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
    const QString path = input(buildRar(version, rarSampleEntries(kBlobSize), { password, true }));
    int asked = 0;
    int error = 0;
    QVERIFY(decrypt(path, output(), password, &error, [&] { return ++asked > 0; }));
    QVERIFY2(asked > 10, qPrintable(QString::number(asked))); // 7 entries, and the blob in 5 chunks

    for (const int stopAt : { 1, asked / 2, asked }) {
        int calls = 0;
        QVERIFY(!decrypt(path, output(), password, &error, [&] { return ++calls < stopAt; }));
        QCOMPARE(calls, stopAt);
        QCOMPARE(error, 0);
        QVERIFY(!QFile::exists(output()));
    }
}

void tst_RarDecryptor::reportsFileErrors()
{
    int error = 0;
    QVERIFY(!decrypt(m_dir->filePath(u"missing.rar"_s), output(), password, &error));
    QCOMPARE(error, int(RarArchive::openFailed));

    const QByteArray archive = buildRar(RarVersion::rar5, rarSampleEntries(kBlobSize), { password });
    const QString path = input(archive);
    QVERIFY(!decrypt(path, m_dir->filePath(u"no/such/folder/out.rar"_s), password, &error));
    QCOMPARE(error, int(RarArchive::createFailed));

    // Writing over the input would destroy it.
    QVERIFY(!decrypt(path, path, password, &error));
    QCOMPARE(error, int(RarArchive::createFailed));
    QCOMPARE(FileTree::readFile(path), archive);
    QCOMPARE(FileTree::entries(m_dir->path()), QStringList { u"in.rar"_s });
}

QTEST_GUILESS_MAIN(tst_RarDecryptor)
#include "tst_rardecryptor.moc"
