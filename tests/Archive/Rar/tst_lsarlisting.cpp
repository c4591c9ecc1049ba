#include "Archive/Rar/LsarListing.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray capture(const QString& name)
{
    QFile file(QStringLiteral(RAR_TEST_DATA) + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList names(const LsarListing& listing)
{
    QStringList result;
    for (const LsarListing::Entry& entry : listing.entries())
        result.append(entry.name);
    return result;
}

} // namespace

class tst_LsarListing : public QObject
{
    Q_OBJECT

private slots:
    void capturedListings_data();
    void capturedListings();
    void entryDetails();
    void cutAnywhereNeverInventsEntries();
    void textAfterTheCutIsIgnored();
};

void tst_LsarListing::capturedListings_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("isRar");
    QTest::addColumn<bool>("truncated");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("volumes");

    QTest::newRow("RAR4") << u"lsar-1.10.1-rar4-plain.json"_s << u"RAR"_s << true << false << 0 << false << 4
                          << 1;
    QTest::newRow("RAR5") << u"lsar-1.10.1-rar5-plain.json"_s << u"RAR 5"_s << true << false << 0 << false
                          << 4 << 1;
    QTest::newRow("RAR4 encrypted entries")
        << u"lsar-1.10.1-rar4-encrypted.json"_s << u"RAR"_s << true << false << 0 << true << 4 << 1;
    // libarchive does not flag RAR5 encrypted entries; lsar does.
    QTest::newRow("RAR5 encrypted entries")
        << u"lsar-1.10.1-rar5-encrypted.json"_s << u"RAR 5"_s << true << false << 0 << true << 4 << 1;
    QTest::newRow("RAR4 encrypted names")
        << u"lsar-1.10.1-rar4-encrypted-headers.json"_s << QString() << false << true << 0 << false << 0 << 0;
    QTest::newRow("RAR5 encrypted names")
        << u"lsar-1.10.1-rar5-encrypted-headers.json"_s << QString() << false << true << 0 << false << 0 << 0;
    QTest::newRow("RAR4 self-extracting") << u"lsar-1.10.1-rar4-self-extracting.json"_s << u"Embedded RAR"_s
                                          << true << false << 0 << false << 4 << 1;
    QTest::newRow("RAR4 volumes") << u"lsar-1.10.1-rar4-volumes.json"_s << u"RAR"_s << true << false << 0
                                  << false << 2 << 4;
    QTest::newRow("RAR5 volumes") << u"lsar-1.10.1-rar5-volumes.json"_s << u"RAR 5"_s << true << false << 0
                                  << false << 2 << 4;
    QTest::newRow("RAR5 cut short") << u"lsar-1.10.1-rar5-truncated.json"_s << u"RAR 5"_s << true << false
                                    << 2 << false << 3 << 1;
    QTest::newRow("zip named .rar") << u"lsar-1.10.1-zip-named-rar.json"_s << u"Zip"_s << false << false << 0
                                    << false << 1 << 1;
    QTest::newRow("garbage") << u"lsar-1.10.1-garbage.json"_s << QString() << false << false << 0 << false
                             << 0 << 0;
    QTest::newRow("missing file") << u"lsar-1.10.1-missing.json"_s << QString() << false << false << 11
                                  << false << 0 << 0;
    QTest::newRow("no output") << QString() << QString() << false << true << 0 << false << 0 << 0;
}

void tst_LsarListing::capturedListings()
{
    QFETCH(QString, file);
    const QByteArray output = file.isEmpty() ? QByteArray() : capture(file);
    QVERIFY(file.isEmpty() || !output.isEmpty());

    const LsarListing listing = LsarListing::parse(output);
    QTEST(listing.formatName(), "format");
    QTEST(listing.isRar(), "isRar");
    QTEST(listing.isTruncated(), "truncated");
    QTEST(listing.error(), "error");
    QTEST(listing.isEncrypted(), "encrypted");
    QTEST(int(listing.entries().size()), "entries");
    QTEST(int(listing.volumes().size()), "volumes");
}

void tst_LsarListing::entryDetails()
{
    const LsarListing plain = LsarListing::parse(capture(u"lsar-1.10.1-rar4-plain.json"_s));
    QCOMPARE(names(plain),
             QStringList({ u"hello.txt"_s, u"dir"_s, u"dir/inner.txt"_s, u"Ünïcödé 名前.txt"_s }));
    QVERIFY(plain.entries().at(1).isDirectory);
    QVERIFY(!plain.entries().at(0).isDirectory);
    QCOMPARE(plain.totalSize(), qint64(12 + 6 + 8));

    const LsarListing encrypted = LsarListing::parse(capture(u"lsar-1.10.1-rar5-encrypted.json"_s));
    QVERIFY(encrypted.entries().at(0).isEncrypted);
    QVERIFY(!encrypted.entries().at(1).isEncrypted);

    const LsarListing volumes = LsarListing::parse(capture(u"lsar-1.10.1-rar5-volumes.json"_s));
    // Where the packed data ends, over the volumes taken as one stream: RAR5
    // lists its parts directly, RAR4 inside solid objects.
    QCOMPARE(volumes.dataEnd(), qint64(10256 + 6));
    QCOMPARE(LsarListing::parse(capture(u"lsar-1.10.1-rar4-volumes.json"_s)).dataEnd(), qint64(10298 + 6));
    QCOMPARE(LsarListing::parse(capture(u"lsar-1.10.1-garbage.json"_s)).dataEnd(), qint64(0));
}

void tst_LsarListing::cutAnywhereNeverInventsEntries()
{
    // lsar can stop at any byte; whatever is parsed must be a prefix of the
    // real listing, with names that are whole.
    const QByteArray full = capture(u"lsar-1.10.1-rar5-plain.json"_s);
    const QStringList expected = names(LsarListing::parse(full));
    int withEntries = 0;
    for (qsizetype cut = 0; cut < full.size() - 2; ++cut) {
        const LsarListing listing = LsarListing::parse(full.left(cut));
        const QStringList seen = names(listing);
        QVERIFY2(seen.size() <= expected.size(), qPrintable(QString::number(cut)));
        for (qsizetype i = 0; i < seen.size(); ++i) {
            if (!seen.at(i).isEmpty())
                QVERIFY2(seen.at(i) == expected.at(i), qPrintable(QString::number(cut)));
        }
        withEntries += seen.isEmpty() ? 0 : 1;
    }
    QVERIFY(withEntries > full.size() / 2);
}

void tst_LsarListing::textAfterTheCutIsIgnored()
{
    // Seen when lsar's message about the password lands on the same stream.
    const QByteArray full = capture(u"lsar-1.10.1-rar4-encrypted.json"_s);
    const qsizetype secondEntry = full.indexOf("\n    {\n", full.indexOf("\n    {\n") + 1);
    QVERIFY(secondEntry > 0);
    const QByteArray cut = full.left(secondEntry)
        + "This archive requires a password to unpack. Use the -p option, or (-p), to provide one.";
    const LsarListing listing = LsarListing::parse(cut);
    QVERIFY(listing.isTruncated());
    QCOMPARE(names(listing), QStringList { u"hello.txt"_s });
    QVERIFY(listing.isEncrypted());
}

QTEST_GUILESS_MAIN(tst_LsarListing)
#include "tst_lsarlisting.moc"
