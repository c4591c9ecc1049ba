// Writes pictures of the bottom bars and of the glow button in its states to
// the build's screenshots folder, for a person to look at, and checks the
// pixels that must be exact: the hairline, the bar and the button colours,
// and that no text runs outside its control.
#include "Controls/WonderfulButton.h"
#include "Pages/Compress/View/CompressBarView.h"
#include "Pages/Extract/View/ExtractBarView.h"
#include "Resources/LocalizedText.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QStyle>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QColor barColor(0xF6, 0xF6, 0xF6);
const QColor hairlineColor(0xE2, 0xE2, 0xE2);
const QColor buttonBlue(0x2E, 0x85, 0xFF);

QString screenshotPath(const QString& name, qreal ratio)
{
    const QString suffix = ratio == 1.0 ? QString() : u"@%1x"_s.arg(ratio);
    return QStringLiteral(KESTREL_SCREENSHOT_DIR) + u'/' + name + suffix + u".png"_s;
}

bool save(const QPixmap& picture, const QString& name)
{
    return !picture.isNull() && picture.save(screenshotPath(name, picture.devicePixelRatio()));
}

bool fitsInside(const QWidget* child)
{
    return QRect(QPoint(0, 0), child->parentWidget()->size()).contains(child->geometry());
}

} // namespace

class TestBarScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void bars_data();
    void bars();
    void buttonStates();
};

void TestBarScreenshots::initTestCase()
{
    QApplication::setStyle(u"Fusion"_s);
    QApplication::setPalette(QApplication::style()->standardPalette());
    QVERIFY(installTranslations(QLocale(QLocale::English)));
    QVERIFY(QDir().mkpath(QStringLiteral(KESTREL_SCREENSHOT_DIR)));
}

void TestBarScreenshots::bars_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("compress") << u"compress_bar"_s;
    QTest::newRow("extract") << u"extract_bar"_s;
}

void TestBarScreenshots::bars()
{
    QFETCH(QString, name);
    std::unique_ptr<BarView> bar;
    WonderfulButton* button = nullptr;
    if (name == u"compress_bar") {
        auto* compressBar = new CompressBarView;
        button = compressBar->compressButton();
        bar.reset(compressBar);
    } else {
        auto* extractBar = new ExtractBarView;
        button = extractBar->extractButton();
        bar.reset(extractBar);
    }
    bar->resize(600, BarView::barHeight);
    bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar.get()));

    const QPixmap picture = bar->grab();
    QVERIFY(save(picture, name));

    const QImage pixels = picture.toImage();
    const qreal ratio = picture.devicePixelRatio();
    QCOMPARE(pixels.height(), qRound(39 * ratio));
    // One device pixel of hairline, then the bar's grey.
    QCOMPARE(pixels.pixelColor(10, 0), hairlineColor);
    QCOMPARE(pixels.pixelColor(10, 1), barColor);
    QCOMPARE(pixels.pixelColor(10, pixels.height() - 1), barColor);
    // The button's blue, left of its title.
    const QPoint inButton = (button->geometry().topLeft() + QPoint(4, 7)) * ratio;
    QCOMPARE(pixels.pixelColor(inButton), buttonBlue);

    QVERIFY(button->rect().contains(button->titleFrame()));
    for (const QWidget* child : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        QVERIFY2(fitsInside(child), child->metaObject()->className());
}

void TestBarScreenshots::buttonStates()
{
    QWidget gallery;
    gallery.setAutoFillBackground(true);
    QPalette palette = gallery.palette();
    palette.setColor(QPalette::Window, barColor);
    gallery.setPalette(palette);
    auto* layout = new QHBoxLayout(&gallery);
    layout->setContentsMargins(20, 12, 20, 12);
    layout->setSpacing(20);

    const auto addButton = [&](const QString& title) {
        auto* button = new WonderfulButton(title);
        QFont font = button->font();
        font.setPixelSize(12);
        button->setFont(font);
        button->setButtonColor(buttonBlue);
        button->setBorderColor(buttonBlue);
        button->setTextColor(Qt::white);
        button->setFixedHeight(15);
        layout->addWidget(button);
        return button;
    };
    const auto addIconButton = [&](const QString& title) {
        WonderfulButton* button = addButton(title);
        button->setFixedHeight(28);
        button->setImage(u"next_btn"_s, QSize(18, 18));
        button->setImagePosition(WonderfulButton::ImagePosition::imageRight);
        button->setIconColor(Qt::white);
        button->setActiveButtonColor(QColor(0x1F, 0x6F, 0xE0));
        button->setActiveBorderColor(QColor(0x1F, 0x6F, 0xE0));
        button->setActiveTextColor(Qt::white);
        button->setActiveIconColor(QColor(0xFF, 0xC8, 0x3D));
        button->setGlowRadius(6);
        button->setGlowOpacity(0.9);
        return button;
    };
    // At rest, focused from the keyboard, on (as while pressed), disabled,
    // and with a picture, off and on with its glow.
    WonderfulButton* rest = addButton(u"Compress"_s);
    WonderfulButton* focused = addButton(u"Compress"_s);
    WonderfulButton* pressed = addButton(u"Compress"_s);
    WonderfulButton* disabled = addButton(u"Compress"_s);
    disabled->setEnabled(false);
    WonderfulButton* iconOff = addIconButton(u"Next"_s);
    WonderfulButton* iconOn = addIconButton(u"Next"_s);
    layout->addStretch();

    gallery.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gallery));
    rest->setFocus();
    QTRY_VERIFY(rest->hasFocus());
    QTest::keyClick(rest, Qt::Key_Tab);
    QTRY_VERIFY(focused->hasFocus());
    for (WonderfulButton* button : { pressed, iconOn }) {
        button->setState(WonderfulButton::on);
        button->refreshColors();
    }

    QVERIFY(save(gallery.grab(), u"wonderful_button_states"_s));
    QCOMPARE(pressed->grab().toImage().pixelColor(QPoint(4, 7) * pressed->devicePixelRatioF()),
             QColor(Qt::white));
    for (WonderfulButton* button : { rest, focused, pressed, disabled, iconOff, iconOn })
        QVERIFY(button->rect().contains(button->titleFrame()));
}

QTEST_MAIN(TestBarScreenshots)
#include "bars.moc"
