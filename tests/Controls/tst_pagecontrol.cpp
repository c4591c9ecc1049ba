#include "Controls/KAPageControlView.h"
#include "Controls/MBPageControlKnobView.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <memory>

#include <unistd.h>

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

// Everything the code under test writes to the standard output meanwhile.
template<typename Action> QByteArray standardOutputOf(Action action)
{
    QTemporaryFile capture;
    if (!capture.open())
        return "(no capture file)";
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(capture.handle(), STDOUT_FILENO);
    action();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

} // namespace

class TestPageControl : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void constructorBuildsNoKnobs();
    void knobFrames_data();
    void knobFrames();
    void selectedPage_data();
    void selectedPage();
    void clickSelectsAndTriggers_data();
    void clickSelectsAndTriggers();
    void rebuildFromTheActionKeepsFocus();
    void disabledIsFadedAndIgnoresClicks();
    void messageWhenNoActionIsConnected();
    void pointerOverAKnob_data();
    void pointerOverAKnob();

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

void TestPageControl::constructorBuildsNoKnobs()
{
    QVERIFY(m_control->knobs().isEmpty());
    QCOMPARE(m_control->numberOfPages(), 5);
    QCOMPARE(m_control->insetKnobHeight(), 25.0);
    QCOMPARE(m_control->distanceBetweenKnobs(), 6.0);
}

void TestPageControl::knobFrames_data()
{
    QTest::addColumn<QSizeF>("controlSize");
    QTest::addColumn<int>("pages");
    QTest::addColumn<bool>("spread");
    QTest::addColumn<qreal>("inset");
    QTest::addColumn<qreal>("firstX");
    QTest::addColumn<qreal>("step"); // from one knob's x to the next one's
    QTest::addColumn<qreal>("diameter");
    QTest::addColumn<qreal>("y");

    const qreal gap = (200.0 - 75.0) / 6.0; // 20.833...
    QTest::newRow("spread") << QSizeF(200, 20) << 5 << true << 25.0 << gap << 15.0 + gap << 15.0 << 2.5;
    QTest::newRow("packed") << QSizeF(200, 20) << 5 << false << 25.0 << 50.5 << 21.0 << 15.0 << 2.5;
    QTest::newRow("one packed, no inset")
        << QSizeF(101, 10) << 1 << false << 0.0 << 45.5 << 0.0 << 10.0 << 0.0;
    QTest::newRow("none") << QSizeF(200, 20) << 0 << true << 25.0 << 0.0 << 0.0 << 15.0 << 2.5;
    QTest::newRow("negative") << QSizeF(200, 20) << -3 << false << 25.0 << 0.0 << 0.0 << 15.0 << 2.5;
}

void TestPageControl::knobFrames()
{
    QFETCH(QSizeF, controlSize);
    QFETCH(int, pages);
    QFETCH(bool, spread);
    QFETCH(qreal, inset);
    QFETCH(qreal, firstX);
    QFETCH(qreal, step);
    QFETCH(qreal, diameter);
    QFETCH(qreal, y);

    m_control->resize(controlSize.toSize());
    m_control->setSelectedPage(3);
    m_control->setDistributeHorizontaly(spread);
    m_control->setInsetKnobHeight(inset);
    m_control->setNumberOfPages(pages);

    const QList<MBPageControlKnobView*> knobs = m_control->knobs();
    QCOMPARE(knobs.size(), std::max(0, pages));
    if (pages <= 0)
        QCOMPARE(m_control->selectedPage(), 0);
    for (int i = 0; i < knobs.size(); ++i) {
        const QRectF frame = knobs.at(i)->frame();
        QCOMPARE(knobs.at(i)->id(), i);
        QCOMPARE(frame.x(), firstX + i * step);
        QCOMPARE(frame.y(), y);
        QCOMPARE(frame.size(), QSizeF(diameter, diameter));
        QVERIFY(knobs.at(i)->geometry().contains(frame.toAlignedRect()));
    }
}

void TestPageControl::selectedPage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("stored");

    QTest::newRow("in range") << 3 << 3;
    QTest::newRow("7 of 5") << 7 << 2;
    QTest::newRow("5 of 5") << 5 << 0;
    QTest::newRow("-1 keeps its sign") << -1 << -1;
    QTest::newRow("-6 of 5") << -6 << -1;
}

void TestPageControl::selectedPage()
{
    QFETCH(int, page);
    QFETCH(int, stored);
    m_control->setNumberOfPages(5);
    m_control->setSelectedPage(page);
    QCOMPARE(m_control->selectedPage(), stored);
    // The knobs keep their looks until the row is rebuilt.
    QCOMPARE(m_control->knobs().first()->currentStatus(), MBPageControlKnobView::selected);

    m_control->setNumberOfPages(5);
    const QList<MBPageControlKnobView::Status> statuses = statusesOf(*m_control);
    for (int i = 0; i < statuses.size(); ++i)
        QCOMPARE(statuses.at(i) == MBPageControlKnobView::selected, i == stored);
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
    QCOMPARE(m_control->alphaValue(), 0.7);

    MBPageControlKnobView* knob = m_control->knobs().at(1);
    QTest::mouseClick(knob, Qt::LeftButton, {}, knob->mapFrom(m_control, knob->frame().center().toPoint()));
    m_control->aKnobHasBeenSelected(knob);
    QCOMPARE(triggered.count(), 0);
    QCOMPARE(m_control->selectedPage(), 0);
    QCOMPARE(knob->currentStatus(), MBPageControlKnobView::inactive);
    // 70 % of the blue over the white behind it.
    const QColor faded(131, 195, 255);
    QVERIFY(near(paintedCentreOf(m_control->knobs().at(0)), faded));

    m_control->setEnabled(true);
    QCOMPARE(m_control->alphaValue(), 1.0);
    QVERIFY(near(paintedCentreOf(m_control->knobs().at(0)), knobBlue));
}

void TestPageControl::messageWhenNoActionIsConnected()
{
    m_control->setNumberOfPages(3);
    const QByteArray printed
        = standardOutputOf([this] { m_control->aKnobHasBeenSelected(m_control->knobs().at(2)); });
    QCOMPARE(printed, QByteArray("Are you sure you didn't forget to connect an action to this control?\n"));
    QCOMPARE(m_control->selectedPage(), 2);

    connect(m_control, &KAPageControlView::actionTriggered, m_control, [] {});
    QCOMPARE(standardOutputOf([this] { m_control->aKnobHasBeenSelected(m_control->knobs().at(1)); }),
             QByteArray());
}

void TestPageControl::pointerOverAKnob_data()
{
    QTest::addColumn<int>("knob");
    QTest::addColumn<int>("statusInside"); // MBPageControlKnobView::Status
    QTest::addColumn<QColor>("painted");

    QTest::newRow("selected") << 0 << int(MBPageControlKnobView::selected) << knobBlue;
    QTest::newRow("another") << 1 << int(MBPageControlKnobView::hover) << knobGrey;
}

void TestPageControl::pointerOverAKnob()
{
    QFETCH(int, knob);
    QFETCH(int, statusInside);
    QFETCH(QColor, painted);
    m_control->setNumberOfPages(3);
    MBPageControlKnobView* target = m_control->knobs().at(knob);
    const MBPageControlKnobView::Status before = target->currentStatus();

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(target, &enter);
    QCOMPARE(int(target->currentStatus()), statusInside);
    QVERIFY(near(paintedCentreOf(target), painted));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(target, &leave);
    QCOMPARE(target->currentStatus(), before);
}

QTEST_MAIN(TestPageControl)
#include "tst_pagecontrol.moc"
