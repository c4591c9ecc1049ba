#include "Controls/WonderfulButton.h"
#include "Pages/Compress/View/CompressBarView.h"
#include "Pages/Extract/View/ExtractBarView.h"
#include "Resources/LocalizedText.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The two bars at the bottom of one window, as the main view holds them.
struct BarsWindow
{
    BarsWindow()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addStretch();
        layout->addWidget(compressBar);
        layout->addWidget(extractBar);
        window.resize(640, 200);
    }

    QWidget window;
    CompressBarView* compressBar = new CompressBarView;
    ExtractBarView* extractBar = new ExtractBarView;
};

} // namespace

class TestBarViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void barsMatchInHeightAndButtonPlacement();
    void formatDropDownOffersWritableFormatsAndIsLabelled();

private:
    std::unique_ptr<BarsWindow> m_bars;
};

// Neither test changes the bars: they share one window.
void TestBarViews::initTestCase()
{
    QVERIFY(installTranslations(QLocale(QLocale::English)));
    m_bars = std::make_unique<BarsWindow>();
    m_bars->window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_bars->window));
}

// Switching modes swaps one bar for the other without moving the list or
// the button's edge; every control shows whole, side by side.
void TestBarViews::barsMatchInHeightAndButtonPlacement()
{
    const CompressBarView* compressBar = m_bars->compressBar;
    const ExtractBarView* extractBar = m_bars->extractBar;
    QCOMPARE(compressBar->height(), extractBar->height());
    const QRect compress = compressBar->compressButton()->geometry();
    const QRect extract = extractBar->extractButton()->geometry();
    QCOMPARE(QPair(compress.right(), compress.top()), QPair(extract.right(), extract.top()));

    const QRect label = compressBar->label()->geometry();
    const QRect dropDown = compressBar->dropDown()->geometry();
    const QRect button = compressBar->compressButton()->geometry();
    QVERIFY(label.right() < dropDown.left() && dropDown.right() < button.left());
    QVERIFY(compressBar->rect().contains(label | dropDown | button));
    QVERIFY(label.width() >= compressBar->label()->sizeHint().width());
    QVERIFY(button.width() >= compressBar->compressButton()->sizeHint().width());
}

// On Linux screen readers name a drop-down by its value and read its label
// through the labelled-by relation.
void TestBarViews::formatDropDownOffersWritableFormatsAndIsLabelled()
{
    QComboBox* dropDown = m_bars->compressBar->dropDown();
    QStringList items;
    for (int i = 0; i < dropDown->count(); ++i)
        items.append(dropDown->itemText(i));
    QCOMPARE(items, QStringList({ u"zip"_s, u"7z"_s }));
    QCOMPARE(dropDown->currentText(), u"zip"_s);
    QVERIFY(!dropDown->isEditable());

    QCOMPARE(dropDown->accessibleName(), u"Format"_s);
    const auto labels = QAccessible::queryAccessibleInterface(dropDown)->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first->object(), m_bars->compressBar->label());
    QCOMPARE(labels.first().first->text(QAccessible::Name), u"Format:"_s);
}

QTEST_MAIN(TestBarViews)
#include "tst_barviews.moc"
