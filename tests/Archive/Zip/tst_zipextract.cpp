#include "Archive/Zip/ZipEngine.h"
#include "Archive/Zip/ZipHandle.h"
#include "FileTree.h"
#include "ZipFixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>

using namespace Qt::StringLiterals;
using EntryList = QList<ZipFixtures::Entry>;

Q_DECLARE_METATYPE(EntryList)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

struct Result
{
    ArchiveErrorType error = ArchiveErrorType::none;
    QList<float> progress;
};

// Through the handle, as a job runs it: opened, given the password if any, extracted.
Result extract(const QString& archive, const QString& destination, const std::optional<QString>& password = {},
               bool cancelAtFirstProgress = false)
{
    Result result;
    ExtractionContext context;
    context.progress = [&](float fraction) {
        result.progress.append(fraction);
        if (cancelAtFirstProgress)
            context.cancel.cancel();
    };
    ZipHandle handle;
    result.error = handle.open(archive, context);
    if (password)
        handle.setPassword(*password);
    if (result.error == ArchiveErrorType::none)
        result.error = handle.extract(destination, context);
    return result;
}

bool isProtected(const QString& archive)
{
    ZipHandle handle;
    return handle.open(archive, {}) == ArchiveErrorType::none && handle.isProtected();
}

QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GBK");
    return encoder(text);
}

// A PKWARE strong-encryption header (IV, then a decryption header naming
// AES-256): libarchive recognises it and gives up.
QByteArray strongEncryptionData()
{
    return QByteArray::fromHex("1000") + QByteArray(16, '\x11')
        + QByteArray::fromHex("200000000300106600010100000000000000") + QByteArray(32, '\0');
}

} // namespace

class tst_ZipExtract : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void legacyAndUtf8Names_data();
    void legacyAndUtf8Names();
    void passwords_data();
    void passwords();
    void failures_data();
    void failures();
    void hostileEntries_data();
    void hostileEntries();
    void cancelStopsAtOnce();
    void emptyArchive();

private:
    QString fixture(const QString& name, const QByteArray& bytes) const;

    QTemporaryDir m_fixtures;
    QTemporaryDir m_root;
    QString m_destination;
};

void tst_ZipExtract::initTestCase()
{
    const QString secret = m_fixtures.filePath(u"secret.txt"_s);
    QVERIFY(ZipFixtures::writeFile(secret, QByteArray("secret text ").repeated(2000)));
    for (const QString& method : { u"ZipCrypto"_s, u"AES256"_s }) {
        QCOMPARE(FileTree::run(u"7zz"_s,
                               { u"a"_s, u"-tzip"_s, u"-pSECRET"_s, u"-mem="_s + method,
                                 m_fixtures.filePath(method + u".zip"_s), secret }),
                 0);
    }
}

void tst_ZipExtract::init()
{
    m_destination = m_root.filePath(u"dest"_s);
    QVERIFY(QDir(m_destination).removeRecursively());
    QVERIFY(QDir().mkdir(m_destination));
}

QString tst_ZipExtract::fixture(const QString& name, const QByteArray& bytes) const
{
    const QString path = m_fixtures.filePath(name);
    return ZipFixtures::writeFile(path, bytes) ? path : QString();
}

void tst_ZipExtract::legacyAndUtf8Names_data()
{
    QTest::addColumn<QByteArray>("processLocale");
    QTest::newRow("UTF-8 locale") << "C.UTF-8"_ba;
    // Under "C" libarchive cannot convert UTF-8 names and hands out none at all.
    QTest::newRow("C locale") << "C"_ba;
}

void tst_ZipExtract::legacyAndUtf8Names()
{
    QFETCH(QByteArray, processLocale);
    const QString archive
        = fixture(u"gbk.zip"_s,
                  ZipFixtures::rawZip({ { gbk(u"项目计划/"_s), {}, 040755 },
                                        { gbk(u"项目计划/会议记录.txt"_s), "minutes" },
                                        { gbk(u"财务报表2023.xlsx"_s), "figures" },
                                        { u"Ünïcode.txt"_s.toUtf8(), "utf8", 0100644, 0, 0x800 } }));
    const QByteArray previousLocale = setlocale(LC_ALL, nullptr);
    setlocale(LC_ALL, processLocale.constData());
    const Result result = extract(archive, m_destination);
    setlocale(LC_ALL, previousLocale.constData());
    QCOMPARE(result.error, ArchiveErrorType::none);
    QCOMPARE(FileTree::readFile(m_destination + u"/项目计划/会议记录.txt"_s), "minutes"_ba);
    QCOMPARE(FileTree::readFile(m_destination + u"/财务报表2023.xlsx"_s), "figures"_ba);
    QCOMPARE(FileTree::readFile(m_destination + u"/Ünïcode.txt"_s), "utf8"_ba);
    QCOMPARE(result.progress, QList<float>({ 0.25f, 0.5f, 0.75f, 1.0f }));
}

void tst_ZipExtract::passwords_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<std::optional<QString>>("password");
    QTest::addColumn<bool>("succeeds");

    for (const QString& method : { u"ZipCrypto"_s, u"AES256"_s }) {
        const QByteArray name = method.toLatin1();
        QTest::addRow("%s, right", name.constData()) << method << std::optional(u"SECRET"_s) << true;
        QTest::addRow("%s, wrong", name.constData()) << method << std::optional(u"secret"_s) << false;
        QTest::addRow("%s, empty", name.constData()) << method << std::optional(QString()) << false;
        QTest::addRow("%s, none", name.constData()) << method << std::optional<QString>() << false;
    }
}

void tst_ZipExtract::passwords()
{
    QFETCH(QString, method);
    QFETCH(std::optional<QString>, password);
    QFETCH(bool, succeeds);

    const QString archive = m_fixtures.filePath(method + u".zip"_s);
    QVERIFY(isProtected(archive));
    const Result result = extract(archive, m_destination, password);
    if (succeeds) {
        QCOMPARE(result.error, ArchiveErrorType::none);
        QCOMPARE(FileTree::readFile(m_destination + u"/secret.txt"_s),
                 FileTree::readFile(m_fixtures.filePath(u"secret.txt"_s)));
    } else {
        QCOMPARE(result.error, ArchiveErrorType::passwordInvalid);
        // No zero-filled file that looks extracted.
        QVERIFY(ZipFixtures::snapshot(m_destination).isEmpty());
    }
}

void tst_ZipExtract::failures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("error");

    const QByteArray valid = ZipFixtures::rawZip({ { "a.txt", QByteArray("data ").repeated(100) } });
    QByteArray badCrc = valid;
    badCrc[40] = 'X';
    const int damaged = ArchiveErrorType::badArchive;
    QTest::newRow("garbage") << QByteArray("this is not a zip archive at all").repeated(10) << damaged;
    QTest::newRow("empty file") << QByteArray() << damaged;
    QTest::newRow("truncated") << valid.left(valid.size() / 2) << damaged;
    QTest::newRow("bad CRC") << badCrc << damaged;
    QTest::newRow("implode") << ZipFixtures::rawZip({ { "a.txt", "data", 0100644, 6 } })
                             << int(ArchiveErrorType::unsupported);
    QTest::newRow("strong encryption")
        << ZipFixtures::rawZip({ { "a.txt", strongEncryptionData(), 0100644, 0, 0x41 } })
        << int(ArchiveErrorType::unsupported);
}

void tst_ZipExtract::failures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, error);

    const Result result = extract(fixture(u"broken.zip"_s, bytes), m_destination, u"password"_s);
    QCOMPARE(int(result.error), error);
    QVERIFY(ZipFixtures::snapshot(m_destination).isEmpty());
}

void tst_ZipExtract::hostileEntries_data()
{
    QTest::addColumn<EntryList>("entries");
    QTest::addColumn<QStringList>("extracted"); // every file holds "x"

    const QByteArray root = QFile::encodeName(m_root.path());
    // Names climbing out are kept inside.
    QTest::newRow("parent, parent inside, absolute, drive") << EntryList {
        { "../evil1", "x" }, { "a/../../evil2", "x" }, { "/tmp/abs", "x" }, { "C:\\evil3", "x" }
    } << QStringList { u"a"_s, u"a/evil2"_s, u"evil1"_s, u"evil3"_s, u"tmp"_s, u"tmp/abs"_s };
    QTest::newRow("outward link, then through it")
        << EntryList { ZipFixtures::link("up", ".."), { "up/evil", "x" } }
        << QStringList { u"up"_s, u"up/evil"_s };
    QTest::newRow("absolute link, then through it")
        << EntryList { ZipFixtures::link("abs", root), { "abs/evil", "x" } }
        << QStringList { u"abs"_s, u"abs/evil"_s };
    QTest::newRow("link chain") << EntryList {
        ZipFixtures::link("a", "b"), ZipFixtures::link("b", "../.."), { "a/evil", "x" }
    } << QStringList { u"a"_s };
    QTest::newRow("climb through an inner link") << EntryList {
        ZipFixtures::link("x/l1", ".."), ZipFixtures::link("l2", "x/l1/.."), { "l2/evil", "x" }
    } << QStringList { u"l2"_s, u"l2/evil"_s, u"x"_s, u"x/l1"_s };
    // Even a link that stays inside is never written through.
    QTest::newRow("inner links kept") << EntryList { { "data/f.txt", "x" },
                                                     ZipFixtures::link("short", "data/f.txt"),
                                                     ZipFixtures::link("folder", "data"),
                                                     { "folder/new.txt", "x" } }
                                      << QStringList { u"data"_s, u"data/f.txt"_s, u"folder"_s, u"short"_s };
    // The first of a name stays, whatever comes later under it.
    QTest::newRow("same name twice") << EntryList {
        { "same.txt", "x" }, { "same.txt", "second" }, { "same.txt/", {}, 040755 }, { "after.txt", "x" }
    } << QStringList { u"after.txt"_s, u"same.txt"_s };
}

void tst_ZipExtract::hostileEntries()
{
    QFETCH(EntryList, entries);
    QFETCH(QStringList, extracted);

    const QString archive = fixture(u"hostile.zip"_s, ZipFixtures::rawZip(entries));
    const QStringList before = QDir(m_root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const Result result = extract(archive, m_destination);
    QCOMPARE(result.error, ArchiveErrorType::none);
    QCOMPARE(result.progress.size(), entries.size()); // skipped entries too

    QCOMPARE(QDir(m_root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    const QMap<QString, QString> tree = ZipFixtures::snapshot(m_destination);
    QCOMPARE(tree.keys(), extracted);
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        const QString resolved = QFileInfo(m_destination + u'/' + it.key()).canonicalFilePath();
        QVERIFY2(resolved.isEmpty() || resolved == m_destination || resolved.startsWith(m_destination + u'/'),
                 qPrintable(it.key()));
        if (it.value().startsWith(u"file"_s))
            QCOMPARE(FileTree::readFile(m_destination + u'/' + it.key()), "x"_ba);
    }
}

// The job ends cancelled whatever the engine does; the engine itself must
// stop too, rather than write on into a folder that is going away.
void tst_ZipExtract::cancelStopsAtOnce()
{
    const QString archive = fixture(
        u"three.zip"_s, ZipFixtures::rawZip({ { "1.txt", "1" }, { "2.txt", "2" }, { "3.txt", "3" } }));
    const Result result = extract(archive, m_destination, {}, true);
    QVERIFY(result.error != ArchiveErrorType::none);
    QCOMPARE(result.progress.size(), 1);
}

void tst_ZipExtract::emptyArchive()
{
    const QString empty = m_fixtures.filePath(u"empty.zip"_s);
    QVERIFY(ZipEngine::createZipFile(empty, {}, {}, {}));
    QVERIFY(!isProtected(empty));
    const Result result = extract(empty, m_destination);
    QCOMPARE(result.error, ArchiveErrorType::none);
    QVERIFY(result.progress.isEmpty());
}

QTEST_GUILESS_MAIN(tst_ZipExtract)
#include "tst_zipextract.moc"
