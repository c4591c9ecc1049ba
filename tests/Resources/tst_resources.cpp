#include "Controls/Image.h"
#include "Model/FileCategory.h"
#include "Resources/LocalizedText.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

struct TranslationFile
{
    QStringList keys;
    QString error; // empty when the file is well formed and complete
};

// The .ts files are hand-written: a stray context, an unfinished or empty
// translation is an error.
TranslationFile readTranslationFile(const QString& fileName)
{
    TranslationFile result;
    QFile file(QStringLiteral(KESTREL_TRANSLATIONS_DIR "/") + fileName);
    if (!file.open(QIODevice::ReadOnly))
        return { {}, file.fileName() + u" cannot be read"_s };
    QXmlStreamReader xml(&file);
    while (!xml.atEnd() && result.error.isEmpty()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString key = result.keys.value(result.keys.size() - 1);
        if (xml.name() == "name"_L1 && xml.readElementText() != QString::fromLatin1(kLocalizedTextContext))
            result.error = u"another context"_s;
        else if (xml.name() == "source"_L1)
            result.keys << xml.readElementText();
        else if (xml.name() == "translation"_L1 && !xml.attributes().value("type"_L1).isEmpty())
            result.error = key + u" is not finished"_s;
        else if (xml.name() == "translation"_L1 && xml.readElementText().trimmed().isEmpty())
            result.error = key + u" has no text"_s;
    }
    if (xml.hasError())
        result.error = xml.errorString();
    return result;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void translationFilesHoldTheSameKeysOnce();
    void localeShowsEveryKeyInItsLanguage_data();
    void localeShowsEveryKeyInItsLanguage();
    void everyImageRenders_data();
    void everyImageRenders();
    void missingImageIsNullWithoutWarning();
};

void TestResources::cleanup()
{
    installTranslations(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestResources::translationFilesHoldTheSameKeysOnce()
{
    const TranslationFile english = readTranslationFile(u"kestrel_en.ts"_s);
    const TranslationFile chinese = readTranslationFile(u"kestrel_zh_CN.ts"_s);
    QVERIFY2(english.error.isEmpty(), qPrintable(english.error));
    QVERIFY2(chinese.error.isEmpty(), qPrintable(chinese.error));
    QVERIFY(!english.keys.isEmpty());
    QCOMPARE(QSet<QString>(english.keys.cbegin(), english.keys.cend()).size(), english.keys.size());
    QStringList englishKeys = english.keys;
    QStringList chineseKeys = chinese.keys;
    englishKeys.sort();
    chineseKeys.sort();
    QCOMPARE(chineseKeys, englishKeys);
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
    const QStringList keys = readTranslationFile(u"kestrel_en.ts"_s).keys;
    QVERIFY(!keys.isEmpty());
    for (const QString& key : keys) {
        const QString text = localizedText(key);
        QVERIFY2(!text.trimmed().isEmpty() && text != key, qPrintable(key));
        QVERIFY2(text.contains(han) == chinese, qPrintable(key + u": "_s + text));
    }
    // A key without a translation shows as itself.
    QCOMPARE(localizedText("no_such_key"), u"no_such_key"_s);
    QCOMPARE(localizedText(u"no_such_key"_s), u"no_such_key"_s);
}

// Every embedded picture, and the icon of every file category, loads.
void TestResources::everyImageRenders_data()
{
    QTest::addColumn<QString>("name");
    QSet<QString> names;
    for (const QString& file : QDir(u":/images"_s).entryList(QDir::Files))
        names.insert(file.chopped(4)); // ".svg"
    for (int category = 0; category <= FileCategory::unknown; ++category)
        names.insert(FileCategory(FileCategory::Value(category)).iconName());
    for (const QString& name : std::as_const(names))
        QTest::newRow(qPrintable(name)) << name;
}

void TestResources::everyImageRenders()
{
    QFETCH(QString, name);
    QTest::failOnWarning(QRegularExpression(u".*"_s));
    QVERIFY(!image(name).isNull());
}

void TestResources::missingImageIsNullWithoutWarning()
{
    QTest::failOnWarning(QRegularExpression(u".*"_s));
    QVERIFY(image(u"no_such_image"_s).isNull());
    QVERIFY(image(QString()).isNull());
    QVERIFY(image(u"file_pdf_icon.svg"_s).isNull());
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
