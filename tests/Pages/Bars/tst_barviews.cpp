#include "Controls/WonderfulButton.h"
#include "Pages/Compress/View/CompressBarView.h"
#include "Pages/Compress/View/CompressBarViewDelegate.h"
#include "Pages/Extract/View/ExtractBarView.h"
#include "Pages/Extract/View/ExtractBarViewDelegate.h"
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

class RecordingDelegate : public CompressBarViewDelegate, public ExtractBarViewDelegate
{
public:
    void startCompress(ArchiveType type) override { compressed.append(type.rawValue()); }
    void startExtract() override { ++extracts; }

    QStringList compressed;
    int extracts = 0;
};

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
    void init();
    void cleanup();

    void barsMatchInHeightAndButtonPlacement();
    void dropDownOffersWritableFormatsOnly();
    void delegateToldOnClickOnly();
    void keyboardStartsTheJob_data();
    void keyboardStartsTheJob();
    void controlsHaveAccessibleNames();

private:
    std::unique_ptr<BarsWindow> m_bars;
    RecordingDelegate m_delegate;
};

void TestBarViews::initTestCase()
{
    QVERIFY(installTranslations(QLocale(QLocale::English)));
}

void TestBarViews::init()
{
    m_delegate = {};
    m_bars = std::make_unique<BarsWindow>();
    m_bars->compressBar->setDelegate(&m_delegate);
    m_bars->extractBar->setDelegate(&m_delegate);
    m_bars->window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_bars->window));
}

void TestBarViews::cleanup()
{
    m_bars.reset();
}

void TestBarViews::barsMatchInHeightAndButtonPlacement()
{
    const CompressBarView* compressBar = m_bars->compressBar;
    const ExtractBarView* extractBar = m_bars->extractBar;
    QCOMPARE(compressBar->height(), 39);
    QCOMPARE(extractBar->height(), 39);

    for (const QWidget* button : { static_cast<QWidget*>(compressBar->compressButton()),
                                   static_cast<QWidget*>(extractBar->extractButton()) }) {
        const QRect frame = button->geometry();
        QCOMPARE(frame.top(), 12);
        QCOMPARE(frame.height(), 15);
        QCOMPARE(frame.x() + frame.width(), 640 - 20);
        QVERIFY(frame.width() >= button->sizeHint().width());
    }

    // Drop-down and label sit left of the button, in that order, without overlap.
    const QRect dropDown = compressBar->dropDown()->geometry();
    const QRect label = compressBar->label()->geometry();
    QCOMPARE(dropDown.width(), 70);
    QCOMPARE(dropDown.x() + dropDown.width(), compressBar->compressButton()->x() - 20);
    QCOMPARE(label.x() + label.width(), dropDown.x() - 5);
    QVERIFY(label.width() >= compressBar->label()->sizeHint().width());
    QVERIFY(dropDown.top() >= 0 && dropDown.bottom() < 39);
}

void TestBarViews::dropDownOffersWritableFormatsOnly()
{
    const QComboBox* dropDown = m_bars->compressBar->dropDown();
    QStringList items;
    for (int i = 0; i < dropDown->count(); ++i)
        items.append(dropDown->itemText(i));
    QCOMPARE(items, QStringList({ u"zip"_s, u"7z"_s }));
    QCOMPARE(dropDown->currentText(), u"zip"_s);
    QVERIFY(!dropDown->isEditable());
}

void TestBarViews::delegateToldOnClickOnly()
{
    CompressBarView* bar = m_bars->compressBar;
    QTest::mouseClick(bar->compressButton(), Qt::LeftButton);
    QCOMPARE(m_delegate.compressed, QStringList({ u"zip"_s }));

    // Choosing a format tells nobody; the next click carries it.
    bar->dropDown()->setCurrentIndex(1);
    QCOMPARE(m_delegate.compressed.size(), 1);
    QTest::mouseClick(bar->compressButton(), Qt::LeftButton);
    bar->dropDown()->setCurrentIndex(0);
    QTest::mouseClick(bar->compressButton(), Qt::LeftButton);
    QCOMPARE(m_delegate.compressed, QStringList({ u"zip"_s, u"7z"_s, u"zip"_s }));

    // Pressing alone is not a click.
    QTest::mousePress(m_bars->extractBar->extractButton(), Qt::LeftButton);
    QCOMPARE(m_delegate.extracts, 0);
    QTest::mouseRelease(m_bars->extractBar->extractButton(), Qt::LeftButton);
    QCOMPARE(m_delegate.extracts, 1);
    QCOMPARE(m_delegate.compressed.size(), 3);

    // Without a delegate a click does nothing.
    m_bars->extractBar->setDelegate(nullptr);
    QTest::mouseClick(m_bars->extractBar->extractButton(), Qt::LeftButton);
    QCOMPARE(m_delegate.extracts, 1);
}

void TestBarViews::keyboardStartsTheJob_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Space") << Qt::Key_Space;
    QTest::newRow("Return") << Qt::Key_Return;
    QTest::newRow("Enter") << Qt::Key_Enter;
}

void TestBarViews::keyboardStartsTheJob()
{
    QFETCH(Qt::Key, key);
    // Tab from the drop-down reaches the button beside it.
    QComboBox* dropDown = m_bars->compressBar->dropDown();
    dropDown->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(dropDown->hasFocus());
    QTest::keyClick(dropDown, Qt::Key_Tab);
    QTRY_VERIFY(m_bars->compressBar->compressButton()->hasFocus());
    QTest::keyClick(m_bars->compressBar->compressButton(), key);
    QCOMPARE(m_delegate.compressed, QStringList({ u"zip"_s }));

    m_bars->extractBar->extractButton()->setFocus();
    QTRY_VERIFY(m_bars->extractBar->extractButton()->hasFocus());
    QTest::keyClick(m_bars->extractBar->extractButton(), key);
    QCOMPARE(m_delegate.extracts, 1);
}

void TestBarViews::controlsHaveAccessibleNames()
{
    QStringList found;
    for (QWidget* bar :
         { static_cast<QWidget*>(m_bars->compressBar), static_cast<QWidget*>(m_bars->extractBar) }) {
        QAccessibleInterface* barInterface = QAccessible::queryAccessibleInterface(bar);
        QVERIFY(barInterface);
        for (int i = 0; i < barInterface->childCount(); ++i) {
            const QAccessibleInterface* child = barInterface->child(i);
            if (child->role() != QAccessible::ComboBox)
                found.append(u"%1 %2"_s.arg(child->role()).arg(child->text(QAccessible::Name)));
        }
    }
    found.sort();
    QStringList expected = {
        u"%1 Compress"_s.arg(QAccessible::Button),
        u"%1 Format:"_s.arg(QAccessible::StaticText),
        u"%1 Extract"_s.arg(QAccessible::Button),
    };
    expected.sort();
    QCOMPARE(found, expected);

    // The format box is named after its label; on Linux screen readers take
    // that from the labelled-by relation, the name itself being the value.
    QComboBox* dropDown = m_bars->compressBar->dropDown();
    QCOMPARE(dropDown->accessibleName(), u"Format"_s);
    const auto labels = QAccessible::queryAccessibleInterface(dropDown)->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first->object(), m_bars->compressBar->label());
}

QTEST_MAIN(TestBarViews)
#include "tst_barviews.moc"
