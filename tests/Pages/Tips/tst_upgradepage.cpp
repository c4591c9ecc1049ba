#include "Controls/Carousel.h"
#include "Controls/Image.h"
#include "Controls/KAButton.h"
#include "Controls/KAPageControlView.h"
#include "Controls/MBPageControlKnobView.h"
#include "KestrelConfig.h"
#include "Pages/Tips/BannerView.h"
#include "Pages/Tips/UpgradeViewController.h"
#include "Resources/LocalizedText.h"
#include "ScriptedOpenPanel.h"
#include "Window/LightAppearance.h"
#include "Window/WindowController.h"

#include <QDesktopServices>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

// Receives the links the page hands to the desktop.
class LinkRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// The upgrade page: its banners by language, the carousel with its arrows
// and knobs, the store link, and its one showing by itself at the first start.
class TestUpgradePage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void bannersFollowTheLanguage_data();
    void bannersFollowTheLanguage();
    void arrowsKnobsAndKeysPageTheBanners();
    void upgradeButtonOpensTheStorePage();
    void showsItselfOnTheFirstStartOnly();

private:
    void showPage(const QLocale& locale);

    std::unique_ptr<UpgradeViewController> m_page;
};

void TestUpgradePage::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    LightAppearance::apply();
}

void TestUpgradePage::init()
{
    showPage(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestUpgradePage::showPage(const QLocale& locale)
{
    QVERIFY(installTranslations(locale));
    m_page = std::make_unique<UpgradeViewController>(nullptr, locale);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void TestUpgradePage::bannersFollowTheLanguage_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("zh") << QLocale(QLocale::Chinese, QLocale::China) << u"_zh"_s;
    QTest::newRow("zh_TW") << QLocale(QLocale::Chinese, QLocale::Taiwan) << u"_zh"_s;
    QTest::newRow("en") << QLocale(QLocale::English, QLocale::UnitedStates) << QString();
    QTest::newRow("ja") << QLocale(QLocale::Japanese, QLocale::Japan) << QString();
}

// Each banner in the language's version fills the carousel without bands;
// the pages are drawn for a person to look at.
void TestUpgradePage::bannersFollowTheLanguage()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, suffix);
    showPage(locale);
    QVERIFY(QDir().mkpath(QStringLiteral(KESTREL_SCREENSHOT_DIR)));
    for (int index = 0; index < 3; ++index) {
        m_page->carousel()->scrollToItemAtIndex(index, false);
        const auto* banner = qobject_cast<BannerView*>(m_page->carousel()->itemViewAtIndex(index));
        QVERIFY(banner);
        QCOMPARE(banner->imageName(), u"upgrade_banner%1"_s.arg(index + 1) + suffix);
        const QRectF drawn
            = BannerView::fittedRect(image(banner->imageName()).deviceIndependentSize(), banner->rect());
        QVERIFY(qAbs(drawn.width() - banner->width()) <= 1 && qAbs(drawn.height() - banner->height()) <= 1);
        const QString file = u"%1/upgrade_page_%2_%3@%4x.png"_s.arg(
            QStringLiteral(KESTREL_SCREENSHOT_DIR), QString::number(index + 1),
            QString::fromLatin1(QTest::currentDataTag()), QString::number(m_page->devicePixelRatioF()));
        QVERIFY2(m_page->grab().save(file), qPrintable(file));
    }
}

// Paging past either end is the carousel's test; here the page's controls
// drive it and follow it.
void TestUpgradePage::arrowsKnobsAndKeysPageTheBanners()
{
    const auto shows = [this](int index) {
        return m_page->carousel()->currentItemIndex() == index && m_page->pager()->selectedPage() == index
            && !m_page->carousel()->isScrolling() && m_page->prevBtn()->isHidden() == (index == 0)
            && m_page->nextBtn()->isHidden() == (index == 2);
    };
    QVERIFY(shows(0));
    for (const QToolButton* button : { m_page->prevBtn(), m_page->nextBtn(), m_page->closeBtn() })
        QVERIFY(!button->accessibleName().isEmpty());

    QTest::mouseClick(m_page->nextBtn(), Qt::LeftButton);
    QTRY_VERIFY(shows(1));
    QTest::keyClick(m_page.get(), Qt::Key_Right);
    QTRY_VERIFY(shows(2));
    QTest::keyClick(m_page.get(), Qt::Key_Left);
    QTRY_VERIFY(shows(1));
    // A knob moves the banner at once.
    QTest::mouseClick(m_page->pager()->knobs().at(0), Qt::LeftButton);
    QVERIFY(shows(0));

    QTest::keyClick(m_page.get(), Qt::Key_Escape);
    QVERIFY(!m_page->isVisible());
}

void TestUpgradePage::upgradeButtonOpensTheStorePage()
{
    LinkRecorder recorder;
    QDesktopServices::setUrlHandler(u"appstream"_s, &recorder, "open");
    QTest::mouseClick(m_page->upgradeBtn(), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(u"appstream"_s);
    QCOMPARE(recorder.opened,
             QList<QUrl> { QUrl(u"appstream://"_s + QString::fromUtf8(KestrelConfig::appStreamId)) });
    QVERIFY(m_page->isVisible());
}

void TestUpgradePage::showsItselfOnTheFirstStartOnly()
{
    m_page.reset();
    QSettings().clear();
    ScriptedOpenPanel panel;
    const auto upgradePage = [](const QWidget& window) {
        const auto pages = window.findChildren<UpgradeViewController*>();
        return pages.isEmpty() || !pages.first()->isVisible() ? nullptr : pages.first();
    };

    auto first = std::make_unique<WindowController>(&panel);
    first->show();
    first->showUpgradePageOnFirstStart();
    QVERIFY(QSettings().value(u"ka_upgrade_page_showed_v1"_s).toBool());
    QTRY_VERIFY_WITH_TIMEOUT(upgradePage(*first), 5000);
    QCOMPARE(upgradePage(*first)->windowModality(), Qt::WindowModal);
    first.reset();

    WindowController second(&panel);
    second.show();
    second.showUpgradePageOnFirstStart();
    QTest::qWait(800);
    QVERIFY(!upgradePage(second));
}

QTEST_MAIN(TestUpgradePage)
#include "tst_upgradepage.moc"
