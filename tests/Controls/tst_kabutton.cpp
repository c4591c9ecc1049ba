#include "Controls/Image.h"
#include "Controls/KAButton.h"

#include <QApplication>
#include <QStyle>
#include <QTest>

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

    void contentStaysInsideThePadding();
};

void TestKAButton::initTestCase()
{
    QApplication::setStyle(u"Fusion"_s);
    QApplication::setPalette(QApplication::style()->standardPalette());
}

// A title far too long for the button: whatever is drawn in the padding is
// what the same button draws there with no content at all.
void TestKAButton::contentStaysInsideThePadding()
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

QTEST_MAIN(TestKAButton)
#include "tst_kabutton.moc"
