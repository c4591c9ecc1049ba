#include "Archive/SevenZip/SevenZipProcess.h"
#include "Archive/SevenZip/SevenZipWriter.h"
#include "ChildProcess.h"
#include "FileTree.h"
#include "SevenZipFixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Configure = std::function<void(SevenZipWriter&)>;

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class tst_SevenZipWriter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sameNameInputs();
    void openRefuses_data();
    void openRefuses();
    void archiveInsideAnInput();
    void cancelAfterThePasswordLeavesOnlyTheReservedFile();
    void failedRunsLeaveOnlyTheReservedFile();

private:
    bool write(const QStringList& inputs, const QString& password = {}, const Configure& configure = {});
    // The archive as the caller reserved it, empty, and nothing beside it.
    bool onlyTheReservedFile() const
    {
        return FileTree::entries(m_root->filePath(u"out"_s)) == QStringList { u"archive.7z"_s }
        && QFileInfo(m_archive).size() == 0;
    }

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_source;
    QString m_archive;
};

void tst_SevenZipWriter::init()
{
    QVERIFY(!SevenZipProcess::executable().isEmpty());
    m_root = std::make_unique<QTemporaryDir>();
    m_source = m_root->filePath(u"src"_s);
    QVERIFY(SevenZipFixtures::writeSampleTree(m_source));
    // Reserved by the caller, as the archivers do.
    m_archive = m_root->filePath(u"out/archive.7z"_s);
    QVERIFY(FileTree::writeFile(m_root->path(), u"out/archive.7z"_s, {}));
}

bool tst_SevenZipWriter::write(const QStringList& inputs, const QString& password, const Configure& configure)
{
    SevenZipWriter writer(m_archive);
    writer.setPasswordGetter([password] { return password; });
    for (const QString& input : inputs)
        writer.addPath(input, QFileInfo(input).fileName());
    // The settings the 7z archiver uses.
    writer.setMethod(SevenZipWriter::Method::lzma2);
    writer.setSolid(true);
    writer.setCompressionLevel(6);
    writer.setEncodeHeader(false);
    writer.setCompressHeader(true);
    writer.setCompressHeaderFull(true);
    writer.setWriteModificationTime(false);
    writer.setWriteCreationTime(false);
    writer.setWriteAccessTime(false);
    writer.setEncodeContent(!password.isEmpty());
    if (configure)
        configure(writer);
    return writer.open() && writer.write();
}

// Inputs of one name take one pass of 7zz each, all with the one password.
// The name must reach 7zz as a name: not a switch, a list file or a wildcard.
void tst_SevenZipWriter::sameNameInputs()
{
    const QString name = u"@-*?[x]"_s;
    const QString password = u"pw"_s;
    const QString base = m_root->path();
    QVERIFY(FileTree::writeFile(base, u"one/"_s + name + u"/a"_s, "one a"));
    QVERIFY(FileTree::writeFile(base, u"one/"_s + name + u"/s/x"_s, "one x"));
    QVERIFY(FileTree::writeFile(base, u"two/"_s + name + u"/a"_s, "two a"));
    QVERIFY(FileTree::writeFile(base, u"two/"_s + name + u"/b"_s, "two b"));
    QVERIFY(FileTree::writeFile(base, u"three/"_s + name, "a file this time"));
    QVERIFY(FileTree::writeFile(base, u"four/other"_s, "other"));

    QVERIFY(write({ base + u"/one/"_s + name, base + u"/two/"_s + name, base + u"/four/other"_s,
                    base + u"/three/"_s + name },
                  password));
    QStringList expected = { u""_s, u"/a"_s, u"/s"_s, u"/s/x"_s, u""_s, u"/a"_s, u"/b"_s, u""_s };
    for (QString& path : expected)
        path.prepend(name);
    QCOMPARE(sorted(SevenZipFixtures::listedPaths(m_archive)), sorted(expected << u"other"_s));
    QCOMPARE(ChildProcess::run(u"7zz"_s, { u"t"_s, u"-p"_s + password, m_archive }), 0);
    QVERIFY(SevenZipFixtures::listing(m_archive).contains("Encrypted = +"));
    QCOMPARE(FileTree::entries(m_root->filePath(u"out"_s)), QStringList { u"archive.7z"_s });
}

void tst_SevenZipWriter::openRefuses_data()
{
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("name"); // in the archive; empty: the input's own

    const QStringList readme = { u"<src>/readme.txt"_s };
    QTest::newRow("no inputs") << u"<out>/a.7z"_s << QStringList() << QString();
    QTest::newRow("missing input") << u"<out>/a.7z"_s << QStringList { u"<src>/nothing"_s } << QString();
    QTest::newRow("missing folder") << u"<out>/missing/a.7z"_s << readme << QString();
    QTest::newRow("archive path has data") << u"<src>/Fotos/2024/a.bin"_s << readme << QString();
    QTest::newRow("archive path is a folder") << u"<src>/empty"_s << readme << QString();
    QTest::newRow("name climbs out") << u"<out>/a.7z"_s << readme << u"../x"_s;
    QTest::newRow("absolute name") << u"<out>/a.7z"_s << readme << u"/x"_s;
    QTest::newRow("the archive itself")
        << u"<out>/archive.7z"_s << QStringList { u"<out>/archive.7z"_s } << QString();
}

void tst_SevenZipWriter::openRefuses()
{
    QFETCH(QString, archive);
    QFETCH(QStringList, inputs);
    QFETCH(QString, name);
    const auto place = [this](QString path) {
        return path.replace(u"<src>"_s, m_source).replace(u"<out>"_s, m_root->filePath(u"out"_s));
    };
    const QMap<QString, QByteArray> before = FileTree::snapshot(m_root->path());

    SevenZipWriter writer(place(archive));
    for (const QString& input : inputs)
        writer.addPath(place(input), name.isEmpty() ? QFileInfo(input).fileName() : name);
    QVERIFY(!writer.open());
    QVERIFY(!writer.errorString().isEmpty());
    QVERIFY(!writer.write());
    QCOMPARE(FileTree::snapshot(m_root->path()), before);
}

void tst_SevenZipWriter::archiveInsideAnInput()
{
    m_archive = m_source + u"/Fotos/Fotos.7z"_s;
    QVERIFY(FileTree::writeFile(m_source, u"Fotos/Fotos.7z"_s, {}));
    QVERIFY(write({ m_source + u"/Fotos"_s }));
    QCOMPARE(sorted(SevenZipFixtures::listedPaths(m_archive)),
             sorted({ u"Fotos"_s, u"Fotos/2024"_s, u"Fotos/2024/a.bin"_s, u"Fotos/Ünïcødé 名前 😀.txt"_s }));
}

// At the first progress 7zz has read the password, from its terminal only;
// cancelled then, it stops at once and leaves nothing.
void tst_SevenZipWriter::cancelAfterThePasswordLeavesOnlyTheReservedFile()
{
    const QString password = u"S3cret-Pässwort"_s;
    QVERIFY(SevenZipFixtures::makeLargeFile(m_source + u"/large.bin"_s, qint64(1) << 30));
    std::optional<ChildProcess::Info> child;
    QElapsedTimer sinceCancel;
    QVERIFY(!write({ m_source + u"/large.bin"_s }, password, [&](SevenZipWriter& writer) {
        writer.setProgressHandler([&child](float) {
            if (!child)
                child = ChildProcess::find(u"7zz"_s);
        });
        writer.setCanContinue([&] {
            if (child && !sinceCancel.isValid())
                sinceCancel.start();
            return !child;
        });
    }));
    QVERIFY(child && sinceCancel.isValid());
    QVERIFY(child->commandLine.contains(QByteArray("-p\0", 3)));
    QVERIFY(!child->environment.isEmpty());
    QVERIFY(!QByteArray(child->commandLine + child->environment).contains(password.toUtf8()));
    QCOMPARE_LT(sinceCancel.elapsed(), 5000);
    QVERIFY(!ChildProcess::find(u"7zz"_s));
    QVERIFY(onlyTheReservedFile());
}

void tst_SevenZipWriter::failedRunsLeaveOnlyTheReservedFile()
{
    // 7zz would take "first" as the password and never see the rest.
    QVERIFY(!write({ m_source + u"/readme.txt"_s }, u"first\nsecond"_s));
    QVERIFY(onlyTheReservedFile());

    SevenZipWriter writer(m_archive);
    writer.addPath(m_source + u"/readme.txt"_s, u"readme.txt"_s);
    writer.addPath(m_source + u"/Fotos"_s, u"Fotos"_s);
    QVERIFY(writer.open());
    // 7zz only warns about a vanished input and writes the archive without it.
    QVERIFY(QFile::remove(m_source + u"/readme.txt"_s));
    QVERIFY(!writer.write());
    QVERIFY(!writer.errorString().isEmpty());
    QVERIFY(onlyTheReservedFile());
}

QTEST_GUILESS_MAIN(tst_SevenZipWriter)
#include "tst_sevenzipwriter.moc"
