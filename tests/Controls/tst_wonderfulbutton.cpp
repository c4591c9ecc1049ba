#include "Controls/WonderfulButton.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QVariantAnimation>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QColor blue(0x2E, 0x85, 0xFF);
const QColor red(0xFF, 0x00, 0x00);

bool isAnimating(const WonderfulButton* button)
{
    const QList<QVariantAnimation*> animations = button->findChildren<QVariantAnimation*>();
    return std::any_of(animations.begin(), animations.end(), [](const QVariantAnimation* animation) {
        return animation->state() == QAbstractAnimation::Running;
    });
}

bool near(const QColor& actual, const QColor& expected, int tolerance = 3)
{
    return std::abs(actual.red() - expected.red()) <= tolerance
        && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

} // namespace

class TestWonderfulButton : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pressAndRelease_data();
    void pressAndRelease();
    void repeatedColourStartsNoAnimation();
    void disabledIsFadedAndNotHit();
    void glowOnlyWithRadiusAndOpacity_data();
    void glowOnlyWithRadiusAndOpacity();
    void positionsTitleAndImage_data();
    void positionsTitleAndImage();

private:
    // The colour painted just inside the left edge, clear of border and title.
    QColor backgroundShown() const;

    std::unique_ptr<QWidget> m_host;
    WonderfulButton* m_button = nullptr;
};

void TestWonderfulButton::init()
{
    m_host = std::make_unique<QWidget>();
    m_host->setAutoFillBackground(true);
    QPalette palette = m_host->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_host->setPalette(palette);
    m_host->resize(240, 100);
    m_button = new WonderfulButton(u"Go"_s, m_host.get());
    m_button->setGeometry(40, 30, 120, 40);
    // The bars' look: blue at rest, white while pressed.
    m_button->setButtonColor(blue);
    m_button->setBorderColor(blue);
    m_button->setTextColor(Qt::white);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
}

void TestWonderfulButton::cleanup()
{
    m_host.reset();
}

QColor TestWonderfulButton::backgroundShown() const
{
    return m_host->grab(m_button->geometry()).toImage().pixelColor(4, m_button->height() / 2);
}

void TestWonderfulButton::pressAndRelease_data()
{
    QTest::addColumn<QPoint>("releaseAt"); // in the button's coordinates
    QTest::addColumn<bool>("moveFirst"); // the pointer moves there before the release
    QTest::addColumn<int>("clicks");

    QTest::newRow("release inside") << QPoint(60, 20) << false << 1;
    QTest::newRow("moved out, released outside") << QPoint(-20, -20) << true << 0;
    QTest::newRow("released outside without a move") << QPoint(-20, -20) << false << 0;
}

void TestWonderfulButton::pressAndRelease()
{
    QFETCH(QPoint, releaseAt);
    QFETCH(bool, moveFirst);
    QFETCH(int, clicks);
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    QTRY_VERIFY(near(backgroundShown(), blue));

    QTest::mousePress(m_button, Qt::LeftButton, {}, QPoint(60, 20));
    QCOMPARE(m_button->state(), WonderfulButton::on);
    // Towards the on state the colours change at once (duration 0).
    QVERIFY(near(backgroundShown(), Qt::white));

    if (moveFirst)
        QTest::mouseMove(m_button, releaseAt);
    QTest::mouseRelease(m_button, Qt::LeftButton, {}, releaseAt);
    QCOMPARE(m_button->state(), WonderfulButton::off);
    QCOMPARE(clicked.count(), clicks);
    QTRY_VERIFY(near(backgroundShown(), blue));
}

void TestWonderfulButton::repeatedColourStartsNoAnimation()
{
    QTRY_VERIFY(!isAnimating(m_button));
    m_button->setButtonColor(red);
    QVERIFY(isAnimating(m_button));
    QTRY_VERIFY(!isAnimating(m_button));
    m_button->setButtonColor(red);
    QVERIFY(!isAnimating(m_button));

    // With both colour sets alike, switching state lands every colour on the
    // value it already has: nothing moves, however long the transition.
    m_button->setOnAnimationDuration(1.0);
    m_button->setActiveButtonColor(red);
    m_button->setActiveBorderColor(blue);
    m_button->setActiveTextColor(Qt::white);
    m_button->setActiveIconColor(m_button->iconColor());
    QTRY_VERIFY(!isAnimating(m_button));
    QTest::mousePress(m_button, Qt::LeftButton);
    QCOMPARE(m_button->state(), WonderfulButton::on);
    QVERIFY(!isAnimating(m_button));
    QTest::mouseRelease(m_button, Qt::LeftButton);
}

void TestWonderfulButton::disabledIsFadedAndNotHit()
{
    QTRY_VERIFY(near(backgroundShown(), blue));
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    m_button->setEnabled(false);

    // Half of the blue over the white behind it.
    QVERIFY(near(backgroundShown(), QColor(0x96, 0xC2, 0xFF)));
    const QPoint centre = m_button->geometry().center();
    QCOMPARE(m_host->childAt(centre), nullptr);
    QTest::mouseClick(m_host.get(), Qt::LeftButton, {}, centre);
    m_button->click();
    QCOMPARE(m_button->state(), WonderfulButton::off);
    QCOMPARE(clicked.count(), 0);

    m_button->setEnabled(true);
    QCOMPARE(m_host->childAt(centre), m_button);
}

void TestWonderfulButton::glowOnlyWithRadiusAndOpacity_data()
{
    QTest::addColumn<double>("radius");
    QTest::addColumn<double>("opacity");
    QTest::addColumn<bool>("glows");

    QTest::newRow("radius and opacity") << 6.0 << 1.0 << true;
    QTest::newRow("no radius") << 0.0 << 1.0 << false;
    QTest::newRow("no opacity") << 6.0 << 0.0 << false;
}

void TestWonderfulButton::glowOnlyWithRadiusAndOpacity()
{
    QFETCH(double, radius);
    QFETCH(double, opacity);
    QFETCH(bool, glows);
    // Black on white in both states, so any red comes from the glow.
    m_button->setButtonColor(Qt::white);
    m_button->setBorderColor(Qt::white);
    m_button->setTextColor(Qt::black);
    m_button->setActiveTextColor(Qt::black);
    m_button->setActiveIconColor(red);
    m_button->setGlowRadius(radius);
    m_button->setGlowOpacity(opacity);

    QTest::mousePress(m_button, Qt::LeftButton);
    const QImage shown = m_host->grab(m_button->geometry()).toImage();
    QTest::mouseRelease(m_button, Qt::LeftButton);

    int reddish = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QColor pixel = shown.pixelColor(x, y);
            reddish += pixel.red() - pixel.green() > 40 ? 1 : 0;
        }
    }
    QCOMPARE(reddish > 0, glows);
}

void TestWonderfulButton::positionsTitleAndImage_data()
{
    QTest::addColumn<WonderfulButton::ImagePosition>("position");
    QTest::addColumn<QPoint>("titleAt");
    QTest::addColumn<QPoint>("iconAt");

    // A 120 x 40 button with a 16 x 16 picture; the title is measured with
    // the button's font.
    const QFontMetrics metrics(QApplication::font());
    const int tw = metrics.horizontalAdvance(u"Go"_s);
    const int th = metrics.height();
    const auto nearest = [](double x) { return static_cast<int>(std::lround(x)); };
    const int gapX = nearest((120 - (tw + 16)) / 3.0);
    const int gapY = nearest((40 - (th + 16)) / 3.0);
    const QPoint centredTitle(nearest((120 - tw) / 2.0), nearest((40 - th) / 2.0));

    using enum WonderfulButton::ImagePosition;
    QTest::newRow("image left: title 6 from the right edge")
        << imageLeft << QPoint(120 - tw - 6, centredTitle.y()) << QPoint(gapX, 12);
    QTest::newRow("image right: title at x 2")
        << imageRight << QPoint(2, centredTitle.y()) << QPoint(120 - 16 - gapX, 12);
    QTest::newRow("image below") << imageBelow << QPoint(centredTitle.x(), 2) << QPoint(52, 40 - gapY - 16);
    QTest::newRow("image above") << imageAbove << QPoint(centredTitle.x(), 40 - th - 2) << QPoint(52, gapY);
    // Other positions centre the title and leave the icon where it was put.
    QTest::newRow("image only") << imageOnly << centredTitle << QPoint(0, 0);
}

void TestWonderfulButton::positionsTitleAndImage()
{
    QFETCH(WonderfulButton::ImagePosition, position);
    QFETCH(QPoint, titleAt);
    QFETCH(QPoint, iconAt);

    m_button->setImage(u"file_txt_icon"_s, QSize(16, 16));
    m_button->setImagePosition(position);
    QCOMPARE(m_button->titleFrame().topLeft(), titleAt);
    QCOMPARE(m_button->iconFrame(), QRect(iconAt, QSize(16, 16)));
}

QTEST_MAIN(TestWonderfulButton)
#include "tst_wonderfulbutton.moc"
