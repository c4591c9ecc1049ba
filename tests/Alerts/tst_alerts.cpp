#include "AlertLookup.h"
#include "Alerts/CommonAlert.h"
#include "Alerts/CompressProgressAlert.h"
#include "Alerts/ExtractProgressAlert.h"
#include "Alerts/ProgressIndicator.h"
#include "Alerts/TextFieldAlert.h"
#include "Resources/LocalizedText.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QTest>
#include <QTranslator>
#include <QWindow>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(AlertResult)

namespace {

// Button titles that differ from their keys, as with a real translation.
class ButtonTitles : public QTranslator
{
public:
    QString translate(const char*, const char* key, const char*, int) const override
    {
        if (qstrcmp(key, "common_ok") == 0)
            return u"Okay"_s;
        return qstrcmp(key, "common_cancel") == 0 ? u"Abbrechen"_s : QString();
    }
    bool isEmpty() const override { return false; }
};

QPointer<CommonAlert> makeAlert(const QString& kind)
{
    if (kind == u"text")
        return TextFieldAlert::create(u"enter_password"_s).data();
    if (kind == u"compress")
        return CompressProgressAlert::create(u"compress_ing"_s).data();
    if (kind == u"extract")
        return ExtractProgressAlert::create(u"extract_ing"_s).data();
    return CommonAlert::create(u"Done."_s, false);
}

} // namespace

class TestAlerts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void endsWithOneResult_data();
    void endsWithOneResult();
    void showWithoutWindowFails_data();
    void showWithoutWindowFails();
    void fullProgressKeepsSheetUp();
    void passwordIsMaskedUnlessShown();
    void laidOutAndNamed_data();
    void laidOutAndNamed();

private:
    // The one sheet on the window, or null when there is not exactly one.
    QMessageBox* sheet() const;
    void showOnWindow(CommonAlert* alert);

    std::unique_ptr<QMainWindow> m_window;
    std::shared_ptr<QList<AlertResult>> m_results;
    // Whether the alert still existed when each result arrived.
    std::shared_ptr<QList<bool>> m_aliveAtDelivery;
};

void TestAlerts::init()
{
    m_window = std::make_unique<QMainWindow>();
    m_window->setCentralWidget(new QWidget);
    m_window->resize(840, 560);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_results = std::make_shared<QList<AlertResult>>();
    m_aliveAtDelivery = std::make_shared<QList<bool>>();
}

void TestAlerts::cleanup()
{
    m_window.reset();
}

QMessageBox* TestAlerts::sheet() const
{
    const QList<QMessageBox*> boxes = m_window->findChildren<QMessageBox*>();
    return boxes.size() == 1 && boxes.first()->isVisible() ? boxes.first() : nullptr;
}

void TestAlerts::showOnWindow(CommonAlert* alert)
{
    alert->show(
        m_window->centralWidget(),
        [results = m_results, alive = m_aliveAtDelivery, alert = QPointer(alert)](AlertResult result) {
            results->append(result);
            alive->append(!alert.isNull());
        });
    QTRY_COMPARE(sheet(), alert);
    QCOMPARE(alert->windowModality(), Qt::WindowModal);
}

void TestAlerts::endsWithOneResult_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("action"); // a button's key, or how the sheet goes away
    QTest::addColumn<AlertResult>("expected");

    // Buttons are pressed under titles that differ from their keys, as with a
    // real translation.
    QTest::newRow("message OK") << u"common"_s << u"common_ok"_s << AlertResult::ok;
    QTest::newRow("text field OK") << u"text"_s << u"common_ok"_s << AlertResult::ok;
    QTest::newRow("text field Cancel") << u"text"_s << u"common_cancel"_s << AlertResult::cancel;
    // The lone Cancel is the first button, yet it cancels.
    QTest::newRow("progress Cancel") << u"extract"_s << u"common_cancel"_s << AlertResult::cancel;
    // A finished job takes its sheet down; that must not read as the user cancelling.
    QTest::newRow("endSheet") << u"compress"_s << u"endSheet"_s << AlertResult::autoClose;
    QTest::newRow("done() from code") << u"extract"_s << u"done"_s << AlertResult::autoClose;
    QTest::newRow("hide() from code") << u"compress"_s << u"hide"_s << AlertResult::autoClose;
    // Dismissals deliver cancel, so nobody waits for a result that never comes.
    // A message's lone OK button must not turn one into ok.
    QTest::newRow("Escape on a message") << u"common"_s << u"escape"_s << AlertResult::cancel;
    QTest::newRow("window manager closes a message") << u"common"_s << u"window"_s << AlertResult::cancel;
    QTest::newRow("destroyed with its window") << u"extract"_s << u"destroy"_s << AlertResult::cancel;
}

void TestAlerts::endsWithOneResult()
{
    QFETCH(QString, kind);
    QFETCH(QString, action);
    QFETCH(AlertResult, expected);

    ButtonTitles titles;
    if (action.startsWith(u"common_"))
        QCoreApplication::installTranslator(&titles);
    QPointer<CommonAlert> alert = makeAlert(kind);
    showOnWindow(alert);
    QVERIFY(m_results->isEmpty());
    if (action.startsWith(u"common_")) {
        QAbstractButton* button = AlertLookup::buttonTitled(alert, qPrintable(action));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    } else if (action == u"endSheet") {
        alert->endSheet();
    } else if (action == u"done") {
        alert->done(QDialog::Rejected);
    } else if (action == u"hide") {
        alert->hide();
    } else if (action == u"escape") {
        QTRY_VERIFY(alert->focusWidget());
        QTest::keyClick(alert->focusWidget(), Qt::Key_Escape);
    } else if (action == u"window") {
        alert->windowHandle()->close();
    } else {
        m_window.reset();
    }
    QTRY_VERIFY(alert.isNull());
    QTRY_COMPARE(*m_results, QList<AlertResult> { expected });
    // The password sheet reads its field when the result comes; only an alert
    // destroyed with its window is gone by then.
    QCOMPARE(*m_aliveAtDelivery, QList<bool> { action != u"destroy" });
}

void TestAlerts::showWithoutWindowFails_data()
{
    QTest::addColumn<QString>("where");

    QTest::newRow("no view") << u"none"_s;
    QTest::newRow("view taken out of its window") << u"detached"_s;
    QTest::newRow("window not on screen") << u"hidden"_s;
}

void TestAlerts::showWithoutWindowFails()
{
    QFETCH(QString, where);

    std::unique_ptr<QWidget> owner;
    if (where == u"detached") {
        owner.reset(new QWidget(m_window->centralWidget()));
        owner->setParent(nullptr);
    } else if (where == u"hidden") {
        owner = std::make_unique<QMainWindow>();
        new QWidget(owner.get());
    }
    QWidget* view = where == u"hidden" ? owner->findChild<QWidget*>() : owner.get();

    QPointer<CommonAlert> alert = makeAlert(u"text"_s);
    QList<AlertResult> results;
    alert->show(view, [&results](AlertResult result) { results.append(result); });
    QCOMPARE(results, QList<AlertResult> { AlertResult::fail });
    QVERIFY(!alert->isVisible());
    QTRY_VERIFY(alert.isNull());
    QCOMPARE(results.size(), 1);
}

void TestAlerts::fullProgressKeepsSheetUp()
{
    QPointer<ExtractProgressAlert> alert = ExtractProgressAlert::create(u"extract_ing"_s);
    ProgressIndicator* indicator = alert->indicator();
    showOnWindow(alert);

    // Float fractions from the engines may step a hair past the end.
    indicator->setDoubleValue(1.0000001);
    QCOMPARE(indicator->value(), indicator->maximum());
    indicator->setDoubleValue(std::nan(""));
    QCOMPARE(indicator->value(), indicator->maximum());

    QCoreApplication::processEvents();
    QCOMPARE(sheet(), alert.data());
    QVERIFY(m_results->isEmpty());
}

// A password is not shown to whoever stands behind the user, nor read out,
// unless the user asks to see it.
void TestAlerts::passwordIsMaskedUnlessShown()
{
    QPointer<TextFieldAlert> alert = TextFieldAlert::create(u"enter_password"_s);
    alert->setSubject(u"Holiday.zip"_s);
    showOnWindow(alert);
    QLineEdit* field = alert->textField();
    QTRY_VERIFY(field->hasFocus());
    QTest::keyClicks(field, u"S3cret!"_s);

    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(field);
    QCOMPARE(field->echoMode(), QLineEdit::Password);
    QVERIFY(face->state().passwordEdit);
    QVERIFY(!face->text(QAccessible::Value).contains(u"S3cret"_s));
    QCOMPARE(face->text(QAccessible::Description), u"Holiday.zip"_s);

    QTest::mouseClick(alert->showPasswordBox(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    QCOMPARE(field->echoMode(), QLineEdit::Normal);
    QTest::mouseClick(alert->showPasswordBox(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    QCOMPARE(field->echoMode(), QLineEdit::Password);
    QCOMPARE(field->text(), u"S3cret!"_s);
    alert->endSheet();
}

void TestAlerts::laidOutAndNamed_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("message") << u"common"_s;
    QTest::newRow("text field") << u"text"_s;
    QTest::newRow("progress") << u"extract"_s;
}

// The field or the progress bar sits between the message and the buttons;
// screen readers find every control by a name.
void TestAlerts::laidOutAndNamed()
{
    QFETCH(QString, kind);
    QPointer<CommonAlert> alert = makeAlert(kind);
    showOnWindow(alert);
    auto prompt = qobject_cast<TextFieldAlert*>(alert);
    QWidget* accessory
        = prompt ? static_cast<QWidget*>(prompt->textField()) : alert->findChild<ProgressIndicator*>();
    if (accessory) {
        const auto rectIn
            = [&](const QWidget* widget) { return QRect(widget->mapTo(alert, QPoint()), widget->size()); };
        const QRect message = rectIn(alert->findChild<QLabel*>(u"qt_msgbox_label"_s));
        QVERIFY(accessory->isVisible());
        QVERIFY(rectIn(accessory).top() >= message.bottom());
        QVERIFY(rectIn(accessory).bottom() <= rectIn(alert->findChild<QDialogButtonBox*>()).top());
        QCOMPARE(rectIn(accessory).left(), message.left());
        QVERIFY(alert->rect().contains(rectIn(accessory)));
    }

    QAccessibleInterface* sheet = QAccessible::queryAccessibleInterface(alert);
    QCOMPARE(sheet->text(QAccessible::Name), alert->text());
    QStringList unnamed;
    QList<QAccessibleInterface*> pending { sheet };
    while (!pending.isEmpty()) {
        QAccessibleInterface* node = pending.takeFirst();
        const QAccessible::Role role = node->role();
        const bool control = role == QAccessible::PushButton || role == QAccessible::EditableText
            || role == QAccessible::ProgressBar || role == QAccessible::CheckBox;
        if (control && node->text(QAccessible::Name).isEmpty())
            unnamed.append(QString::number(int(role)));
        for (int i = 0; i < node->childCount(); ++i)
            pending.append(node->child(i));
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", "_s)));
    alert->endSheet();
}

QTEST_MAIN(TestAlerts)
#include "tst_alerts.moc"
