#include "Archive/Extraction/Utf8LocaleScope.h"
#include "Archive/Zip/ZipCatalog.h"
#include "Archive/Zip/ZipDirectory.h"
#include "Archive/Zip/ZipEngine.h"
#include "Archive/Zip/ZipExtractor.h"
#include "Archive/Zip/ZipHandle.h"
#include "ChildProcess.h"
#include "FileTree.h"
#include "NearlyFullDisk.h"
#include "RarBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <clocale>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using RarBytes::appendLe16;
using RarBytes::appendLe32;
// Entry name -> zip method (0 stored, 8 deflated).
using Methods = QMap<QString, int>;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

// A zip entry written byte by byte, for what no well-behaved writer makes:
// legacy names, hostile paths, odd methods.
struct Entry
{
    QByteArray name;
    QByteArray data; // a link's target for S_IFLNK
    quint32 mode = 0100644;
    quint16 method = 0; // data is stored as given whatever the method says
    quint16 flags = 0; // 0x800: name is UTF-8
};
using EntryList = QList<Entry>;

Entry symlinkEntry(const QByteArray& name, const QByteArray& target)
{
    return { name, target, 0120777 };
}

// The fields local and central headers share, from "version needed" to the name length.
void putCommon(QByteArray& out, const Entry& entry)
{
    appendLe16(out, 20);
    appendLe16(out, entry.flags);
    appendLe16(out, entry.method);
    appendLe32(out, 0x5a210000); // 2025-01-01 00:00:00, DOS format
    appendLe32(out, RarBytes::crc32(entry.data));
    appendLe32(out, quint32(entry.data.size()));
    appendLe32(out, quint32(entry.data.size()));
    appendLe16(out, quint16(entry.name.size()));
}

QByteArray rawZip(const EntryList& entries)
{
    QByteArray body;
    QByteArray directory;
    for (const Entry& entry : entries) {
        const auto offset = quint32(body.size());
        appendLe32(body, 0x04034b50);
        putCommon(body, entry);
        appendLe16(body, 0);
        body += entry.name + entry.data;
        appendLe32(directory, 0x02014b50);
        // Made on Unix: the mode is in the high half of the external attributes.
        appendLe16(directory, 0x0314);
        putCommon(directory, entry);
        directory.append(8, '\0'); // extra and comment lengths, disk, internal attributes
        appendLe32(directory, entry.mode << 16);
        appendLe32(directory, offset);
        directory += entry.name;
    }
    QByteArray end;
    appendLe32(end, 0x06054b50);
    appendLe32(end, 0);
    appendLe16(end, quint16(entries.size()));
    appendLe16(end, quint16(entries.size()));
    appendLe32(end, quint32(directory.size()));
    appendLe32(end, quint32(body.size()));
    appendLe16(end, 0);
    return body + directory + end;
}

struct Result
{
    ArchiveErrorType error = ArchiveErrorType::none;
    QList<float> progress;
};

// Through the handle, as a job runs it: opened, given the password if any,
// extracted into `destination` (made first).
Result extract(const QString& archive, const QString& destination,
               const std::optional<QString>& password = {}, bool cancelAtFirstProgress = false)
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
    if (result.error == ArchiveErrorType::none && QDir().mkpath(destination))
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

bool setMode(const QString& path, mode_t mode)
{
    return chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// The tree both directions start from: text that deflates, an empty file, a
// script in a folder of a Unicode name, random bytes that do not deflate, an
// empty folder and a link.
bool writeSampleTree(const QString& tree)
{
    return FileTree::write(tree,
                           { { u"notes.txt"_s, QByteArray("notes, notes\n").repeated(5000) },
                             { u"empty.txt"_s, {} },
                             { u"Ünïcode 文件/run.sh"_s, "#!/bin/sh\n" },
                             { u"sub/big.bin"_s, FileTree::randomBytes(300 * 1024, 7) },
                             { u"sub/empty folder"_s, "<dir>" },
                             { u"link"_s, "-> notes.txt" },
                             // A local header too long for the first read.
                             { QString(200, u'a') + u'/' + QString(200, u'b') + u'/' + QString(150, u'c'),
                               "far down\n" } })
        && setMode(tree + u"/Ünïcode 文件/run.sh"_s, 0755);
}

} // namespace

// Our zip writer and zip extraction, each against real archives and tools.
class tst_Zip : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void legacyAndUtf8Names_data();
    void legacyAndUtf8Names();
    void outcomes_data();
    void outcomes();
    void hostileEntries_data();
    void hostileEntries();
    void cancelStopsAtOnceAndEmptyArchiveSucceeds();
    void otherWritersReadAsLibarchiveReadsThem_data();
    void otherWritersReadAsLibarchiveReadsThem();
    void readersAcceptWhatWeWrite_data();
    void readersAcceptWhatWeWrite();
    void archiveAmongItsInputsIsSkipped();
    void stopsOnCancelAndUnreadableInput();

private:
    QString fixture(const QString& name, const QByteArray& bytes) const;

    QTemporaryDir m_fixtures;
    QTemporaryDir m_root;
    QString m_destination;
};

void tst_Zip::initTestCase()
{
    const QString secret = fixture(u"secret.txt"_s, QByteArray("secret text ").repeated(2000));
    for (const QString& method : { u"ZipCrypto"_s, u"AES256"_s }) {
        QCOMPARE(ChildProcess::run(u"7zz"_s,
                                   { u"a"_s, u"-tzip"_s, u"-pSECRET"_s, u"-mem="_s + method,
                                     m_fixtures.filePath(method + u".zip"_s), secret }),
                 0);
        QVERIFY(isProtected(m_fixtures.filePath(method + u".zip"_s)));
    }
}

void tst_Zip::init()
{
    m_destination = m_root.filePath(u"dest"_s);
    QVERIFY(QDir(m_destination).removeRecursively());
    QVERIFY(QDir().mkdir(m_destination));
}

QString tst_Zip::fixture(const QString& name, const QByteArray& bytes) const
{
    const QString path = m_fixtures.filePath(name);
    return FileTree::writeFile(m_fixtures.path(), name, bytes) ? path : QString();
}

void tst_Zip::legacyAndUtf8Names_data()
{
    QTest::addColumn<QByteArray>("processLocale");
    QTest::newRow("UTF-8 locale") << "C.UTF-8"_ba;
    // Under "C" libarchive cannot convert UTF-8 names and hands out none at all.
    QTest::newRow("C locale") << "C"_ba;
}

void tst_Zip::legacyAndUtf8Names()
{
    QFETCH(QByteArray, processLocale);
    const QByteArray figures = QByteArray("figures").repeated(750'000); // about 5 MiB, stored
    const QString archive = fixture(u"gbk.zip"_s,
                                    rawZip({ { gbk(u"项目计划/"_s), {}, 040755 },
                                             { gbk(u"项目计划/会议记录.txt"_s), "minutes" },
                                             { gbk(u"财务报表2023.xlsx"_s), figures },
                                             { u"Ünïcode.txt"_s.toUtf8(), "utf8", 0100644, 0, 0x800 },
                                             // deflated into no bytes at all, as some writers do
                                             { "empty.txt", {}, 0100644, 8 } }));
    const QByteArray previousLocale = setlocale(LC_ALL, nullptr);
    setlocale(LC_ALL, processLocale.constData());
    const Result result = extract(archive, m_destination);
    setlocale(LC_ALL, previousLocale.constData());
    QCOMPARE(result.error, ArchiveErrorType::none);
    QCOMPARE(FileTree::readFile(m_destination + u"/项目计划/会议记录.txt"_s), "minutes"_ba);
    QCOMPARE(FileTree::readFile(m_destination + u"/财务报表2023.xlsx"_s), figures);
    QCOMPARE(FileTree::readFile(m_destination + u"/Ünïcode.txt"_s), "utf8"_ba);
    QVERIFY(QFileInfo(m_destination + u"/empty.txt"_s).isFile());
    // By bytes, growing to the whole: the big entry moves it a fifth at a time,
    // where counting entries would go by quarters or thirds.
    QVERIFY(std::is_sorted(result.progress.cbegin(), result.progress.cend()));
    QCOMPARE(result.progress.value(result.progress.size() - 1), 1.0f);
    QVERIFY2(std::any_of(result.progress.cbegin(), result.progress.cend(),
                         [](float fraction) { return std::abs(fraction - 0.4f) < 0.01f; }),
             qPrintable(QDebug::toString(result.progress)));
}

void tst_Zip::outcomes_data()
{
    QTest::addColumn<QString>("archive");
    QTest::addColumn<std::optional<QString>>("password");
    QTest::addColumn<int>("error");

    const auto row = [this](const char* name, const QByteArray& bytes, int error) {
        QTest::newRow(name) << fixture(QString::fromLatin1(name) + u".zip"_s, bytes)
                            << std::optional(u"password"_s) << error;
    };
    const QString aes = m_fixtures.filePath(u"AES256.zip"_s);
    QTest::newRow("AES256, right") << aes << std::optional(u"SECRET"_s) << int(ArchiveErrorType::none);
    QTest::newRow("AES256, wrong") << aes << std::optional(u"secret"_s)
                                   << int(ArchiveErrorType::passwordInvalid);
    QTest::newRow("ZipCrypto, none") << m_fixtures.filePath(u"ZipCrypto.zip"_s) << std::optional<QString>()
                                     << int(ArchiveErrorType::passwordInvalid);

    const QByteArray valid = rawZip({ { "a.txt", QByteArray("data ").repeated(100) } });
    QByteArray badCrc = valid;
    badCrc[40] = 'X';
    // A PKWARE strong-encryption header (IV, then a decryption header naming
    // AES-256): libarchive recognises it and gives up.
    const QByteArray strongEncryption = QByteArray::fromHex("1000") + QByteArray(16, '\x11')
        + QByteArray::fromHex("200000000300106600010100000000000000") + QByteArray(32, '\0');
    row("empty file", {}, ArchiveErrorType::badArchive);
    row("truncated", valid.left(valid.size() / 2), ArchiveErrorType::badArchive);
    row("bad CRC", badCrc, ArchiveErrorType::badArchive);
    row("implode", rawZip({ { "a.txt", "data", 0100644, 6 } }), ArchiveErrorType::unsupported);
    row("strong encryption", rawZip({ { "a.txt", strongEncryption, 0100644, 0, 0x41 } }),
        ArchiveErrorType::unsupported);

    // Records that contradict the file: `valid` holds a.txt, 500 bytes stored.
    const qsizetype directory = 30 + 5 + 500;
    const qsizetype end = directory + 46 + 5;
    const auto patched = [](QByteArray bytes, qsizetype at, auto value) {
        qToLittleEndian(value, bytes.data() + at);
        return bytes;
    };
    QByteArray overlapping = valid.left(end) + valid.mid(directory, end - directory) + valid.mid(end);
    overlapping = patched(patched(patched(overlapping, end + 51 + 8, quint16(2)), end + 51 + 10, quint16(2)),
                          end + 51 + 12, quint32(2 * 51));
    QByteArray otherName = valid;
    otherName[directory + 46] = 'b';
    row("entries overlap", overlapping, ArchiveErrorType::badArchive);
    row("sizes that cannot both be true", patched(valid, directory + 24, quint32(501)),
        ArchiveErrorType::badArchive);
    row("another name in the local header", otherName, ArchiveErrorType::badArchive);
    row("more entries than the directory holds",
        patched(patched(valid, end + 8, quint16(0xfffe)), end + 10, quint16(0xfffe)),
        ArchiveErrorType::badArchive);
    row("directory outside the file", patched(valid, end + 16, quint32(valid.size() + 100)),
        ArchiveErrorType::badArchive);
    QByteArray deflated = rawZip({ { "a.txt", QByteArray::fromHex("4b4c4a4e0100"), 0100644, 8 } });
    // "abcd" deflated, declared one byte shorter than it inflates to.
    row("deflated data that disagrees with its sizes", patched(deflated, 30 + 5 + 6 + 24, quint32(3)),
        ArchiveErrorType::badArchive);
}

void tst_Zip::outcomes()
{
    QFETCH(QString, archive);
    QFETCH(std::optional<QString>, password);
    QFETCH(int, error);

    const Result result = extract(archive, m_destination, password);
    QCOMPARE(int(result.error), error);
    if (error == ArchiveErrorType::none) {
        QCOMPARE(FileTree::readFile(m_destination + u"/secret.txt"_s),
                 FileTree::readFile(m_fixtures.filePath(u"secret.txt"_s)));
    } else {
        // No zero-filled file that looks extracted.
        QCOMPARE(FileTree::entries(m_destination), QStringList());
    }
}

void tst_Zip::hostileEntries_data()
{
    QTest::addColumn<EntryList>("entries");
    QTest::addColumn<QStringList>("extracted"); // every file holds "x"

    // Names climbing out are kept inside; each rule is the sanitiser's, tested there.
    QTest::newRow("parent, absolute") << EntryList { { "../evil1", "x" }, { "/tmp/abs", "x" } }
                                      << QStringList { u"evil1"_s, u"tmp"_s, u"tmp/abs"_s };
    QTest::newRow("outward link, then through it")
        << EntryList { symlinkEntry("up", ".."), { "up/evil", "x" } }
        << QStringList { u"up"_s, u"up/evil"_s };
    QTest::newRow("climb through an inner link")
        << EntryList { symlinkEntry("x/l1", ".."), symlinkEntry("l2", "x/l1/.."), { "l2/evil", "x" } }
        << QStringList { u"l2"_s, u"l2/evil"_s, u"x"_s, u"x/l1"_s };
    // Even a link that stays inside is never written through.
    QTest::newRow("inner links kept") << EntryList { { "data/f.txt", "x" },
                                                     symlinkEntry("short", "data/f.txt"),
                                                     symlinkEntry("folder", "data"),
                                                     { "folder/new.txt", "x" } }
                                      << QStringList { u"data"_s, u"data/f.txt"_s, u"folder"_s, u"short"_s };
    // The first of a name stays, whatever comes later under it.
    QTest::newRow("same name twice") << EntryList {
        { "same.txt", "x" }, { "same.txt", "second" }, { "same.txt/", {}, 040755 }, { "after.txt", "x" }
    } << QStringList { u"after.txt"_s, u"same.txt"_s };
}

void tst_Zip::hostileEntries()
{
    QFETCH(EntryList, entries);
    QFETCH(QStringList, extracted);

    const QString archive = fixture(u"hostile.zip"_s, rawZip(entries));
    const QStringList before = QDir(m_root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const Result result = extract(archive, m_destination);
    QCOMPARE(result.error, ArchiveErrorType::none);

    QCOMPARE(QDir(m_root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    const QMap<QString, QByteArray> tree = FileTree::snapshot(m_destination);
    QCOMPARE(tree.keys(), extracted);
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        const QString resolved = QFileInfo(m_destination + u'/' + it.key()).canonicalFilePath();
        QVERIFY2(resolved.isEmpty() || resolved == m_destination || resolved.startsWith(m_destination + u'/'),
                 qPrintable(it.key()));
        QVERIFY(it.value() == "x" || it.value() == "<dir>" || it.value().startsWith("-> "));
    }
}

// The job ends cancelled whatever the engine does; the engine itself must
// stop too, rather than write on into a folder that is going away.
void tst_Zip::cancelStopsAtOnceAndEmptyArchiveSucceeds()
{
    EntryList many;
    for (int i = 0; i < 100; ++i)
        many.append({ QByteArray::number(i) + ".txt", "x" });
    const QString archive = fixture(u"many.zip"_s, rawZip(many));
    const Result cancelled = extract(archive, m_destination, {}, true);
    QVERIFY(cancelled.error != ArchiveErrorType::none);
    // Each worker may finish the entry it holds, and no more.
    QCOMPARE_LE(cancelled.progress.size(), 9);

    const QString empty = m_fixtures.filePath(u"empty.zip"_s);
    QVERIFY(ZipEngine::createZipFile(empty, {}, {}, {}));
    QVERIFY(!isProtected(empty));
    const Result result = extract(empty, m_root.filePath(u"empty"_s));
    QCOMPARE(result.error, ArchiveErrorType::none);
    QVERIFY(result.progress.isEmpty());
}

// Archives of the common writers go to our own reader (bzip2 to libarchive),
// which must give what libarchive gives: names, content, modes, times, links.
void tst_Zip::otherWritersReadAsLibarchiveReadsThem_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments"); // run beside Tree; the archive is "out.zip"
    QTest::addColumn<bool>("ours");

    const QString python = uR"(import os, sys, zipfile
with zipfile.ZipFile('out.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    for root, folders, files in os.walk('Tree'):
        z.write(root)
        for name in files:
            z.write(os.path.join(root, name))
)"_s;
    // Made on Windows: MS-DOS attributes, backslashes between folders.
    const QString windows = uR"(import zipfile
with zipfile.ZipFile('out.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    for name, attributes in (('Tree\\', 0x10), ('Tree\\notes.txt', 0x20), ('Tree\\read-only.txt', 0x21)):
        info = zipfile.ZipInfo(name, date_time=(2024, 5, 6, 7, 8, 10))
        info.create_system, info.external_attr = 0, attributes
        z.writestr(info, b'' if name.endswith('\\') else open('Tree/notes.txt', 'rb').read())
)"_s;
    // A name in an old code page, given again in UTF-8 in Info-ZIP's Unicode Path field.
    const QString unicodePath = uR"(import struct, zipfile, zlib
raw, utf8 = b'Tree/caf\x82.txt', 'Tree/名前.txt'.encode()
info = zipfile.ZipInfo(raw.decode('cp437'), date_time=(2024, 5, 6, 7, 8, 10))
info.extra = struct.pack('<HHBI', 0x7075, 5 + len(utf8), 1, zlib.crc32(raw)) + utf8
with zipfile.ZipFile('out.zip', 'w') as z:
    z.writestr(info, open('Tree/notes.txt', 'rb').read())
)"_s;
    QTest::newRow("Info-ZIP") << u"zip"_s << QStringList { u"-qry"_s, u"out.zip"_s, u"Tree"_s } << true;
    QTest::newRow("7-Zip") << u"7zz"_s
                           << QStringList { u"a"_s, u"-tzip"_s, u"-snl"_s, u"out.zip"_s, u"Tree"_s } << true;
    QTest::newRow("libarchive") << u"bsdtar"_s
                                << QStringList { u"--format"_s, u"zip"_s, u"-cf"_s, u"out.zip"_s, u"Tree"_s }
                                << true;
    QTest::newRow("Python") << u"python3"_s << QStringList { u"-c"_s, python } << true;
    QTest::newRow("Python, as on Windows") << u"python3"_s << QStringList { u"-c"_s, windows } << true;
    QTest::newRow("Info-ZIP, zip64") << u"zip"_s
                                     << QStringList { u"-qry"_s, u"-fz"_s, u"out.zip"_s, u"Tree"_s } << true;
    // Streamed: sizes after the data, in data descriptors.
    QTest::newRow("Info-ZIP, streamed")
        << u"sh"_s << QStringList { u"-c"_s, u"zip -q out.zip - < Tree/notes.txt"_s } << true;
    QTest::newRow("bzip2, left to libarchive")
        << u"zip"_s << QStringList { u"-qry"_s, u"-Z"_s, u"bzip2"_s, u"out.zip"_s, u"Tree"_s } << false;
    QTest::newRow("Unicode Path field, left to libarchive")
        << u"python3"_s << QStringList { u"-c"_s, unicodePath } << false;
}

void tst_Zip::otherWritersReadAsLibarchiveReadsThem()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(bool, ours);

    QTemporaryDir dir;
    const QString tree = dir.filePath(u"Tree"_s);
    QVERIFY(writeSampleTree(tree));
    QCOMPARE(ChildProcess::run(program, arguments, nullptr, dir.path()), 0);
    const QString archive = dir.filePath(u"out.zip"_s);
    {
        QFile file(archive);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(ZipDirectory::read(file.handle(), file.size()).verdict == ZipDirectory::Verdict::ours, ours);
    }

    QCOMPARE(extract(archive, dir.filePath(u"ours"_s)).error, ArchiveErrorType::none);
    const QString theirs = dir.filePath(u"theirs"_s);
    QVERIFY(QDir().mkpath(theirs));
    const Utf8LocaleScope utf8Locale;
    const std::optional<ZipCatalog> catalog = ZipCatalog::read(archive);
    QVERIFY(catalog);
    QCOMPARE(ZipExtractor({}, {}).extract(archive, *catalog, theirs, std::nullopt), std::nullopt);
    const QMap<QString, QByteArray> byUs = FileTree::snapshot(dir.filePath(u"ours"_s), true);
    QCOMPARE(byUs, FileTree::snapshot(theirs, true));
    // Both read the notes as they were written, under whatever name.
    const QByteArray notes = FileTree::readFile(tree + u"/notes.txt"_s);
    QVERIFY(std::any_of(byUs.cbegin(), byUs.cend(), [&](const QByteArray& d) { return d.endsWith(notes); }));
}

// Every row is packed, then tested and read back by unzip, 7zz, Python and
// bsdtar and by our own extraction, each of which must see the source tree
// as it was: names, content, modes, times and links.
void tst_Zip::readersAcceptWhatWeWrite_data()
{
    QTest::addColumn<QString>("kind");
    // Entries whose method is checked: 0 stored, 8 deflated.
    QTest::addColumn<Methods>("methods");
    QTest::newRow("tree") << u"tree"_s
                          << Methods { { u"Tree/notes.txt"_s, 8 },
                                       { u"Tree/empty.txt"_s, 0 },
                                       { u"Tree/sub/big.bin"_s, 0 } };
    QTest::newRow("multi-piece") << u"multi-piece"_s << Methods { { u"Tree/log.txt"_s, 8 } };
    QTest::newRow("incompressible start")
        << u"incompressible start"_s << Methods { { u"Tree/mixed.bin"_s, 0 } };
    QTest::newRow("zip64 by count") << u"many"_s << Methods();
}

void tst_Zip::readersAcceptWhatWeWrite()
{
    QFETCH(QString, kind);
    QFETCH(Methods, methods);
    QTemporaryDir dir;
    const QString source = dir.filePath(u"src"_s);
    const QString tree = source + u"/Tree"_s;
    QVERIFY(QDir().mkpath(tree + u"/sub/empty folder"_s));
    // A folder given with a trailing slash still lands under its name.
    QStringList contents { tree + u'/' };
    if (kind == u"tree"_s) {
        QVERIFY(writeSampleTree(tree) && FileTree::writeFile(source, u"single.txt"_s, {}));
        contents << source + u"/single.txt"_s;
        QVERIFY(setMode(tree + u"/empty.txt"_s, 0640) && setMode(tree + u"/sub/empty folder"_s, 0700));
        QVERIFY(QFile::link(u"."_s, tree + u"/loop"_s)); // followed, it would never end
    } else if (kind == u"multi-piece"_s) {
        QByteArray log;
        for (int i = 0; log.size() < 11 * 1024 * 1024; ++i)
            log += "line " + QByteArray::number(qint64(i) * 7919 % 100003) + " of the log\n";
        QVERIFY(FileTree::writeFile(tree, u"log.txt"_s, log));
    } else if (kind == u"incompressible start"_s) {
        QVERIFY(
            FileTree::writeFile(tree, u"mixed.bin"_s,
                                FileTree::randomBytes(5 * 1024 * 1024, 5) + QByteArray(5 * 1024 * 1024, 0)));
    } else {
        for (int i = 0; i < 65'600; ++i)
            QVERIFY(FileTree::writeFile(tree, QString::number(i), {}));
    }
    // Times in the past, which an extraction made now cannot get by chance;
    // children before their folders, whose times the children's changes would move.
    const QStringList paths = FileTree::snapshot(source).keys();
    const timespec past[2] = { { 1'600'000'000, 0 }, { 1'600'000'000, 0 } };
    for (auto it = paths.crbegin(); it != paths.crend(); ++it)
        QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(source + u'/' + *it).constData(), past,
                           AT_SYMLINK_NOFOLLOW),
                 0);
    const QMap<QString, QByteArray> expected = FileTree::snapshot(source, true);

    // Written over the empty file a job reserves.
    const QString archive = dir.filePath(u"out.zip"_s);
    QVERIFY(FileTree::writeFile(dir.path(), u"out.zip"_s, {}));
    QList<QPair<quint64, quint64>> progress;
    QVERIFY(ZipEngine::createZipFile(
        archive, contents, [] { return true; },
        [&](quint64 entry, quint64 total) {
            progress.append({ entry, total });
        }));
    const auto entries = quint64(expected.size());
    QCOMPARE(quint64(progress.size()), entries);
    for (qsizetype i = 0; i < progress.size(); ++i)
        QCOMPARE(progress.at(i), qMakePair(quint64(i + 1), entries));

    QCOMPARE(ChildProcess::run(u"unzip"_s, { u"-tqq"_s, archive }), 0);
    QCOMPARE(ChildProcess::run(u"7zz"_s, { u"t"_s, archive }), 0);
    // Python checks every CRC and the content, and names each entry's method.
    const QString script = uR"(import os, stat, sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
assert archive.testzip() is None
for info in archive.infolist():
    if not info.is_dir() and not stat.S_ISLNK(info.external_attr >> 16):
        with open(os.path.join(sys.argv[2], info.filename), 'rb') as f:
            assert f.read() == archive.read(info), info.filename
    sys.stdout.buffer.write(b'%d %s\n' % (info.compress_type, info.filename.encode()))
)"_s;
    QByteArray listing;
    QCOMPARE(ChildProcess::run(u"python3"_s, { u"-c"_s, script, archive, source }, &listing), 0);
    for (auto it = methods.cbegin(); it != methods.cend(); ++it)
        QVERIFY2(
            listing.contains(QByteArray(QByteArray::number(it.value()) + ' ' + it.key().toUtf8() + '\n')),
            qPrintable(it.key()));

    const QString byBsdtar = dir.filePath(u"bsdtar"_s);
    QVERIFY(QDir().mkpath(byBsdtar));
    QCOMPARE(ChildProcess::run(u"bsdtar"_s, { u"-xpf"_s, archive, u"-C"_s, byBsdtar }), 0);
    QCOMPARE(FileTree::snapshot(byBsdtar, true), expected);
    const QString byUs = dir.filePath(u"ours"_s);
    QCOMPARE(extract(archive, byUs).error, ArchiveErrorType::none);
    QCOMPARE(FileTree::snapshot(byUs, true), expected);
}

void tst_Zip::archiveAmongItsInputsIsSkipped()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"Folder"_s);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(FileTree::writeFile(folder, u"file.txt"_s, "content"));
    // The same file under another path text.
    QVERIFY(QFile::link(folder, dir.filePath(u"alias"_s)));
    const QString archive = dir.filePath(u"alias/../alias/Folder.zip"_s);
    QVERIFY(FileTree::writeFile(folder, u"Folder.zip"_s, {}));

    QVERIFY(ZipEngine::createZipFile(archive, { folder }, {}, {}));
    const QString output = dir.filePath(u"out"_s);
    QCOMPARE(extract(archive, output).error, ArchiveErrorType::none);
    QCOMPARE(FileTree::snapshot(output).keys(), QStringList({ u"Folder"_s, u"Folder/file.txt"_s }));
}

void tst_Zip::stopsOnCancelAndUnreadableInput()
{
    QTemporaryDir dir;
    // Three pieces.
    QVERIFY(FileTree::write(dir.path(),
                            { { u"big.bin"_s, QByteArray(10 * 1024 * 1024, 'x') },
                              { u"out.zip"_s, {} },
                              { u"random.bin"_s, FileTree::randomBytes(3 * 1024 * 1024, 3) } }));
    const QString big = dir.filePath(u"big.bin"_s);
    const QString archive = dir.filePath(u"out.zip"_s);
    const QString random = dir.filePath(u"random.bin"_s);
    const QStringList untouched { u"big.bin"_s, u"out.zip"_s, u"random.bin"_s };

    QVERIFY(!ZipEngine::createZipFile(archive, { big }, [] { return false; }, {}));
    // Asked before the entry and before each piece: a large file is stopped inside.
    int asked = 0;
    QVERIFY(!ZipEngine::createZipFile(archive, { big }, [&] { return ++asked < 3; }, {}));
    QCOMPARE(asked, 3);
    QCOMPARE(FileTree::entries(dir.path()), untouched);

    QVERIFY(!ZipEngine::createZipFile(archive, { big, dir.filePath(u"missing"_s) }, {}, {}));
    QVERIFY(!ZipEngine::createZipFile(archive, { u"/"_s }, {}, {}));
    QCOMPARE(FileTree::entries(dir.path()), untouched);
    {
        // A full disk past 1 MiB.
        const NearlyFullDisk nearlyFull(1024 * 1024);
        QVERIFY(nearlyFull.isActive());
        QVERIFY(!ZipEngine::createZipFile(archive, { random }, {}, {}));
    }
    QCOMPARE(FileTree::entries(dir.path()), untouched);
    QCOMPARE(QFileInfo(archive).size(), 0);

    // Something else than the empty reserved file is never replaced.
    QVERIFY(FileTree::writeFile(dir.path(), u"out.zip"_s, "taken"));
    QVERIFY(!ZipEngine::createZipFile(archive, { big }, {}, {}));
    QCOMPARE(FileTree::readFile(archive), QByteArray("taken"));
    QCOMPARE(FileTree::entries(dir.path()), untouched);
}

QTEST_GUILESS_MAIN(tst_Zip)
#include "tst_zip.moc"
