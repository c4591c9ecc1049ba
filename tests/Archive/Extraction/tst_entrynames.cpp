#include "Archive/Extraction/EntryPathSanitizer.h"
#include "Archive/Extraction/LegacyNameDecoder.h"

#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QList<QByteArray> encoded(const QStringList& names, const char* encoding)
{
    QList<QByteArray> raw;
    for (const QString& name : names) {
        QStringEncoder encoder(encoding);
        raw.append(encoder(name));
    }
    return raw;
}

const QStringList kChineseSimplified
    = { u"报告.docx"_s, u"项目计划/"_s, u"项目计划/会议记录.txt"_s, u"财务报表2023.xlsx"_s };
const QStringList kChineseTraditional
    = { u"報告.docx"_s, u"專案計畫/"_s, u"專案計畫/會議記錄.txt"_s, u"財務報表2023.xlsx"_s };
const QStringList kJapanese
    = { u"報告書.docx"_s, u"プロジェクト/"_s, u"プロジェクト/議事録.txt"_s, u"売上データ.xlsx"_s };
const QStringList kWestern = { u"Größe.txt"_s, u"café/"_s, u"café/Übersicht.doc"_s, u"naïve résumé.txt"_s };

} // namespace

// What an entry's stored name becomes on disk: decoded from a legacy
// encoding, then kept inside the destination, links included.
class tst_EntryNames : public QObject
{
    Q_OBJECT

private slots:
    void decodesArchiveNames_data();
    void decodesArchiveNames();
    void utf8NamesStayUtf8();
    void sanitize_data();
    void sanitize();
    void linkTarget_data();
    void linkTarget();
};

void tst_EntryNames::decodesArchiveNames_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QByteArray>("writtenAs");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("chosen");

    QTest::newRow("GBK, any locale") << kChineseSimplified << "GBK"_ba << u"en_US"_s << "GB18030"_ba;
    QTest::newRow("Big5 beats a zh_CN locale") << kChineseTraditional << "Big5"_ba << u"zh_CN"_s << "Big5"_ba;
    QTest::newRow("Shift_JIS, any locale") << kJapanese << "Shift_JIS"_ba << u"C"_s << "Shift_JIS"_ba;
    QTest::newRow("CP437") << kWestern << "IBM437"_ba << u"en_US"_s << "IBM437"_ba;
    // GB18030 would accept many CP437 names; these are not valid GBK.
    QTest::newRow("CP437 under zh_CN") << kWestern << "IBM437"_ba << u"zh_CN"_s << "IBM437"_ba;
    // One short name is too little for the detector: the locale decides.
    QTest::newRow("short GBK, zh_CN")
        << QStringList { u"报告.docx"_s } << "GBK"_ba << u"zh_CN"_s << "GB18030"_ba;
    QTest::newRow("short Big5, zh_TW")
        << QStringList { u"報告.txt"_s } << "Big5"_ba << u"zh_TW"_s << "Big5"_ba;
    QTest::newRow("short Shift_JIS, ja")
        << QStringList { u"資料.txt"_s } << "Shift_JIS"_ba << u"ja_JP"_s << "Shift_JIS"_ba;
}

void tst_EntryNames::decodesArchiveNames()
{
    QFETCH(QStringList, names);
    QFETCH(QByteArray, writtenAs);
    QFETCH(QString, locale);
    QFETCH(QByteArray, chosen);

    const QList<QByteArray> raw = encoded(names, writtenAs.constData());
    const LegacyNameDecoder decoder(raw, locale);
    QCOMPARE(decoder.encoding(), chosen);
    for (qsizetype i = 0; i < raw.size(); ++i)
        QCOMPARE(decoder.decode(raw.at(i)), names.at(i));
}

void tst_EntryNames::utf8NamesStayUtf8()
{
    // An archive can mix flagged UTF-8 names with legacy ones.
    QList<QByteArray> raw = encoded(kChineseSimplified, "GBK");
    raw.append(u"Ünïcode 文件.txt"_s.toUtf8());
    raw.append("plain.txt");
    const LegacyNameDecoder decoder(raw, u"en_US"_s);
    QCOMPARE(decoder.encoding(), "GB18030"_ba);
    QCOMPARE(decoder.decode(raw.at(4)), u"Ünïcode 文件.txt"_s);
    QCOMPARE(decoder.decode(raw.at(0)), kChineseSimplified.at(0));

    const LegacyNameDecoder allUtf8({ u"报告.docx"_s.toUtf8(), "a.txt" }, u"zh_CN"_s);
    QVERIFY(allUtf8.encoding().isEmpty());
    QCOMPARE(allUtf8.decode(u"报告.docx"_s.toUtf8()), u"报告.docx"_s);
}

void tst_EntryNames::sanitize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << u"a/b.txt"_s << u"a/b.txt"_s;
    QTest::newRow("folder entry") << u"a/b/"_s << u"a/b"_s;
    QTest::newRow("parent") << u"../evil"_s << u"evil"_s;
    QTest::newRow("parent inside") << u"a/../../evil"_s << u"a/evil"_s;
    QTest::newRow("absolute") << u"/tmp/abs"_s << u"tmp/abs"_s;
    QTest::newRow("current and empty") << u"./a//./b"_s << u"a/b"_s;
    QTest::newRow("windows drive") << u"C:\\evil"_s << u"evil"_s;
    QTest::newRow("windows parent") << u"..\\..\\evil.exe"_s << u"evil.exe"_s;
    QTest::newRow("windows rooted") << u"\\rooted.txt"_s << u"rooted.txt"_s;
    QTest::newRow("unc") << u"\\\\server\\share\\x"_s << u"server/share/x"_s;
    QTest::newRow("drive later is a name") << u"a/C:/b"_s << u"a/C:/b"_s;
    QTest::newRow("colon name kept") << u"C:notes.txt"_s << u"C:notes.txt"_s;
    QTest::newRow("dots in names") << u"..a/b../...txt"_s << u"..a/b../...txt"_s;
    QTest::newRow("root only") << u"/"_s << QString();
    QTest::newRow("parents only") << u"../../"_s << QString();
    QTest::newRow("drive only") << u"D:\\"_s << QString();
    QTest::newRow("empty") << QString() << QString();
}

void tst_EntryNames::sanitize()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    const QString sanitized = EntryPathSanitizer::sanitize(name);
    QCOMPARE(sanitized, expected);
    QVERIFY(!sanitized.startsWith(u'/'));
    QVERIFY(!sanitized.split(u'/').contains(u".."_s));
}

void tst_EntryNames::linkTarget_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("inside");

    QTest::newRow("sibling") << u"link"_s << u"file.txt"_s << true;
    QTest::newRow("down") << u"link"_s << u"a/b/c"_s << true;
    QTest::newRow("itself") << u"a/link"_s << u"."_s << true;
    QTest::newRow("up to the top") << u"a/b/link"_s << u"../../file"_s << true;
    QTest::newRow("up one too many") << u"a/b/link"_s << u"../../../file"_s << false;
    QTest::newRow("parent of the top") << u"link"_s << u".."_s << false;
    QTest::newRow("up and up") << u"link"_s << u"../.."_s << false;
    QTest::newRow("absolute") << u"link"_s << u"/tmp"_s << false;
    QTest::newRow("absolute inside-looking") << u"a/link"_s << u"/a"_s << false;
    // "x/.." is "." only when x is a folder; through a link it climbs elsewhere.
    QTest::newRow("climb after a name") << u"link"_s << u"x/.."_s << false;
    QTest::newRow("climb after a name, deep") << u"a/b/link"_s << u"../x/../y"_s << false;
    QTest::newRow("empty") << u"link"_s << QString() << false;
}

void tst_EntryNames::linkTarget()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(bool, inside);
    QCOMPARE(EntryPathSanitizer::isLinkTargetInside(link, target), inside);
}

QTEST_GUILESS_MAIN(tst_EntryNames)
#include "tst_entrynames.moc"
