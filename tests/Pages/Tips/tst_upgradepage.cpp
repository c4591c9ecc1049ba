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
#include <QElapsedTimer>
#include <QLabel>
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
    void cleanup();

    void bannersFollowTheFirstLanguage_data();
    void bannersFollowTheFirstLanguage();
    void layoutHoldsItsProportions();
    void arrowsKnobsAndKeysPageTheBanners();
    void upgradeButtonOpensTheStorePage();
    void showsItselfOnTheFirstStartOnly();
    void screenshots_data();
    void screenshots();

private:
    int current() const { return m_page->carousel()->currentItemIndex(); }
    int selectedKnob() const;

    std::unique_ptr<UpgradeViewController> m_page;
};

void TestUpgradePage::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    LightAppearance::apply();
}

void TestUpgradePage::init()
{
    QVERIFY(installTranslations(QLocale(QLocale::English)));
    m_page
        = std::make_unique<UpgradeViewController>(nullptr, QLocale(QLocale::English, QLocale::UnitedStates));
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void TestUpgradePage::cleanup()
{
    m_page.reset();
}

int TestUpgradePage::selectedKnob() const
{
    const QList<MBPageControlKnobView*> knobs = m_page->pager()->knobs();
    for (int i = 0; i < knobs.size(); ++i) {
        if (knobs.at(i)->currentStatus() == MBPageControlKnobView::Status::selected)
            return i;
    }
    return -1;
}

void TestUpgradePage::bannersFollowTheFirstLanguage_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("Simplified Chinese") << QLocale(QLocale::Chinese, QLocale::China) << u"_zh"_s;
    QTest::newRow("Traditional Chinese") << QLocale(QLocale::Chinese, QLocale::Taiwan) << u"_zh"_s;
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedKingdom) << QString();
    QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan) << QString();
}

void TestUpgradePage::bannersFollowTheFirstLanguage()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, suffix);
    QCOMPARE(UpgradeViewController::imageListFor(locale),
             QStringList({ u"upgrade_banner1"_s + suffix, u"upgrade_banner2"_s + suffix,
                           u"upgrade_banner3"_s + suffix }));
}

void TestUpgradePage::layoutHoldsItsProportions()
{
    QCOMPARE(m_page->width(), UpgradeViewController::initialWidth);
    QCOMPARE(m_page->minimumSize(), m_page->maximumSize());
    const QRect carousel = m_page->carousel()->geometry();
    QCOMPARE(carousel.x(), 20);
    QCOMPARE(carousel.width(), 550);
    QCOMPARE(carousel.height(), qRound(550 * 61.0 / 114.0));
    QCOMPARE(carousel.top(), m_page->titleLabel()->geometry().bottom() + 1 + 15);
    QCOMPARE(m_page->titleLabel()->geometry().topLeft(), QPoint(20, 20));

    const QRect button = m_page->upgradeBtn()->geometry();
    QCOMPARE(button.height(), 40);
    QCOMPARE(button.top(), carousel.bottom() + 1 + 40);
    QCOMPARE(m_page->height() - 1 - button.bottom(), 20);
    QCOMPARE(button.center().x(), m_page->rect().center().x());
    const QRect pager = m_page->pager()->geometry();
    QCOMPARE(pager.size(), QSize(100, 15));
    QCOMPARE(pager.top(), carousel.bottom() + 1 + 11);

    QCOMPARE(m_page->nextBtn()->geometry().right(), carousel.right());
    QCOMPARE(m_page->nextBtn()->geometry().center().y(), carousel.center().y());
    QCOMPARE(m_page->prevBtn()->geometry().left(), carousel.left());
    QCOMPARE(m_page->closeBtn()->geometry().topRight(), m_page->rect().topRight());

    // The banners fill the carousel without bands above, below or beside them.
    auto banner = qobject_cast<BannerView*>(m_page->carousel()->itemViewAtIndex(0));
    QVERIFY(banner);
    const QRectF drawn
        = BannerView::fittedRect(image(banner->imageName()).deviceIndependentSize(), banner->rect());
    QVERIFY2(qAbs(drawn.width() - banner->width()) <= 1 && qAbs(drawn.height() - banner->height()) <= 1,
             qPrintable(u"%1x%2"_s.arg(drawn.width()).arg(drawn.height())));
}

void TestUpgradePage::arrowsKnobsAndKeysPageTheBanners()
{
    QCOMPARE(current(), 0);
    QVERIFY(m_page->prevBtn()->isHidden() && !m_page->nextBtn()->isHidden());
    QCOMPARE(selectedKnob(), 0);
    for (const QToolButton* button : { m_page->prevBtn(), m_page->nextBtn(), m_page->closeBtn() })
        QVERIFY(!button->accessibleName().isEmpty());

    QTest::mouseClick(m_page->nextBtn(), Qt::LeftButton);
    QTRY_COMPARE(current(), 1);
    QVERIFY(!m_page->prevBtn()->isHidden() && !m_page->nextBtn()->isHidden());
    QCOMPARE(selectedKnob(), 1);

    QTest::keyClick(m_page.get(), Qt::Key_Right);
    QTRY_COMPARE(current(), 2);
    QVERIFY(m_page->nextBtn()->isHidden());
    QTRY_VERIFY(!m_page->carousel()->isScrolling());
    QTest::keyClick(m_page.get(), Qt::Key_Right);
    QVERIFY(!m_page->carousel()->isScrolling());
    QCOMPARE(current(), 2);

    // A knob moves the banner at once; the knob of the banner shown does nothing.
    QTest::mouseClick(m_page->pager()->knobs().at(0), Qt::LeftButton);
    QCOMPARE(current(), 0);
    QCOMPARE(selectedKnob(), 0);
    QVERIFY(m_page->prevBtn()->isHidden());
    QTest::mouseClick(m_page->pager()->knobs().at(0), Qt::LeftButton);
    QVERIFY(!m_page->carousel()->isScrolling());

    QTest::keyClick(m_page.get(), Qt::Key_Left);
    QCOMPARE(current(), 0);
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
    QElapsedTimer clock;
    clock.start();
    first->showUpgradePageOnFirstStart();
    QVERIFY(QSettings().value(u"ka_upgrade_page_showed_v1"_s).toBool());
    QTRY_VERIFY_WITH_TIMEOUT(upgradePage(*first), 5000);
    QVERIFY(clock.elapsed() >= 450);
    UpgradeViewController* page = upgradePage(*first);
    QCOMPARE(page->windowModality(), Qt::WindowModal);
    QCOMPARE(page->minimumSize(), page->maximumSize());
    first.reset();

    WindowController second(&panel);
    second.show();
    second.showUpgradePageOnFirstStart();
    QTest::qWait(800);
    QVERIFY(!upgradePage(second));
}

void TestUpgradePage::screenshots_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("en") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("zh") << QLocale(QLocale::Chinese, QLocale::China);
}

void TestUpgradePage::screenshots()
{
    QFETCH(QLocale, locale);
    QVERIFY(installTranslations(locale));
    m_page = std::make_unique<UpgradeViewController>(nullptr, locale);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    QVERIFY(QDir().mkpath(QStringLiteral(KESTREL_SCREENSHOT_DIR)));
    for (int index = 0; index < 3; ++index) {
        m_page->carousel()->scrollToItemAtIndex(index, false);
        const QString file = u"%1/upgrade_page_%2_%3@%4x.png"_s.arg(QStringLiteral(KESTREL_SCREENSHOT_DIR))
                                 .arg(index + 1)
                                 .arg(QString::fromLatin1(QTest::currentDataTag()))
                                 .arg(m_page->devicePixelRatioF());
        QVERIFY2(m_page->grab().save(file), qPrintable(file));
    }
}

QTEST_MAIN(TestUpgradePage)
#include "tst_upgradepage.moc"
