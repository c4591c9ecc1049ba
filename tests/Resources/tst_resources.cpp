#include "App/Image.h"
#include "App/LocalizedText.h"
#include "ResourceNames.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

namespace {

bool hasChinese(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    }
    return false;
}

// The texts of every key, as shown after installing the translation for `locale`.
QStringList textsFor(const QLocale& locale)
{
    if (!installTranslations(locale))
        return {};
    QStringList texts;
    for (const QString& key : ResourceNames::textKeys)
        texts << localizedText(key);
    return texts;
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
    void translationsAreEmbedded();
    void everyKeyIsTranslated_data();
    void everyKeyIsTranslated();
    void localePicksLanguage_data();
    void localePicksLanguage();
    void missingKeyShowsKey();

    void imagesAreExactlyTheNamedOnes();
    void everyImageRenders_data();
    void everyImageRenders();
    void missingImageIsNullWithoutWarning();
    void fileIconsHaveRowSize();
    void fileIconsDifferAtRowSize();
};

void TestResources::cleanup()
{
    installTranslations(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestResources::translationFileListsEveryKeyOnce_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("English") << QStringLiteral("kestrel_en.ts");
    QTest::newRow("Chinese") << QStringLiteral("kestrel_zh_CN.ts");
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
        if (xml.name() == QLatin1String("name")) {
            QCOMPARE(xml.readElementText(), QString::fromLatin1(kLocalizedTextContext));
        } else if (xml.name() == QLatin1String("source")) {
            sources << xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString source = sources.value(sources.size() - 1);
            QVERIFY2(xml.attributes().value(QLatin1String("type")).isEmpty(),
                     qPrintable(source + QStringLiteral(" is not finished")));
            QVERIFY2(!xml.readElementText().trimmed().isEmpty(),
                     qPrintable(source + QStringLiteral(" has no text")));
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));

    QCOMPARE(sources.size(), QSet<QString>(sources.cbegin(), sources.cend()).size());
    QStringList expected = ResourceNames::textKeys;
    sources.sort();
    expected.sort();
    QCOMPARE(sources, expected);
}

void TestResources::translationsAreEmbedded()
{
    const QStringList files = QDir(QStringLiteral(":/i18n")).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files, QStringList({ QStringLiteral("kestrel_en.qm"), QStringLiteral("kestrel_zh_CN.qm") }));
}

void TestResources::everyKeyIsTranslated_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("chinese");
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << false;
    QTest::newRow("Chinese") << QLocale(QLocale::Chinese, QLocale::China) << true;
}

void TestResources::everyKeyIsTranslated()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, chinese);

    const QStringList texts = textsFor(locale);
    QCOMPARE(texts.size(), ResourceNames::textKeys.size());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString& key = ResourceNames::textKeys.at(i);
        const QString& text = texts.at(i);
        QVERIFY2(!text.trimmed().isEmpty() && text != key, qPrintable(key));
        QVERIFY2(hasChinese(text) == chinese, qPrintable(key + QStringLiteral(": ") + text));
    }
}

void TestResources::localePicksLanguage_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en_US") << QLocale(QStringLiteral("en_US")) << false;
    QTest::newRow("de_DE") << QLocale(QStringLiteral("de_DE")) << false;
    QTest::newRow("ja_JP") << QLocale(QStringLiteral("ja_JP")) << false;
    QTest::newRow("C") << QLocale::c() << false;
    QTest::newRow("zh_CN") << QLocale(QStringLiteral("zh_CN")) << true;
    QTest::newRow("zh_TW") << QLocale(QStringLiteral("zh_TW")) << true;
    QTest::newRow("zh_HK") << QLocale(QStringLiteral("zh_HK")) << true;
}

void TestResources::localePicksLanguage()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, chinese);

    const QStringList expected = textsFor(chinese ? QLocale(QLocale::Chinese, QLocale::China)
                                                  : QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(textsFor(locale), expected);
}

void TestResources::missingKeyShowsKey()
{
    QVERIFY(installTranslations(QLocale(QLocale::Chinese, QLocale::China)));
    QCOMPARE(localizedText("compress_ing_missing"), QStringLiteral("compress_ing_missing"));
    QCOMPARE(localizedText(QStringLiteral("no_such_key")), QStringLiteral("no_such_key"));
    QVERIFY(installTranslations(QLocale(QLocale::English, QLocale::UnitedStates)));
    QCOMPARE(localizedText("no_such_key"), QStringLiteral("no_such_key"));
}

void TestResources::imagesAreExactlyTheNamedOnes()
{
    QStringList embedded = QDir(QStringLiteral(":/images")).entryList(QDir::Files);
    QStringList expected;
    for (const QString& name : ResourceNames::imageNames())
        expected << name + QStringLiteral(".svg");
    embedded.sort();
    expected.sort();
    QCOMPARE(embedded, expected);
}

void TestResources::everyImageRenders_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : ResourceNames::imageNames())
        QTest::newRow(qPrintable(name)) << name;
}

void TestResources::everyImageRenders()
{
    QFETCH(QString, name);
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));

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
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    QVERIFY(image(QStringLiteral("no_such_image")).isNull());
    QVERIFY(image(QString()).isNull());
    QVERIFY(image(QStringLiteral("file_pdf_icon.svg")).isNull());
}

void TestResources::fileIconsHaveRowSize()
{
    for (const QString& category : ResourceNames::fileCategories) {
        const QString name = ResourceNames::fileIconName(category);
        QVERIFY2(image(name).deviceIndependentSize() == QSizeF(30, 30), qPrintable(name));
    }
}

// A row shows its icon at 30x30; every category must be recognisable there.
void TestResources::fileIconsDifferAtRowSize()
{
    QList<QImage> icons;
    for (const QString& category : ResourceNames::fileCategories) {
        icons << image(ResourceNames::fileIconName(category))
                     .toImage()
                     .scaled(30, 30, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_ARGB32);
    }
    for (qsizetype i = 0; i < icons.size(); ++i) {
        for (qsizetype j = i + 1; j < icons.size(); ++j) {
            const double share = differingShare(icons.at(i), icons.at(j));
            QVERIFY2(share > 0.2,
                     qPrintable(ResourceNames::fileCategories.at(i) + QStringLiteral(" and ")
                                + ResourceNames::fileCategories.at(j) + QStringLiteral(" differ in ")
                                + QString::number(share * 100, 'f', 1) + QStringLiteral("% of pixels")));
        }
    }
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
