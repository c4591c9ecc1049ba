#include "Archive/Rar/RarArchive.h"
#include "Archive/Rar/RarProgress.h"
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

const QString kPassword = u"Kestrel§pw-42"_s;

const QList<RarFixtureEntry> kEntries = {
    { u"secret.txt"_s, "the secret\n", false, {} },
    { u"folder"_s, {}, true, {} },
    { u"folder/more.txt"_s, "more\n", false, {} },
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
    void rightPasswordNeverHalfExtracts_data();
    void rightPasswordNeverHalfExtracts();
    void passwordStaysOffCommandLineAndEnvironment();
    void cancelWhileUnarWaitsStopsIt();

private:
    QString archive(const QString& kind);

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_destination;
};

void tst_RarEncrypted::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_destination = m_root->filePath(u"out"_s);
    QVERIFY(QDir().mkdir(m_destination));
    QVERIFY(QDir().mkdir(m_root->filePath(u"in"_s)));
}

QString tst_RarEncrypted::archive(const QString& kind)
{
    const QString path = m_root->filePath(u"in/"_s + kind + u".rar"_s);
    RarFixtureOptions options;
    QByteArray content;
    if (kind == "rar5-entries"_L1 || kind == "rar5-headers"_L1) {
        content = rar5WithEncryption(kind == "rar5-headers"_L1);
    } else {
        options.password = kind.startsWith("rar4"_L1) ? kPassword : QString();
        options.encryptHeaders = kind == "rar4-headers"_L1;
        content
            = buildRar(kind.startsWith("rar5"_L1) ? RarVersion::rar5 : RarVersion::rar4, kEntries, options);
    }
    QFile file(path);
    if (content.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return {};
    return path;
}

void tst_RarEncrypted::protectionIsDetected_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("isProtected");

    QTest::newRow("RAR4 plain") << u"plain4"_s << false;
    QTest::newRow("RAR5 plain") << u"rar5-plain"_s << false;
    QTest::newRow("RAR4 encrypted entries") << u"rar4-entries"_s << true;
    QTest::newRow("RAR4 encrypted names") << u"rar4-headers"_s << true;
    // libarchive reads these entries as unencrypted (and their data as garbage).
    QTest::newRow("RAR5 encrypted entry") << u"rar5-entries"_s << true;
    QTest::newRow("RAR5 encrypted names") << u"rar5-headers"_s << true;
}

void tst_RarEncrypted::protectionIsDetected()
{
    QFETCH(QString, kind);
    const QString path = archive(kind);
    QVERIFY(!path.isEmpty());
    int code = 0;
    const std::unique_ptr<RarArchive> opened = RarArchive::open(path, &code);
    QVERIFY2(opened, qPrintable(QString::number(code)));
    QTEST(opened->isPasswordProtected(), "isProtected");
}

void tst_RarEncrypted::refusedPasswordsLeaveNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("code");

    for (const QString& kind :
         { u"rar4-entries"_s, u"rar4-headers"_s, u"rar5-entries"_s, u"rar5-headers"_s }) {
        const QByteArray name = kind.toUtf8();
        QTest::addRow("%s, none", name.constData()) << kind << QString() << int(RarArchive::missingPassword);
        QTest::addRow("%s, empty", name.constData()) << kind << u""_s << int(RarArchive::missingPassword);
        QTest::addRow("%s, wrong", name.constData()) << kind << u"wrong"_s << int(RarArchive::badPassword);
    }
    QTest::newRow("cannot be typed") << u"rar4-entries"_s << u"two\nlines"_s << int(RarArchive::badPassword);
}

void tst_RarEncrypted::refusedPasswordsLeaveNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, password);
    const Extraction result = extract(archive(kind), m_destination, password);
    QVERIFY(!result.succeeded);
    QTEST(result.errorCode, "code");
    QCOMPARE(FileTree::entries(m_destination), QStringList());
    QCOMPARE(stagingLeftovers(m_destination), QStringList());
}

void tst_RarEncrypted::rightPasswordNeverHalfExtracts_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("RAR4 encrypted entries") << u"rar4-entries"_s;
    QTest::newRow("RAR4 encrypted names") << u"rar4-headers"_s;
}

void tst_RarEncrypted::rightPasswordNeverHalfExtracts()
{
    // unar 1.10.1 as Debian 12 ships it fails to decrypt RAR 2.9 AES data even
    // with the right password. Either everything is there, or the extraction
    // fails and nothing is.
    QFETCH(QString, kind);
    const Extraction result = extract(archive(kind), m_destination, kPassword);
    if (result.succeeded) {
        QCOMPARE(FileTree::snapshot(m_destination), expectedTree(kEntries));
        QCOMPARE(result.fractions.constLast(), 1.0);
    } else {
        qInfo("unar could not decrypt this archive (error %d)", result.errorCode);
        QCOMPARE(result.errorCode, int(RarArchive::badPassword));
        QCOMPARE(FileTree::entries(m_destination), QStringList());
    }
    QCOMPARE(stagingLeftovers(m_destination), QStringList());
}

void tst_RarEncrypted::passwordStaysOffCommandLineAndEnvironment()
{
    int code = 0;
    const std::unique_ptr<RarArchive> opened = RarArchive::open(archive(u"rar4-entries"_s), &code);
    QVERIFY(opened);
    opened->setPassword(kPassword);
    QList<QByteArray> commandLines;
    QList<QByteArray> environments;
    opened->setPasswordPromptObserver([&](qint64 pid) {
        commandLines.append(readProcFile(pid, "cmdline"));
        environments.append(readProcFile(pid, "environ"));
    });
    opened->extractFilesTo(m_destination, false, &code);

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
    int code = 0;
    const std::unique_ptr<RarArchive> opened = RarArchive::open(archive(u"rar4-entries"_s), &code);
    QVERIFY(opened);
    const auto progress = std::make_shared<RarProgress>();
    opened->setProgress(progress);
    opened->setPassword(kPassword);
    qint64 child = 0;
    QElapsedTimer sinceCancel;
    opened->setPasswordPromptObserver([&](qint64 pid) {
        child = pid;
        progress->cancel();
        sinceCancel.start();
    });

    QVERIFY(opened->extractFilesTo(m_destination, false, &code));
    QVERIFY(progress->isCancelled());
    QVERIFY(child > 0);
    QVERIFY2(sinceCancel.elapsed() < 3000, qPrintable(QString::number(sinceCancel.elapsed())));
    // Reaped, not left running or as a zombie.
    QCOMPARE(kill(pid_t(child), 0), -1);
    QCOMPARE(errno, ESRCH);
    QCOMPARE(FileTree::entries(m_destination), QStringList());
    QCOMPARE(stagingLeftovers(m_destination), QStringList());
}

QTEST_GUILESS_MAIN(tst_RarEncrypted)
#include "tst_rarencrypted.moc"
