#include "Controls/KAPageControlView.h"
#include "Controls/MBPageControlKnobView.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QColor knobGrey(0xDF, 0xE2, 0xE9);
const QColor knobBlue(0x4E, 0xAA, 0xFF);

bool near(const QColor& actual, const QColor& expected, int tolerance = 3)
{
    return std::abs(actual.red() - expected.red()) <= tolerance
        && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

QList<MBPageControlKnobView::Status> statusesOf(const KAPageControlView& control)
{
    QList<MBPageControlKnobView::Status> statuses;
    for (const MBPageControlKnobView* knob : control.knobs())
        statuses.append(knob->currentStatus());
    return statuses;
}

} // namespace

class TestPageControl : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void knobsSitInARowInsideTheControl_data();
    void knobsSitInARowInsideTheControl();
    void clickSelectsAndTriggers_data();
    void clickSelectsAndTriggers();
    void rebuildFromTheActionKeepsFocus();
    void disabledIsFadedAndIgnoresClicks();
    void pointerOverAKnobKeepsTheSelection();

private:
    QColor paintedCentreOf(const MBPageControlKnobView* knob) const;

    std::unique_ptr<QWidget> m_host;
    KAPageControlView* m_control = nullptr;
};

void TestPageControl::init()
{
    m_host = std::make_unique<QWidget>();
    m_host->setAutoFillBackground(true);
    QPalette palette = m_host->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_host->setPalette(palette);
    m_host->resize(240, 60);
    m_control = new KAPageControlView(m_host.get());
    m_control->setGeometry(20, 20, 200, 20);
    m_control->setCircleBackgroundColor(knobGrey);
    m_control->setCircleSelectedColor(knobBlue);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
}

void TestPageControl::cleanup()
{
    m_host.reset();
}

QColor TestPageControl::paintedCentreOf(const MBPageControlKnobView* knob) const
{
    const QPoint centre = m_control->mapTo(m_host.get(), knob->frame().center().toPoint());
    return m_host->grab().toImage().pixelColor(centre);
}

void TestPageControl::knobsSitInARowInsideTheControl_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<bool>("spread");

    QTest::newRow("spread") << 5 << true;
    QTest::newRow("packed") << 5 << false;
    QTest::newRow("one packed") << 1 << false;
    QTest::newRow("none") << 0 << true;
    QTest::newRow("negative") << -3 << false;
}

// Each knob is round, whole, clickable over its circle and clear of its
// neighbours; a row of no pages selects page 0.
void TestPageControl::knobsSitInARowInsideTheControl()
{
    QFETCH(int, pages);
    QFETCH(bool, spread);
    m_control->setSelectedPage(3);
    m_control->setDistributeHorizontaly(spread);
    m_control->setNumberOfPages(pages);

    const QList<MBPageControlKnobView*> knobs = m_control->knobs();
    QCOMPARE(knobs.size(), std::max(0, pages));
    if (pages <= 0)
        QCOMPARE(m_control->selectedPage(), 0);
    qreal right = 0;
    for (int i = 0; i < knobs.size(); ++i) {
        const QRectF frame = knobs.at(i)->frame();
        QCOMPARE(knobs.at(i)->id(), i);
        QVERIFY(frame.width() > 0 && frame.width() == frame.height());
        QVERIFY(QRectF(m_control->rect()).contains(frame));
        QVERIFY(frame.left() > right);
        QVERIFY(knobs.at(i)->geometry().contains(frame.toAlignedRect()));
        right = frame.right();
    }
}

void TestPageControl::clickSelectsAndTriggers_data()
{
    QTest::addColumn<QString>("by");
    QTest::newRow("pointer") << u"pointer"_s;
    QTest::newRow("space key") << u"keyboard"_s;
    QTest::newRow("screen reader") << u"screen reader"_s;
}

void TestPageControl::clickSelectsAndTriggers()
{
    QFETCH(QString, by);
    m_control->setNumberOfPages(3);
    QSignalSpy triggered(m_control, &KAPageControlView::actionTriggered);
    MBPageControlKnobView* knob = m_control->knobs().at(2);
    if (by == u"keyboard") {
        knob->setFocus(Qt::TabFocusReason);
        QTest::keyClick(knob, Qt::Key_Space);
    } else if (by == u"screen reader") {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(knob);
        QCOMPARE(face->role(), QAccessible::PageTab);
        face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    } else {
        QTest::mouseClick(knob, Qt::LeftButton, {},
                          knob->mapFrom(m_control, knob->frame().center().toPoint()));
    }
    QCOMPARE(triggered.count(), 1);
    QCOMPARE(m_control->selectedPage(), 2);
    using S = MBPageControlKnobView::Status;
    QCOMPARE(statusesOf(*m_control), (QList<S> { S::inactive, S::inactive, S::selected }));
    QVERIFY(near(paintedCentreOf(knob), knobBlue));
    QVERIFY(near(paintedCentreOf(m_control->knobs().at(0)), knobGrey));
    // A screen reader tells the shown page by its knob's selected state.
    for (MBPageControlKnobView* each : m_control->knobs())
        QCOMPARE(QAccessible::queryAccessibleInterface(each)->state().selected, each == knob);
}

// Rebuilding the row from the action deletes the knob being pressed: that
// must wait, and the keyboard user keeps their place.
void TestPageControl::rebuildFromTheActionKeepsFocus()
{
    m_control->setNumberOfPages(3);
    connect(m_control, &KAPageControlView::actionTriggered, m_control,
            [this] { m_control->setNumberOfPages(3); });
    MBPageControlKnobView* pressed = m_control->knobs().at(1);
    pressed->setFocus(Qt::TabFocusReason);
    QTest::keyClick(pressed, Qt::Key_Space);

    QCOMPARE(m_control->knobs().size(), 3);
    QVERIFY(!m_control->knobs().contains(pressed));
    QCOMPARE(m_host->focusWidget(), m_control->knobs().at(1));
    QCOMPARE(m_control->knobs().at(1)->currentStatus(), MBPageControlKnobView::selected);
    QTRY_COMPARE(m_control->findChildren<MBPageControlKnobView*>().size(), 3);
}

void TestPageControl::disabledIsFadedAndIgnoresClicks()
{
    m_control->setNumberOfPages(3);
    QSignalSpy triggered(m_control, &KAPageControlView::actionTriggered);
    m_control->setEnabled(false);

    MBPageControlKnobView* knob = m_control->knobs().at(1);
    QTest::mouseClick(knob, Qt::LeftButton, {}, knob->mapFrom(m_control, knob->frame().center().toPoint()));
    m_control->aKnobHasBeenSelected(knob);
    QCOMPARE(triggered.count(), 0);
    QCOMPARE(m_control->selectedPage(), 0);
    QCOMPARE(knob->currentStatus(), MBPageControlKnobView::inactive);
    // The selected knob still shows, paler: between its blue and the white behind.
    const QColor faded = paintedCentreOf(m_control->knobs().at(0));
    QVERIFY(!near(faded, knobBlue) && !near(faded, Qt::white));
    QVERIFY(faded.red() > knobBlue.red() && faded.blue() >= knobBlue.blue() - 3);

    m_control->setEnabled(true);
    QVERIFY(near(paintedCentreOf(m_control->knobs().at(0)), knobBlue));
}

// Hovering lights another knob but never takes the selected knob's look.
void TestPageControl::pointerOverAKnobKeepsTheSelection()
{
    m_control->setNumberOfPages(3);
    const auto hover = [this](int index, QEvent::Type type) {
        MBPageControlKnobView* knob = m_control->knobs().at(index);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(knob, type == QEvent::Enter ? static_cast<QEvent*>(&enter) : &leave);
        return knob->currentStatus();
    };
    using S = MBPageControlKnobView::Status;
    QCOMPARE(hover(0, QEvent::Enter), S::selected);
    QVERIFY(near(paintedCentreOf(m_control->knobs().at(0)), knobBlue));
    QCOMPARE(hover(0, QEvent::Leave), S::selected);
    QCOMPARE(hover(1, QEvent::Enter), S::hover);
    QVERIFY(near(paintedCentreOf(m_control->knobs().at(1)), knobGrey));
    QCOMPARE(hover(1, QEvent::Leave), S::inactive);
}

QTEST_MAIN(TestPageControl)
#include "tst_pagecontrol.moc"
