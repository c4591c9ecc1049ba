#include "Controls/WonderfulButton.h"
#include "WhiteHost.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

using WhiteHost::near;

const QColor blue(0x2E, 0x85, 0xFF);

class TestWonderfulButton : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void pressAndRelease_data();
    void pressAndRelease();
    void disabledIsFadedAndNotHit();
    void keysClick_data();
    void keysClick();

private:
    // The colour painted just inside the left edge, clear of border and title.
    QColor backgroundShown() const;

    std::unique_ptr<QWidget> m_host;
    WonderfulButton* m_button = nullptr;
};

void TestWonderfulButton::init()
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

QColor TestWonderfulButton::backgroundShown() const
{
    return m_host->grab(m_button->geometry()).toImage().pixelColor(4, m_button->height() / 2);
}

void TestWonderfulButton::pressAndRelease_data()
{
    QTest::addColumn<QPoint>("releaseAt"); // in the button's coordinates; the pointer moves there first
    QTest::addColumn<int>("clicks");

    QTest::newRow("release inside") << QPoint(60, 20) << 1;
    QTest::newRow("moved out, released outside") << QPoint(-20, -20) << 0;
}

void TestWonderfulButton::pressAndRelease()
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

void TestWonderfulButton::disabledIsFadedAndNotHit()
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

void TestWonderfulButton::keysClick_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<int>("clicks");
    QTest::newRow("Return") << Qt::Key_Return << 1;
    QTest::newRow("Enter") << Qt::Key_Enter << 1;
    QTest::newRow("a letter") << Qt::Key_A << 0;
}

// The bars' buttons start their job from the keyboard as well; Space is
// pressed on the compress button in the window's keyboard walk.
void TestWonderfulButton::keysClick()
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

QTEST_MAIN(TestWonderfulButton)
#include "tst_wonderfulbutton.moc"
