#include "Controls/Carousel.h"
#include "Controls/CarouselDataSource.h"
#include "Controls/Image.h"
#include "Controls/KAButton.h"
#include "Controls/KAPageControlView.h"
#include "Controls/MBPageControlKnobView.h"
#include "Controls/WonderfulButton.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QColor blue(0x2E, 0x85, 0xFF);
const QColor knobGrey(0xDF, 0xE2, 0xE9);
const QColor knobBlue(0x4E, 0xAA, 0xFF);

// Each channel within a few steps: antialiasing and blending move a pixel a little.
bool near(const QColor& actual, const QColor& expected)
{
    return std::abs(actual.red() - expected.red()) <= 3 && std::abs(actual.green() - expected.green()) <= 3
        && std::abs(actual.blue() - expected.blue()) <= 3;
}

// Still `colour`, paler: the white behind shows through.
bool fadedFrom(const QColor& shown, const QColor& colour)
{
    return !near(shown, colour) && !near(shown, Qt::white) && shown.red() > colour.red()
        && shown.blue() >= colour.blue() - 3;
}

// The columns [from, from + width) of a picture.
QImage columns(const QPixmap& picture, int from, int width)
{
    return picture.toImage().copy(from, 0, width, picture.height());
}

// Labels showing their index; counts the views it filled again.
class LabelSource : public CarouselDataSource
{
public:
    int numberOfItemsInCarousel(Carousel*) override { return count; }

    QWidget* viewForItemAtIndex(Carousel*, int index, QWidget* reusingView) override
    {
        auto* label = qobject_cast<QLabel*>(reusingView);
        if (label)
            ++reuses;
        else
            label = new QLabel;
        label->setText(QString::number(index));
        return label;
    }

    int count = 3;
    int reuses = 0;
};

QList<int> loadedIndexes(const Carousel& carousel)
{
    QList<int> loaded;
    for (int index = 0; index < carousel.numberOfItems(); ++index) {
        if (carousel.itemViewAtIndex(index))
            loaded.append(index);
    }
    return loaded;
}

} // namespace

// The painted controls on one white window, whose pixels are read back: the
// bars' WonderfulButton, driven by pointer and keys; the page control's knobs;
// the upgrade page's carousel. The KAButton keeps its content inside its padding.
class TestControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void buttonClicks_data();
    void buttonClicks();
    void buttonContentStaysInsideThePadding();
    void disabledIsFadedAndIgnoresClicks();

    void knobClickSelectsAndTriggers_data();
    void knobClickSelectsAndTriggers();
    void knobRebuildFromTheActionKeepsFocus();

    void carouselScrollsToClampedIndex_data();
    void carouselScrollsToClampedIndex();
    void carouselResizeKeepsCurrentItemAligned();
    void carouselReloadLoadsNeighboursAndClampsIndex_data();
    void carouselReloadLoadsNeighboursAndClampsIndex();
    void carouselDragPages_data();
    void carouselDragPages();

private:
    // The colour painted just inside the button's left edge, clear of border and title.
    QColor buttonBackgroundShown() const;
    QColor paintedCentreOf(const MBPageControlKnobView* knob) const;
    // The loaded views sit side by side with the current one filling the carousel.
    void verifyAligned() const;

    std::unique_ptr<QWidget> m_host;
    WonderfulButton* m_button = nullptr;
    KAPageControlView* m_pager = nullptr;
    Carousel* m_carousel = nullptr;
    LabelSource m_source;
};

void TestControls::initTestCase()
{
    QApplication::setStyle(u"Fusion"_s);
    QApplication::setPalette(QApplication::style()->standardPalette());
}

void TestControls::init()
{
    m_host = std::make_unique<QWidget>();
    m_host->setAutoFillBackground(true);
    QPalette palette = m_host->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_host->setPalette(palette);
    m_host->resize(300, 300);

    m_button = new WonderfulButton(u"Go"_s, m_host.get());
    m_button->setGeometry(40, 30, 120, 40);
    // The bars' look: blue at rest, white while pressed.
    m_button->setButtonColor(blue);
    m_button->setBorderColor(blue);
    m_button->setTextColor(Qt::white);

    m_pager = new KAPageControlView(m_host.get());
    m_pager->setGeometry(20, 100, 200, 20);
    m_pager->setCircleBackgroundColor(knobGrey);
    m_pager->setCircleSelectedColor(knobBlue);
    m_pager->setNumberOfPages(3);

    m_source = {};
    m_carousel = new Carousel(m_host.get());
    m_carousel->setGeometry(0, 140, 300, 160);
    m_carousel->setDataSource(&m_source);

    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
}

QColor TestControls::buttonBackgroundShown() const
{
    return m_host->grab(m_button->geometry()).toImage().pixelColor(4, m_button->height() / 2);
}

QColor TestControls::paintedCentreOf(const MBPageControlKnobView* knob) const
{
    const QPoint centre = m_pager->mapTo(m_host.get(), knob->frame().center().toPoint());
    return m_host->grab().toImage().pixelColor(centre);
}

void TestControls::verifyAligned() const
{
    const int width = m_carousel->width();
    const int current = m_carousel->currentItemIndex();
    for (int index : loadedIndexes(*m_carousel)) {
        const auto* label = qobject_cast<QLabel*>(m_carousel->itemViewAtIndex(index));
        QVERIFY(label);
        QCOMPARE(label->text(), QString::number(index));
        QCOMPARE(label->geometry(), QRect((index - current) * width, 0, width, m_carousel->height()));
        QVERIFY(label->isVisible());
    }
}

void TestControls::buttonClicks_data()
{
    QTest::addColumn<QPoint>("releaseAt"); // in the button's coordinates; the pointer moves there first
    QTest::addColumn<Qt::Key>("key"); // pressed instead, when there is no pointer
    QTest::addColumn<int>("clicks");

    QTest::newRow("release inside") << QPoint(60, 20) << Qt::Key_unknown << 1;
    QTest::newRow("moved out, released outside") << QPoint(-20, -20) << Qt::Key_unknown << 0;
    // The bars' buttons start their job from the keyboard as well; Space is
    // pressed on the compress button in the window's keyboard walk.
    QTest::newRow("Return") << QPoint() << Qt::Key_Return << 1;
    QTest::newRow("Enter") << QPoint() << Qt::Key_Enter << 1;
    QTest::newRow("a letter") << QPoint() << Qt::Key_A << 0;
}

void TestControls::buttonClicks()
{
    QFETCH(QPoint, releaseAt);
    QFETCH(Qt::Key, key);
    QFETCH(int, clicks);
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    QTRY_VERIFY(near(buttonBackgroundShown(), blue));
    if (key != Qt::Key_unknown) {
        m_button->setFocus();
        QTRY_VERIFY(m_button->hasFocus());
        QTest::keyClick(m_button, key);
    } else {
        QTest::mousePress(m_button, Qt::LeftButton, {}, QPoint(60, 20));
        QCOMPARE(m_button->state(), WonderfulButton::on);
        // Towards the on state the colours change at once (duration 0).
        QVERIFY(near(buttonBackgroundShown(), Qt::white));
        QTest::mouseMove(m_button, releaseAt);
        QTest::mouseRelease(m_button, Qt::LeftButton, {}, releaseAt);
    }
    QCOMPARE(m_button->state(), WonderfulButton::off);
    QCOMPARE(clicked.count(), clicks);
    QTRY_VERIFY(near(buttonBackgroundShown(), blue));
}

// A title far too long for the button: whatever is drawn in the padding is
// what the same button draws there with no content at all.
void TestControls::buttonContentStaysInsideThePadding()
{
    KAButton full;
    KAButton empty;
    for (KAButton* each : { &full, &empty }) {
        each->setBackgroundColor(QColor(0xFF, 0x69, 0x39));
        each->setCornerRadius(20);
        each->setContentTintColor(Qt::white);
        each->resize(200, 40);
    }
    full.setText(u"Get the full version with every format and no limits"_s);
    QIcon icon;
    icon.addPixmap(image(u"upgrade_btn"_s, QSize(20, 20), 1.0));
    full.setIcon(icon);

    const int padding = int(full.horizontalImagePadding());
    const QPixmap withContent = full.grab();
    const QPixmap without = empty.grab();
    QCOMPARE(columns(withContent, 0, padding), columns(without, 0, padding));
    QCOMPARE(columns(withContent, 200 - padding, padding), columns(without, 200 - padding, padding));
    QVERIFY(columns(withContent, padding, 200 - 2 * padding) != columns(without, padding, 200 - 2 * padding));
}

void TestControls::knobClickSelectsAndTriggers_data()
{
    QTest::addColumn<bool>("byScreenReader");
    QTest::newRow("pointer") << false;
    QTest::newRow("screen reader") << true;
}

void TestControls::knobClickSelectsAndTriggers()
{
    QFETCH(bool, byScreenReader);
    QSignalSpy triggered(m_pager, &KAPageControlView::actionTriggered);
    MBPageControlKnobView* knob = m_pager->knobs().at(2);
    if (byScreenReader) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(knob);
        QCOMPARE(face->role(), QAccessible::PageTab);
        face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    } else {
        QTest::mouseClick(knob, Qt::LeftButton, {}, knob->mapFrom(m_pager, knob->frame().center().toPoint()));
    }
    QCOMPARE(triggered.count(), 1);
    QCOMPARE(m_pager->selectedPage(), 2);
    QVERIFY(near(paintedCentreOf(knob), knobBlue));
    QVERIFY(near(paintedCentreOf(m_pager->knobs().at(0)), knobGrey));
    // A screen reader tells the shown page by its knob's selected state.
    for (MBPageControlKnobView* each : m_pager->knobs())
        QCOMPARE(QAccessible::queryAccessibleInterface(each)->state().selected, each == knob);

    // The pointer passing over the selected knob leaves it as it is.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(knob, &enter);
    QVERIFY(near(paintedCentreOf(knob), knobBlue));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(knob, &leave);
    QCOMPARE(knob->currentStatus(), MBPageControlKnobView::selected);
}

// Space on a knob selects it. Rebuilding the row from the action deletes the
// knob being pressed: that must wait, and the keyboard user keeps their place.
void TestControls::knobRebuildFromTheActionKeepsFocus()
{
    connect(m_pager, &KAPageControlView::actionTriggered, m_pager, [this] { m_pager->setNumberOfPages(3); });
    MBPageControlKnobView* pressed = m_pager->knobs().at(1);
    pressed->setFocus(Qt::TabFocusReason);
    QTest::keyClick(pressed, Qt::Key_Space);

    QCOMPARE(m_pager->knobs().size(), 3);
    QVERIFY(!m_pager->knobs().contains(pressed));
    QCOMPARE(m_host->focusWidget(), m_pager->knobs().at(1));
    QCOMPARE(m_pager->knobs().at(1)->currentStatus(), MBPageControlKnobView::selected);
    QTRY_COMPARE(m_pager->findChildren<MBPageControlKnobView*>().size(), 3);
}

// Disabled, the button and the knobs still show their colour, paler; a click
// on the button goes to what is behind, and a knob ignores its click.
void TestControls::disabledIsFadedAndIgnoresClicks()
{
    QTRY_VERIFY(near(buttonBackgroundShown(), blue));
    QSignalSpy triggered(m_pager, &KAPageControlView::actionTriggered);
    m_button->setEnabled(false);
    m_pager->setEnabled(false);
    QVERIFY(fadedFrom(buttonBackgroundShown(), blue));
    QVERIFY(fadedFrom(paintedCentreOf(m_pager->knobs().at(0)), knobBlue));

    const QPoint centre = m_button->geometry().center();
    QCOMPARE(m_host->childAt(centre), nullptr);
    MBPageControlKnobView* knob = m_pager->knobs().at(1);
    QTest::mouseClick(knob, Qt::LeftButton, {}, knob->mapFrom(m_pager, knob->frame().center().toPoint()));
    m_pager->aKnobHasBeenSelected(knob);
    QCOMPARE(triggered.count(), 0);
    QCOMPARE(m_pager->selectedPage(), 0);
    QCOMPARE(knob->currentStatus(), MBPageControlKnobView::inactive);

    m_button->setEnabled(true);
    m_pager->setEnabled(true);
    QCOMPARE(m_host->childAt(centre), m_button);
    QVERIFY(near(paintedCentreOf(m_pager->knobs().at(0)), knobBlue));
}

void TestControls::carouselScrollsToClampedIndex_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("requested");
    QTest::addColumn<bool>("animated");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("emissions");

    for (bool animated : { false, true }) {
        const char* how = animated ? "animated" : "at once";
        QTest::addRow("%s: below first", how) << 1 << -1 << animated << 0 << 1;
        QTest::addRow("%s: past last", how) << 0 << 7 << animated << 2 << 1;
        QTest::addRow("%s: current", how) << 1 << 1 << animated << 1 << 0;
        QTest::addRow("%s: past last from last", how) << 2 << 9 << animated << 2 << 0;
    }
}

void TestControls::carouselScrollsToClampedIndex()
{
    QFETCH(int, start);
    QFETCH(int, requested);
    QFETCH(bool, animated);
    QFETCH(int, expected);
    QFETCH(int, emissions);
    m_carousel->scrollToItemAtIndex(start, false);
    QSignalSpy changed(m_carousel, &Carousel::currentItemIndexChanged);

    m_carousel->scrollToItemAtIndex(requested, animated);
    // The index, and the one notification, come as the scroll starts.
    const QList<QVariantList> notified(emissions, { expected });
    QCOMPARE(m_carousel->currentItemIndex(), expected);
    QCOMPARE(QList<QVariantList>(changed), notified);
    QCOMPARE(m_carousel->isScrolling(), animated && emissions > 0);

    QTRY_VERIFY(!m_carousel->isScrolling());
    QCOMPARE(QList<QVariantList>(changed), notified);
    verifyAligned();
    // A screen reader hears where it is.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(m_carousel);
    QCOMPARE(accessible->role(), QAccessible::Grouping);
    QCOMPARE(accessible->text(QAccessible::Description), u"%1 of 3"_s.arg(expected + 1));
}

void TestControls::carouselResizeKeepsCurrentItemAligned()
{
    m_carousel->scrollToItemAtIndex(1, false);
    m_carousel->resize(420, 224);
    verifyAligned();

    // Also when the size changes while the views glide.
    m_carousel->scrollToItemAtIndex(2, true);
    QVERIFY(m_carousel->isScrolling());
    m_carousel->resize(250, 134);
    QTRY_VERIFY(!m_carousel->isScrolling());
    verifyAligned();
}

void TestControls::carouselReloadLoadsNeighboursAndClampsIndex_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("newCount");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QList<int>>("loaded");

    QTest::newRow("first of three") << 3 << 0 << 3 << 0 << QList<int> { 0, 1 };
    QTest::newRow("single") << 1 << 0 << 1 << 0 << QList<int> { 0 };
    QTest::newRow("fewer, current gone") << 5 << 4 << 3 << 2 << QList<int> { 1, 2 };
    QTest::newRow("fewer, current kept") << 5 << 1 << 3 << 1 << QList<int> { 0, 1, 2 };
    QTest::newRow("none left") << 3 << 2 << 0 << 0 << QList<int> {};
}

void TestControls::carouselReloadLoadsNeighboursAndClampsIndex()
{
    QFETCH(int, count);
    QFETCH(int, current);
    QFETCH(int, newCount);
    QFETCH(int, expected);
    QFETCH(QList<int>, loaded);
    m_source.count = count;
    m_carousel->reloadData();
    m_carousel->scrollToItemAtIndex(current, false);
    QSignalSpy changed(m_carousel, &Carousel::currentItemIndexChanged);
    const int reusesBefore = m_source.reuses;

    m_source.count = newCount;
    m_carousel->reloadData();
    QCOMPARE(m_carousel->currentItemIndex(), expected);
    QCOMPARE(changed.count(), expected == current ? 0 : 1);
    QCOMPARE(loadedIndexes(*m_carousel), loaded);
    for (int gone = newCount; gone < count; ++gone)
        QCOMPARE(m_carousel->itemViewAtIndex(gone), nullptr);
    // The shown views are filled again rather than kept as they were.
    QCOMPARE(m_source.reuses - reusesBefore, loaded.size());
    verifyAligned();
}

void TestControls::carouselDragPages_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("distance"); // to the right; the carousel is 300 wide
    QTest::addColumn<int>("duration");
    QTest::addColumn<int>("expected");

    QTest::newRow("past a third to the left") << 0 << -120 << 1000 << 1;
    QTest::newRow("short and slow") << 1 << -80 << 1000 << 1;
    QTest::newRow("short flick") << 1 << -40 << 100 << 2;
    QTest::newRow("beyond the first") << 0 << 200 << 1000 << 0;
    QTest::newRow("within the click distance") << 0 << -2 << 50 << 0;
}

void TestControls::carouselDragPages()
{
    QFETCH(int, start);
    QFETCH(int, distance);
    QFETCH(int, duration);
    QFETCH(int, expected);
    m_carousel->scrollToItemAtIndex(start, false);
    const QPoint from(150, 80);

    QTest::mousePress(m_carousel, Qt::LeftButton, {}, from);
    QTest::mouseMove(m_carousel, from + QPoint(distance / 2, 0), duration / 2);
    QTest::mouseMove(m_carousel, from + QPoint(distance, 0), duration / 2);
    // Past the click distance the views follow the pointer, but not past the first item.
    if (std::abs(distance) > 10)
        QCOMPARE(m_carousel->itemViewAtIndex(start)->x(), start == 0 && distance > 0 ? 0 : distance);
    QTest::mouseRelease(m_carousel, Qt::LeftButton, {}, from + QPoint(distance, 0), 1);

    QCOMPARE(m_carousel->currentItemIndex(), expected);
    QTRY_VERIFY(!m_carousel->isScrolling());
    verifyAligned();
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
