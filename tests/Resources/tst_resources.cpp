#include "App/Image.h"
#include "Resources/LocalizedText.h"
#include "Model/FileCategory.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

// Every text key and picture name the application looks up; the translations
// and the embedded images must provide exactly these.
const QStringList textKeys
    = QStringLiteral(
          "common_application_name toobar_extract toobar_add_file toobar_compress "
          "toobar_download_full_version toobar_download_full_version_tips file_selection_title "
          "click_to_delete drag_file_title drag_file_subtitle compress_format_label compress_action "
          "extract_action common_ok common_cancel enter_password archive_default empty_file_selection "
          "compress_to_title compress_to_message compress_ing compress_completion compress_failed "
          "extract_to_title extract_to_message extract_ing extract_completion extract_failed "
          "file_selection_unsupport_format")
          .split(u' ');

QStringList fileIconNames()
{
    QStringList names;
    for (int category = 0; category <= FileCategory::unknown; ++category)
        names << FileCategory(FileCategory::Value(category)).iconName();
    return names;
}

QStringList imageNames()
{
    QStringList names
        = QStringLiteral(
              "toobal_extract_icon toobal_add_file_icon toobal_compress_icon upgrade_btn alert_error_icon "
              "alert_success_icon alert_password_icon list_view_add_file_icon prev_btn next_btn close_btn")
              .split(u' ');
    for (int page = 1; page <= 3; ++page)
        names << u"upgrade_banner%1"_s.arg(page) << u"upgrade_banner%1_zh"_s.arg(page);
    return names + fileIconNames();
}

// Share of pixels whose colour or opacity differs clearly between two pictures
// of the same size.
double differingShare(const QImage& a, const QImage& b)
{
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int distance = qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q))
                + qAbs(qBlue(p) - qBlue(q)) + qAbs(qAlpha(p) - qAlpha(q));
            if (distance > 60)
                ++differing;
        }
    }
    return double(differing) / (a.width() * a.height());
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void translationFileListsEveryKeyOnce_data();
    void translationFileListsEveryKeyOnce();
    void localeShowsEveryKeyInItsLanguage_data();
    void localeShowsEveryKeyInItsLanguage();

    void imagesAreExactlyTheNamedOnes();
    void everyImageRenders_data();
    void everyImageRenders();
    void missingImageIsNullWithoutWarning();
    void fileIconsDifferAtRowSize();
};

void TestResources::cleanup()
{
    installTranslations(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestResources::translationFileListsEveryKeyOnce_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("English") << u"kestrel_en.ts"_s;
    QTest::newRow("Chinese") << u"kestrel_zh_CN.ts"_s;
}

// The .ts files are hand-written: no stray, duplicate or unfinished entries.
void TestResources::translationFileListsEveryKeyOnce()
{
    QFETCH(QString, fileName);
    QFile file(QStringLiteral(KESTREL_TRANSLATIONS_DIR "/") + fileName);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));

    QStringList sources;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == "name"_L1) {
            QCOMPARE(xml.readElementText(), QString::fromLatin1(kLocalizedTextContext));
        } else if (xml.name() == "source"_L1) {
            sources << xml.readElementText();
        } else if (xml.name() == "translation"_L1) {
            const QString source = sources.value(sources.size() - 1);
            QVERIFY2(xml.attributes().value("type"_L1).isEmpty(), qPrintable(source + u" is not finished"_s));
            QVERIFY2(!xml.readElementText().trimmed().isEmpty(), qPrintable(source + u" has no text"_s));
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));

    QCOMPARE(sources.size(), QSet<QString>(sources.cbegin(), sources.cend()).size());
    QStringList expected = textKeys;
    sources.sort();
    expected.sort();
    QCOMPARE(sources, expected);
}

// Only Chinese locales get the Chinese texts; every other one gets English.
void TestResources::localeShowsEveryKeyInItsLanguage_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en_US") << QLocale(u"en_US"_s) << false;
    QTest::newRow("ja_JP") << QLocale(u"ja_JP"_s) << false;
    QTest::newRow("C") << QLocale::c() << false;
    QTest::newRow("zh_CN") << QLocale(u"zh_CN"_s) << true;
    QTest::newRow("zh_HK") << QLocale(u"zh_HK"_s) << true;
}

void TestResources::localeShowsEveryKeyInItsLanguage()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, chinese);

    QVERIFY(installTranslations(locale));
    const QRegularExpression han(u"\\p{Han}"_s);
    for (const QString& key : textKeys) {
        const QString text = localizedText(key);
        QVERIFY2(!text.trimmed().isEmpty() && text != key, qPrintable(key));
        QVERIFY2(text.contains(han) == chinese, qPrintable(key + u": "_s + text));
    }
    // A key without a translation shows as itself.
    QCOMPARE(localizedText("no_such_key"), u"no_such_key"_s);
    QCOMPARE(localizedText(u"no_such_key"_s), u"no_such_key"_s);
}

void TestResources::imagesAreExactlyTheNamedOnes()
{
    QStringList embedded = QDir(u":/images"_s).entryList(QDir::Files);
    QStringList expected;
    for (const QString& name : imageNames())
        expected << name + u".svg"_s;
    embedded.sort();
    expected.sort();
    QCOMPARE(embedded, expected);
}

void TestResources::everyImageRenders_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : imageNames())
        QTest::newRow(qPrintable(name)) << name;
}

void TestResources::everyImageRenders()
{
    QFETCH(QString, name);
    QTest::failOnWarning(QRegularExpression(u".*"_s));

    const QPixmap pixmap = image(name);
    QVERIFY(!pixmap.isNull());

    // Something is drawn, not just an empty canvas of the right size.
    const QImage picture = pixmap.toImage();
    int drawn = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (qAlpha(picture.pixel(x, y)) > 0)
                ++drawn;
        }
    }
    QVERIFY2(drawn > picture.width() * picture.height() / 10, qPrintable(QString::number(drawn)));
}

void TestResources::missingImageIsNullWithoutWarning()
{
    QTest::failOnWarning(QRegularExpression(u".*"_s));
    QVERIFY(image(u"no_such_image"_s).isNull());
    QVERIFY(image(QString()).isNull());
    QVERIFY(image(u"file_pdf_icon.svg"_s).isNull());
}

// A row shows its icon at 30x30; every category must be recognisable there.
void TestResources::fileIconsDifferAtRowSize()
{
    const QStringList names = fileIconNames();
    QList<QImage> icons;
    for (const QString& name : names) {
        const QPixmap icon = image(name);
        QVERIFY2(icon.deviceIndependentSize() == QSizeF(30, 30), qPrintable(name));
        icons << icon.toImage().convertToFormat(QImage::Format_ARGB32);
    }
    for (qsizetype i = 0; i < icons.size(); ++i) {
        for (qsizetype j = i + 1; j < icons.size(); ++j) {
            const double share = differingShare(icons.at(i), icons.at(j));
            QVERIFY2(share > 0.2,
                     qPrintable(u"%1 and %2 differ in %3% of pixels"_s.arg(names.at(i), names.at(j))
                                    .arg(share * 100, 0, 'f', 1)));
        }
    }
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
