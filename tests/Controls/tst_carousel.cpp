#include "Controls/Carousel.h"
#include "Controls/CarouselDataSource.h"

#include <QAccessible>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

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

class TestCarousel : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void scrollsToClampedIndex_data();
    void scrollsToClampedIndex();
    void resizeKeepsCurrentItemAligned();
    void reloadLoadsNeighboursAndClampsIndex_data();
    void reloadLoadsNeighboursAndClampsIndex();
    void dragPages_data();
    void dragPages();

private:
    // The loaded views sit side by side with the current one filling the carousel.
    void verifyAligned() const;

    std::unique_ptr<Carousel> m_carousel;
    LabelSource m_source;
};

void TestCarousel::init()
{
    m_source = {};
    m_carousel = std::make_unique<Carousel>();
    m_carousel->resize(300, 160);
    m_carousel->setDataSource(&m_source);
    m_carousel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_carousel.get()));
}

void TestCarousel::verifyAligned() const
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

void TestCarousel::scrollsToClampedIndex_data()
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

void TestCarousel::scrollsToClampedIndex()
{
    QFETCH(int, start);
    QFETCH(int, requested);
    QFETCH(bool, animated);
    QFETCH(int, expected);
    QFETCH(int, emissions);
    m_carousel->scrollToItemAtIndex(start, false);
    QSignalSpy changed(m_carousel.get(), &Carousel::currentItemIndexChanged);

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
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(m_carousel.get());
    QCOMPARE(accessible->role(), QAccessible::Grouping);
    QCOMPARE(accessible->text(QAccessible::Description), u"%1 of 3"_s.arg(expected + 1));
}

void TestCarousel::resizeKeepsCurrentItemAligned()
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

void TestCarousel::reloadLoadsNeighboursAndClampsIndex_data()
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

void TestCarousel::reloadLoadsNeighboursAndClampsIndex()
{
    QFETCH(int, count);
    QFETCH(int, current);
    QFETCH(int, newCount);
    QFETCH(int, expected);
    QFETCH(QList<int>, loaded);
    m_source.count = count;
    m_carousel->reloadData();
    m_carousel->scrollToItemAtIndex(current, false);
    QSignalSpy changed(m_carousel.get(), &Carousel::currentItemIndexChanged);
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

void TestCarousel::dragPages_data()
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

void TestCarousel::dragPages()
{
    QFETCH(int, start);
    QFETCH(int, distance);
    QFETCH(int, duration);
    QFETCH(int, expected);
    m_carousel->scrollToItemAtIndex(start, false);
    const QPoint from(150, 80);

    QTest::mousePress(m_carousel.get(), Qt::LeftButton, {}, from);
    QTest::mouseMove(m_carousel.get(), from + QPoint(distance / 2, 0), duration / 2);
    QTest::mouseMove(m_carousel.get(), from + QPoint(distance, 0), duration / 2);
    // Past the click distance the views follow the pointer, but not past the first item.
    if (std::abs(distance) > 10)
        QCOMPARE(m_carousel->itemViewAtIndex(start)->x(), start == 0 && distance > 0 ? 0 : distance);
    QTest::mouseRelease(m_carousel.get(), Qt::LeftButton, {}, from + QPoint(distance, 0), 1);

    QCOMPARE(m_carousel->currentItemIndex(), expected);
    QTRY_VERIFY(!m_carousel->isScrolling());
    verifyAligned();
}

QTEST_MAIN(TestCarousel)
#include "tst_carousel.moc"
