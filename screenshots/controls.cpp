// Writes pictures of the image button and of the page control, at the pixel
// ratio the test runs with, for a person to look at.
#include "Controls/Image.h"
#include "Controls/KAButton.h"
#include "Controls/KAPageControlView.h"
#include "Controls/MBPageControlKnobView.h"

#include <QApplication>
#include <QDir>
#include <QStyle>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString screenshotPath(const QString& name, qreal ratio)
{
    const QString suffix = ratio == 1.0 ? QString() : u"@%1x"_s.arg(ratio);
    return QStringLiteral(KESTREL_SCREENSHOT_DIR) + u'/' + name + suffix + u".png"_s;
}

// Sharp at 1x and at 2x, as an application icon set would be.
QIcon iconNamed(const QString& name, QSize size)
{
    QIcon icon;
    icon.addPixmap(image(name, size, 1.0));
    icon.addPixmap(image(name, size, 2.0));
    return icon;
}

KAButton* fullVersionButton(QWidget* parent)
{
    auto* button = new KAButton(parent);
    QFont font = button->font();
    font.setPixelSize(14);
    font.setWeight(QFont::Medium);
    button->setFont(font);
    button->setText(u"Get Full Version"_s);
    button->setIcon(iconNamed(u"upgrade_btn"_s, QSize(20, 20)));
    button->setIconSize(QSize(20, 20));
    button->setBackgroundColor(QColor(0xFF, 0x69, 0x39));
    button->setCornerRadius(20);
    button->setContentTintColor(Qt::white);
    button->resize(button->sizeHint());
    return button;
}

KAPageControlView* pageControl(QWidget* parent, bool spread)
{
    auto* control = new KAPageControlView(parent);
    control->resize(spread ? 160 : 120, 20);
    control->setCircleBackgroundColor(QColor(0xDF, 0xE2, 0xE9));
    control->setCircleSelectedColor(QColor(0x4E, 0xAA, 0xFF));
    control->setDistributeHorizontaly(spread);
    control->setSelectedPage(1);
    control->setNumberOfPages(3);
    return control;
}

} // namespace

class TestControlScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void controls();
};

void TestControlScreenshots::initTestCase()
{
    QApplication::setStyle(u"Fusion"_s);
    QApplication::setPalette(QApplication::style()->standardPalette());
    QVERIFY(QDir().mkpath(QStringLiteral(KESTREL_SCREENSHOT_DIR)));
}

// Top row: the button at rest and with keyboard focus; below it the page
// control packed and spread, and a disabled one.
void TestControlScreenshots::controls()
{
    QWidget host;
    host.setAutoFillBackground(true);
    QPalette palette = host.palette();
    palette.setColor(QPalette::Window, Qt::white);
    host.setPalette(palette);
    host.resize(480, 130);

    KAButton* atRest = fullVersionButton(&host);
    atRest->move(20, 20);
    KAButton* focused = fullVersionButton(&host);
    focused->move(atRest->geometry().right() + 21, 20);
    KAPageControlView* packed = pageControl(&host, false);
    packed->move(20, 90);
    KAPageControlView* spread = pageControl(&host, true);
    spread->move(160, 90);
    KAPageControlView* disabled = pageControl(&host, false);
    disabled->move(340, 90);
    disabled->setEnabled(false);

    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    // As if it had been reached with the Tab key.
    focused->setFocus(Qt::TabFocusReason);
    host.setAttribute(Qt::WA_KeyboardFocusChange);
    QCOMPARE(packed->knobs().at(1)->currentStatus(), MBPageControlKnobView::selected);

    const QPixmap picture = host.grab();
    QVERIFY(picture.save(screenshotPath(u"custom_controls"_s, picture.devicePixelRatio())));
}

QTEST_MAIN(TestControlScreenshots)
#include "controls.moc"
