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
    void protectionIsDetected_data();
    void protectionIsDetected();
    void refusedPasswordsLeaveNothing_data();
    void refusedPasswordsLeaveNothing();
    void rightPassword_data();
    void rightPassword();
    void passwordStaysOffCommandLineAndEnvironment();
    void cancelWhileUnarWaitsStopsIt();

private:
    // "plain", "entries" (encrypted data) or "headers" (encrypted names too).
    QString archive(RarVersion version, const QString& kind);

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_destination;
};

Q_DECLARE_METATYPE(RarVersion)

void tst_RarEncrypted::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_destination = m_root->filePath(u"out"_s);
    QVERIFY(QDir().mkdir(m_destination));
    QVERIFY(QDir().mkdir(m_root->filePath(u"in"_s)));
}

QString tst_RarEncrypted::archive(RarVersion version, const QString& kind)
{
    const QString path = m_root->filePath(u"in/"_s + kind + u".rar"_s);
    RarFixtureOptions options;
    options.password = kind == "plain"_L1 ? QString() : kPassword;
    options.encryptHeaders = kind == "headers"_L1;
    return writeRar(path, version, kEntries, options) ? path : QString();
}

void tst_RarEncrypted::protectionIsDetected_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("isProtected");

    QTest::newRow("RAR4 plain") << RarVersion::rar4 << u"plain"_s << false;
    QTest::newRow("RAR5 plain") << RarVersion::rar5 << u"plain"_s << false;
    QTest::newRow("RAR4 encrypted entries") << RarVersion::rar4 << u"entries"_s << true;
    QTest::newRow("RAR4 encrypted names") << RarVersion::rar4 << u"headers"_s << true;
    // libarchive reads these entries as unencrypted (and their data as garbage).
    QTest::newRow("RAR5 encrypted entries") << RarVersion::rar5 << u"entries"_s << true;
    QTest::newRow("RAR5 encrypted names") << RarVersion::rar5 << u"headers"_s << true;
}

void tst_RarEncrypted::protectionIsDetected()
{
    QFETCH(RarVersion, version);
    QFETCH(QString, kind);
    int code = 0;
    const std::unique_ptr<RarArchive> opened = RarArchive::open(archive(version, kind), &code);
    QVERIFY2(opened, qPrintable(QString::number(code)));
    QTEST(opened->isPasswordProtected(), "isProtected");
}

void tst_RarEncrypted::refusedPasswordsLeaveNothing_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("code");

    for (const RarVersion version : { RarVersion::rar4, RarVersion::rar5 }) {
        for (const QString& kind : { u"entries"_s, u"headers"_s }) {
            const QByteArray name = ((version == RarVersion::rar4 ? u"RAR4 "_s : u"RAR5 "_s) + kind).toUtf8();
            QTest::addRow("%s, none", name.constData())
                << version << kind << QString() << int(RarArchive::missingPassword);
            QTest::addRow("%s, empty", name.constData())
                << version << kind << u""_s << int(RarArchive::missingPassword);
            QTest::addRow("%s, wrong", name.constData())
                << version << kind << u"wrong"_s << int(RarArchive::badPassword);
        }
    }
    QTest::newRow("cannot be typed") << RarVersion::rar5 << u"entries"_s << u"two\nlines"_s
                                     << int(RarArchive::badPassword);
}

void tst_RarEncrypted::refusedPasswordsLeaveNothing()
{
    QFETCH(RarVersion, version);
    QFETCH(QString, kind);
    QFETCH(QString, password);
    const Extraction result = extract(archive(version, kind), m_destination, password);
    QVERIFY(!result.succeeded);
    QTEST(result.errorCode, "code");
    QCOMPARE(FileTree::entries(m_destination), QStringList());
    QCOMPARE(stagingLeftovers(m_destination), QStringList());
}

void tst_RarEncrypted::rightPassword_data()
{
    QTest::addColumn<RarVersion>("version");
    QTest::addColumn<QString>("kind");

    QTest::newRow("RAR4 encrypted entries") << RarVersion::rar4 << u"entries"_s;
    QTest::newRow("RAR4 encrypted names") << RarVersion::rar4 << u"headers"_s;
    QTest::newRow("RAR5 encrypted entries") << RarVersion::rar5 << u"entries"_s;
    QTest::newRow("RAR5 encrypted names") << RarVersion::rar5 << u"headers"_s;
}

void tst_RarEncrypted::rightPassword()
{
    QFETCH(RarVersion, version);
    QFETCH(QString, kind);
    const Extraction result = extract(archive(version, kind), m_destination, kPassword);
    QCOMPARE(stagingLeftovers(m_destination), QStringList());
    QVERIFY2(result.succeeded, qPrintable(QString::number(result.errorCode)));
    QCOMPARE(FileTree::snapshot(m_destination), expectedTree(kEntries));
    QVERIFY(!result.fractions.isEmpty());
    QVERIFY(std::is_sorted(result.fractions.cbegin(), result.fractions.cend()));
    QCOMPARE(result.fractions.constLast(), 1.0);
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
    QVERIFY(extractor.extract(archive(RarVersion::rar5, u"entries"_s), m_destination, kPassword).succeeded());

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

    QVERIFY(extractor.extract(archive(RarVersion::rar5, u"entries"_s), m_destination, kPassword).cancelled());
    QVERIFY(child > 0);
    QVERIFY2(sinceCancel.elapsed() < 3000, qPrintable(QString::number(sinceCancel.elapsed())));
    // Reaped, not left running or as a zombie.
    QCOMPARE(kill(pid_t(child), 0), -1);
    QCOMPARE(errno, ESRCH);
}

QTEST_GUILESS_MAIN(tst_RarEncrypted)
#include "tst_rarencrypted.moc"
