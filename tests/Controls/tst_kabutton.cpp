#include "Controls/Image.h"
#include "Controls/KAButton.h"
#include "Controls/VerticallyAlignedTextFieldCell.h"

#include <QApplication>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

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

class TestKAButton : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void sizeHint_data();
    void sizeHint();
    void noPaddingDrawsAsAPushButton();
    void contentStaysInsideThePadding_data();
    void contentStaysInsideThePadding();
    void drawingRectForBounds_data();
    void drawingRectForBounds();
    void cellDrawsInTheBand();
};

void TestKAButton::initTestCase()
{
    QApplication::setStyle(u"Fusion"_s);
    QApplication::setPalette(QApplication::style()->standardPalette());
}

void TestKAButton::sizeHint_data()
{
    QTest::addColumn<qreal>("padding");
    QTest::addColumn<int>("extraWidth");

    QTest::newRow("default 30") << -1.0 << 60;
    QTest::newRow("none") << 0.0 << 0;
    QTest::newRow("fractional rounds up") << 12.25 << 25;
}

void TestKAButton::sizeHint()
{
    QFETCH(qreal, padding);
    QFETCH(int, extraWidth);
    KAButton button;
    QPushButton base;
    for (QPushButton* each : { static_cast<QPushButton*>(&button), &base }) {
        each->setText(u"Get Full Version"_s);
        each->setIcon(upgradeIcon());
    }
    if (padding >= 0)
        button.setHorizontalImagePadding(padding);
    QCOMPARE(button.sizeHint(), QSize(base.sizeHint().width() + extraWidth, 40));
}

void TestKAButton::noPaddingDrawsAsAPushButton()
{
    KAButton button;
    QPushButton base;
    button.setHorizontalImagePadding(0);
    for (QPushButton* each : { static_cast<QPushButton*>(&button), &base }) {
        each->setText(u"Open"_s);
        each->setIcon(upgradeIcon());
        each->resize(120, 40);
    }
    QCOMPARE(button.grab().toImage(), base.grab().toImage());
}

void TestKAButton::contentStaysInsideThePadding_data()
{
    QTest::addColumn<QColor>("background");
    QTest::newRow("styled") << QColor();
    QTest::newRow("painted") << orange;
}

// A title far too long for the button: whatever is drawn in the padding is
// what the same button draws there with no content at all.
void TestKAButton::contentStaysInsideThePadding()
{
    QFETCH(QColor, background);
    KAButton full;
    KAButton empty;
    for (KAButton* each : { &full, &empty }) {
        each->setBackgroundColor(background);
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

void TestKAButton::drawingRectForBounds_data()
{
    QTest::addColumn<QRectF>("bounds");
    QTest::addColumn<QRectF>("band");

    QTest::newRow("22 high") << QRectF(0, 0, 100, 22) << QRectF(0, 0, 100, 22);
    QTest::newRow("10 high") << QRectF(0, 0, 100, 10) << QRectF(0, -6, 100, 22);
    QTest::newRow("moved origin") << QRectF(15, 40, 80, 30) << QRectF(0, 4, 80, 22);
    QTest::newRow("odd height, not rounded") << QRectF(0, 0, 50, 23) << QRectF(0, 0.5, 50, 22);
}

void TestKAButton::drawingRectForBounds()
{
    QFETCH(QRectF, bounds);
    QFETCH(QRectF, band);
    QCOMPARE(VerticallyAlignedTextFieldCell::drawingRectForBounds(bounds), band);
}

// The ink of the text sits around the middle of the label, top-aligned or not.
void TestKAButton::cellDrawsInTheBand()
{
    VerticallyAlignedTextFieldCell cell(u"Mid"_s);
    cell.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cell.resize(80, 60);
    const QImage picture = cell.grab().toImage();
    const QRgb paper = picture.pixel(79, 0);
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) != paper) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
        }
    }
    QVERIFY(top >= 19 && bottom <= 41);
    QVERIFY(std::abs((top + bottom) / 2.0 - 30.0) <= 3.0);
}

QTEST_MAIN(TestKAButton)
#include "tst_kabutton.moc"
