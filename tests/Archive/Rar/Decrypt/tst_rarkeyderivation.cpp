#include "Archive/Rar/Decrypt/Rar4KeyDerivation.h"
#include "Archive/Rar/Decrypt/Rar5KeyDerivation.h"
#include "Archive/Rar/Decrypt/RarAesCbc.h"
#include "Archive/Rar/Decrypt/RarCrc32.h"

#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

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

class tst_RarKeyDerivation : public QObject
{
    Q_OBJECT

private slots:
    void rar4KeysMatchUnrar_data();
    void rar4KeysMatchUnrar();
    void rar5KeysMatchRar();
    void rar5CheckValueIntegrity_data();
    void rar5CheckValueIntegrity();
};

void tst_RarKeyDerivation::rar4KeysMatchUnrar_data()
{
    QTest::addColumn<QString>("password");
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

void tst_RarKeyDerivation::rar4KeysMatchUnrar()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, salt);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, iv);
    const Rar4Key derived = Rar4KeyDerivation::derive(password, salt);
    QCOMPARE(hex(derived.key), key);
    QCOMPARE(hex(derived.iv), iv);
}

// The check value is rar's, and the derived key turns the first encrypted
// header into a main header (type 1) whose CRC-32 matches.
void tst_RarKeyDerivation::rar5KeysMatchRar()
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
}

void tst_RarKeyDerivation::rar5CheckValueIntegrity_data()
{
    QTest::addColumn<QByteArray>("checkValue");
    QTest::addColumn<bool>("intact");
    QByteArray flipped = rarCheckValue;
    flipped[2] = char(flipped[2] ^ 1);
    QTest::newRow("as rar wrote it") << rarCheckValue << true;
    QTest::newRow("check changed") << flipped << false;
    QTest::newRow("zeros, as RAR 5.21 left some") << QByteArray(12, '\0') << false;
    QTest::newRow("too short") << rarCheckValue.first(8) << false;
}

// A check value whose checksum fails is ignored rather than trusted.
void tst_RarKeyDerivation::rar5CheckValueIntegrity()
{
    QFETCH(QByteArray, checkValue);
    QFETCH(bool, intact);
    QCOMPARE(Rar5KeyDerivation::isCheckValueIntact(checkValue), intact);
}

QTEST_GUILESS_MAIN(tst_RarKeyDerivation)
#include "tst_rarkeyderivation.moc"
