#include "Resources/LocalizedText.h"

#include <QLocale>
#include <QTest>

// The command line links only the core; its translations must reach it without
// the GUI library.
class TestResourcesCore : public QObject
{
    Q_OBJECT

private slots:
    void translationsReachCoreOnlyExecutable();
};

void TestResourcesCore::translationsReachCoreOnlyExecutable()
{
    QVERIFY(installTranslations(QLocale(QLocale::Chinese, QLocale::China)));
    const QString chinese = localizedText("common_cancel");
    QVERIFY(installTranslations(QLocale(QLocale::English, QLocale::UnitedStates)));
    const QString english = localizedText("common_cancel");

    QVERIFY(english != QStringLiteral("common_cancel"));
    QVERIFY(chinese != QStringLiteral("common_cancel"));
    QVERIFY(chinese != english);
}

QTEST_GUILESS_MAIN(TestResourcesCore)
#include "tst_resources_core.moc"
