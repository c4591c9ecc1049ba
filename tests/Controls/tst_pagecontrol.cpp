#include "Controls/KAPageControlView.h"
#include "Controls/MBPageControlKnobView.h"
#include "WhiteHost.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

using WhiteHost::near;

const QColor knobGrey(0xDF, 0xE2, 0xE9);
const QColor knobBlue(0x4E, 0xAA, 0xFF);

class TestPageControl : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void clickSelectsAndTriggers_data();
    void clickSelectsAndTriggers();
    void rebuildFromTheActionKeepsFocus();
    void disabledIsFadedAndIgnoresClicks();

private:
    QColor paintedCentreOf(const MBPageControlKnobView* knob) const;

    std::unique_ptr<QWidget> m_host;
    KAPageControlView* m_control = nullptr;
};

void TestPageControl::init()
{
    m_host = WhiteHost::make({ 240, 60 });
    m_control = new KAPageControlView(m_host.get());
    m_control->setGeometry(20, 20, 200, 20);
    m_control->setCircleBackgroundColor(knobGrey);
    m_control->setCircleSelectedColor(knobBlue);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
}

QColor TestPageControl::paintedCentreOf(const MBPageControlKnobView* knob) const
{
    const QPoint centre = m_control->mapTo(m_host.get(), knob->frame().center().toPoint());
    return m_host->grab().toImage().pixelColor(centre);
}

void TestPageControl::clickSelectsAndTriggers_data()
{
    QTest::addColumn<QString>("by");
    QTest::newRow("pointer") << u"pointer"_s;
    QTest::newRow("screen reader") << u"screen reader"_s;
}

void TestPageControl::clickSelectsAndTriggers()
{
    QFETCH(QString, by);
    m_control->setNumberOfPages(3);
    QSignalSpy triggered(m_control, &KAPageControlView::actionTriggered);
    MBPageControlKnobView* knob = m_control->knobs().at(2);
    if (by == u"screen reader") {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(knob);
        QCOMPARE(face->role(), QAccessible::PageTab);
        face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    } else {
        QTest::mouseClick(knob, Qt::LeftButton, {},
                          knob->mapFrom(m_control, knob->frame().center().toPoint()));
    }
    QCOMPARE(triggered.count(), 1);
    QCOMPARE(m_control->selectedPage(), 2);
    QVERIFY(near(paintedCentreOf(knob), knobBlue));
    QVERIFY(near(paintedCentreOf(m_control->knobs().at(0)), knobGrey));
    // A screen reader tells the shown page by its knob's selected state.
    for (MBPageControlKnobView* each : m_control->knobs())
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

QTEST_MAIN(TestPageControl)
#include "tst_pagecontrol.moc"
