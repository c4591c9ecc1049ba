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
// The keys of every translation file: each must be in all of them.
QSet<QString> translationKeys()
{
    QSet<QString> keys;
    for (const QString& name : QDir(QStringLiteral(KESTREL_TRANSLATIONS_DIR)).entryList({ u"*.ts"_s })) {
        QFile file(QStringLiteral(KESTREL_TRANSLATIONS_DIR "/") + name);
        QXmlStreamReader xml(&file);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == "source"_L1)
                keys << xml.readElementText();
        }
    }
    return keys;
}
} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void localeShowsEveryKeyInItsLanguage_data();
    void localeShowsEveryKeyInItsLanguage();
    void imagesLoadSilently_data();
    void imagesLoadSilently();
};

// Only Chinese locales get the Chinese texts; every other one gets English.
// A key missing from a file, left unfinished or empty, or filed under another
// context shows as the key itself.
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
    const QSet<QString> keys = translationKeys();
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

// Every embedded picture, and the icon of every file category, loads; a name
// with nothing behind it gives a null image. Neither warns.
void TestResources::imagesLoadSilently_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QSet<QString> names;
    for (const QString& file : QDir(u":/images"_s).entryList(QDir::Files))
        names.insert(file.chopped(4)); // ".svg"
    for (int category = 0; category <= FileCategory::unknown; ++category)
        names.insert(FileCategory(FileCategory::Value(category)).iconName());
    for (const QString& name : std::as_const(names))
        QTest::newRow(qPrintable(name)) << name << true;
    for (const QString& missing : { u"no_such_image"_s, QString(), u"file_pdf_icon.svg"_s })
        QTest::addRow("missing: '%s'", qPrintable(missing)) << missing << false;
}

void TestResources::imagesLoadSilently()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QTest::failOnWarning(QRegularExpression(u".*"_s));
    QCOMPARE(!image(name).isNull(), exists);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
