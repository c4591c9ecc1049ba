#include "Archive/Rar/RarArchive.h"
#include "Archive/Rar/RarProgress.h"
#include "Archive/Rar/RarProgressMeter.h"
#include "Archive/Rar/UnarExtractor.h"
#include "FileTree.h"
#include "RarFixture.h"
#include "RarTestHelpers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>

using namespace Qt::StringLiterals;
using namespace RarTestHelpers;

Q_DECLARE_METATYPE(RarVersion)

namespace {

// RAR4 passwords are limited to 28 UTF-16 units by the fixture builder.
const QString kPassword = u"Kestrel§pw-42 😀"_s;

const QList<RarFixtureEntry> kEntries = {
    { u"secret.txt"_s, "the secret\n", false, {} },
    { u"folder"_s, {}, true, {} },
    { u"folder/Ünïcödé 名前.txt"_s, "more\n", false, {} },
};

QByteArray readProcFile(qint64 pid, const char* name)
{
    QFile file(u"/proc/%1/%2"_s.arg(pid).arg(QLatin1StringView(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_RarEncrypted : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void onlyTheRightPasswordExtracts_data();
    void onlyTheRightPasswordExtracts();
    void passwordStaysOffCommandLineAndEnvironment();
    void cancelWhileUnarWaitsStopsIt();

private:
    // With encrypted data, and with `encryptHeaders` encrypted names too.
    QString archive(RarVersion version, bool encryptHeaders);

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_destination;
};

void tst_RarEncrypted::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_destination = m_root->filePath(u"out"_s);
    QVERIFY(QDir().mkdir(m_destination));
}

QString tst_RarEncrypted::archive(RarVersion version, bool encryptHeaders)
{
    const QString path = m_root->filePath(u"encrypted.rar"_s);
    return writeRar(path, version, kEntries, { kPassword, encryptHeaders }) ? path : QString();
}

void tst_RarEncrypted::onlyTheRightPasswordExtracts_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::addColumn<bool>("encryptHeaders");
    QTest::addColumn<QString>("wrongPassword");
    QTest::newRow("RAR4 encrypted entries") << RarVersion::rar4 << false << u"wrong"_s;
    QTest::newRow("RAR4 encrypted names") << RarVersion::rar4 << true << u"wrong"_s;
    // libarchive reads RAR5 encrypted entries as unencrypted (and their data as garbage);
    // a newline cannot be typed at unar's prompt.
    QTest::newRow("RAR5 encrypted entries") << RarVersion::rar5 << false << u"cannot be\ntyped"_s;
    QTest::newRow("RAR5 encrypted names") << RarVersion::rar5 << true << u"wrong"_s;
}

void tst_RarEncrypted::onlyTheRightPasswordExtracts()
{
    QFETCH(RarVersion, version);
    QFETCH(bool, encryptHeaders);
    QFETCH(QString, wrongPassword);
    const QString path = archive(version, encryptHeaders);
    QVERIFY(!path.isEmpty());
    const QList<std::pair<QString, int>> refused = {
        { QString(), RarArchive::missingPassword },
        { u""_s, RarArchive::missingPassword },
        { wrongPassword, RarArchive::badPassword },
    };
    for (const auto& [password, code] : refused) {
        const Extraction result = extract(path, m_destination, password);
        QVERIFY(result.isPasswordProtected);
        QVERIFY(!result.succeeded);
        QCOMPARE(result.errorCode, code);
        QCOMPARE(FileTree::entries(m_destination), QStringList());
        QCOMPARE(stagingLeftovers(m_destination), QStringList());
    }

    const Extraction result = extract(path, m_destination, kPassword);
    QCOMPARE(stagingLeftovers(m_destination), QStringList());
    QVERIFY2(result.succeeded, qPrintable(QString::number(result.errorCode)));
    QCOMPARE(FileTree::snapshot(m_destination), extractedTree(kEntries));
    QVERIFY(result.progressRoseToOne());
}

void tst_RarEncrypted::passwordStaysOffCommandLineAndEnvironment()
{
    // RarArchive decrypts single archives itself; unar still serves volume
    // sets and kinds the decryptor refuses, so its dialogue is tested directly.
    RarProgressMeter meter(std::make_shared<RarProgress>());
    UnarExtractor extractor(meter, 0);
    QList<QByteArray> commandLines;
    QList<QByteArray> environments;
    extractor.setPromptObserver([&](qint64 pid) {
        commandLines.append(readProcFile(pid, "cmdline"));
        environments.append(readProcFile(pid, "environ"));
    });
    QVERIFY(extractor.extract(archive(RarVersion::rar5, false), m_destination, kPassword).succeeded());

    QCOMPARE(commandLines.size(), 1);
    QVERIFY(commandLines.constFirst().contains("unar"));
    QVERIFY(!environments.constFirst().isEmpty());
    for (const QByteArray& text : { commandLines.constFirst(), environments.constFirst() }) {
        QVERIFY(!text.contains(kPassword.toUtf8()));
        QVERIFY(!text.contains("Kestrel"));
    }
}

void tst_RarEncrypted::cancelWhileUnarWaitsStopsIt()
{
    const auto progress = std::make_shared<RarProgress>();
    RarProgressMeter meter(progress);
    UnarExtractor extractor(meter, 0);
    qint64 child = 0;
    QElapsedTimer sinceCancel;
    extractor.setPromptObserver([&](qint64 pid) {
        child = pid;
        progress->cancel();
        sinceCancel.start();
    });

    QVERIFY(extractor.extract(archive(RarVersion::rar5, false), m_destination, kPassword).cancelled());
    QVERIFY(child > 0);
    QVERIFY2(sinceCancel.elapsed() < 3000, qPrintable(QString::number(sinceCancel.elapsed())));
    // Reaped, not left running or as a zombie.
    QCOMPARE(kill(pid_t(child), 0), -1);
    QCOMPARE(errno, ESRCH);
}

QTEST_GUILESS_MAIN(tst_RarEncrypted)
#include "tst_rarencrypted.moc"
