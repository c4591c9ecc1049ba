#include "Controls/Image.h"
#include "Controls/KAButton.h"
#include "Controls/WonderfulButton.h"
#include "WhiteHost.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

using WhiteHost::near;

namespace {

const QColor blue(0x2E, 0x85, 0xFF);
const QColor orange(0xFF, 0x69, 0x39);
const int padding = 30;

QIcon upgradeIcon()
{
    QIcon icon;
    icon.addPixmap(image(u"upgrade_btn"_s, QSize(20, 20), 1.0));
    return icon;
}

// The columns [from, from + width) of a picture.
QImage columns(const QPixmap& picture, int from, int width)
{
    return picture.toImage().copy(from, 0, width, picture.height());
}

} // namespace

// The painted buttons: the bars' WonderfulButton, driven by pointer and keys,
// and the KAButton, whose content stays inside its padding.
class TestButtons : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void pressAndRelease_data();
    void pressAndRelease();
    void disabledIsFadedAndNotHit();
    void keysClick_data();
    void keysClick();
    void contentStaysInsideThePadding();

private:
    // The colour painted just inside the left edge, clear of border and title.
    QColor backgroundShown() const;

    std::unique_ptr<QWidget> m_host;
    WonderfulButton* m_button = nullptr;
};

void TestButtons::initTestCase()
{
    QApplication::setStyle(u"Fusion"_s);
    QApplication::setPalette(QApplication::style()->standardPalette());
}

void TestButtons::init()
{
    m_host = WhiteHost::make({ 240, 100 });
    m_button = new WonderfulButton(u"Go"_s, m_host.get());
    m_button->setGeometry(40, 30, 120, 40);
    // The bars' look: blue at rest, white while pressed.
    m_button->setButtonColor(blue);
    m_button->setBorderColor(blue);
    m_button->setTextColor(Qt::white);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
}

QColor TestButtons::backgroundShown() const
{
    return m_host->grab(m_button->geometry()).toImage().pixelColor(4, m_button->height() / 2);
}

void TestButtons::pressAndRelease_data()
{
    QTest::addColumn<QPoint>("releaseAt"); // in the button's coordinates; the pointer moves there first
    QTest::addColumn<int>("clicks");

    QTest::newRow("release inside") << QPoint(60, 20) << 1;
    QTest::newRow("moved out, released outside") << QPoint(-20, -20) << 0;
}

void TestButtons::pressAndRelease()
{
    QFETCH(QPoint, releaseAt);
    QFETCH(int, clicks);
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    QTRY_VERIFY(near(backgroundShown(), blue));

    QTest::mousePress(m_button, Qt::LeftButton, {}, QPoint(60, 20));
    QCOMPARE(m_button->state(), WonderfulButton::on);
    // Towards the on state the colours change at once (duration 0).
    QVERIFY(near(backgroundShown(), Qt::white));

    QTest::mouseMove(m_button, releaseAt);
    QTest::mouseRelease(m_button, Qt::LeftButton, {}, releaseAt);
    QCOMPARE(m_button->state(), WonderfulButton::off);
    QCOMPARE(clicked.count(), clicks);
    QTRY_VERIFY(near(backgroundShown(), blue));
}

void TestButtons::disabledIsFadedAndNotHit()
{
    QTRY_VERIFY(near(backgroundShown(), blue));
    m_button->setEnabled(false);

    // Still blue, paler: the white behind shows through.
    const QColor faded = backgroundShown();
    QVERIFY(!near(faded, blue) && !near(faded, Qt::white));
    QVERIFY(faded.red() > blue.red() && faded.blue() >= blue.blue() - 3);
    const QPoint centre = m_button->geometry().center();
    // A click there goes to what is behind.
    QCOMPARE(m_host->childAt(centre), nullptr);

    m_button->setEnabled(true);
    QCOMPARE(m_host->childAt(centre), m_button);
}

void TestButtons::keysClick_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<int>("clicks");
    QTest::newRow("Return") << Qt::Key_Return << 1;
    QTest::newRow("Enter") << Qt::Key_Enter << 1;
    QTest::newRow("a letter") << Qt::Key_A << 0;
}

// The bars' buttons start their job from the keyboard as well; Space is
// pressed on the compress button in the window's keyboard walk.
void TestButtons::keysClick()
{
    QFETCH(Qt::Key, key);
    QFETCH(int, clicks);
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    m_button->setFocus();
    QTRY_VERIFY(m_button->hasFocus());
    QTest::keyClick(m_button, key);
    QCOMPARE(clicked.count(), clicks);
    QCOMPARE(m_button->state(), WonderfulButton::off);
}

// A title far too long for the button: whatever is drawn in the padding is
// what the same button draws there with no content at all.
void TestButtons::contentStaysInsideThePadding()
{
    KAButton full;
    KAButton empty;
    for (KAButton* each : { &full, &empty }) {
        each->setBackgroundColor(orange);
        each->setCornerRadius(20);
        each->setContentTintColor(Qt::white);
        each->resize(200, 40);
    }
    full.setText(u"Get the full version with every format and no limits"_s);
    full.setIcon(upgradeIcon());

    const QPixmap withContent = full.grab();
    const QPixmap without = empty.grab();
    QCOMPARE(columns(withContent, 0, padding), columns(without, 0, padding));
    QCOMPARE(columns(withContent, 200 - padding, padding), columns(without, 200 - padding, padding));
    QVERIFY(columns(withContent, padding, 200 - 2 * padding) != columns(without, padding, 200 - 2 * padding));
}

QTEST_MAIN(TestButtons)
#include "tst_buttons.moc"
