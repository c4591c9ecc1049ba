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

class tst_LegacyNameDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decodesArchiveNames_data();
    void decodesArchiveNames();
    void utf8NamesStayUtf8();
};

void tst_LegacyNameDecoder::decodesArchiveNames_data()
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

void tst_LegacyNameDecoder::decodesArchiveNames()
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

void tst_LegacyNameDecoder::utf8NamesStayUtf8()
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

QTEST_GUILESS_MAIN(tst_LegacyNameDecoder)
#include "tst_legacynamedecoder.moc"
