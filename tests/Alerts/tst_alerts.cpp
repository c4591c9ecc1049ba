#include "Alerts/AlertPasswordPrompt.h"
#include "Alerts/CommonAlert.h"
#include "Alerts/CompressProgressAlert.h"
#include "Alerts/ExtractProgressAlert.h"
#include "Alerts/ProgressIndicator.h"
#include "Alerts/TextFieldAlert.h"
#include "App/LocalizedText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
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
    QString translate(const char*, const char* sourceText, const char*, int) const override
    {
        if (qstrcmp(sourceText, "common_ok") == 0)
            return u"Okay"_s;
        if (qstrcmp(sourceText, "common_cancel") == 0)
            return u"Abbrechen"_s;
        return {};
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

QStringList buttonTitles(const QMessageBox* box)
{
    QStringList titles;
    const QList<QAbstractButton*> buttons = box->buttons();
    for (const QAbstractButton* button : buttons)
        titles.append(button->text());
    return titles;
}

QAbstractButton* buttonTitled(const QMessageBox* box, const QString& title)
{
    const QList<QAbstractButton*> buttons = box->buttons();
    for (QAbstractButton* button : buttons) {
        if (button->text() == title)
            return button;
    }
    return nullptr;
}

} // namespace

class TestAlerts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void buttonsInOrder_data();
    void buttonsInOrder();
    void buttonResult_data();
    void buttonResult();
    void accessoryUnderMessage_data();
    void accessoryUnderMessage();
    void endSheetGivesAutoClose();
    void dismissalGivesCancelOnce_data();
    void dismissalGivesCancelOnce();
    void destroyedWithWindowGivesCancel();
    void showWithoutWindowFails_data();
    void showWithoutWindowFails();
    void secondShowFails();
    void fullProgressKeepsSheetUp();
    void passwordPromptWithoutWindow();
    void passwordPromptAnswers_data();
    void passwordPromptAnswers();

private:
    // The one sheet on the window, or null when there is not exactly one.
    QMessageBox* sheet() const;
    CommonAlert::Completion recorder();

    std::unique_ptr<QMainWindow> m_window;
    std::shared_ptr<QList<AlertResult>> m_results;
};

void TestAlerts::init()
{
    m_window = std::make_unique<QMainWindow>();
    m_window->setCentralWidget(new QWidget);
    m_window->resize(840, 560);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_results = std::make_shared<QList<AlertResult>>();
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

CommonAlert::Completion TestAlerts::recorder()
{
    return [results = m_results](AlertResult result) { results->append(result); };
}

void TestAlerts::buttonsInOrder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("titles");

    QTest::newRow("message") << u"common"_s << QStringList { u"common_ok"_s };
    QTest::newRow("text field") << u"text"_s << QStringList { u"common_ok"_s, u"common_cancel"_s };
    QTest::newRow("compress progress") << u"compress"_s << QStringList { u"common_cancel"_s };
    QTest::newRow("extract progress") << u"extract"_s << QStringList { u"common_cancel"_s };
}

void TestAlerts::buttonsInOrder()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, titles);

    QPointer<CommonAlert> alert = makeAlert(kind);
    QCOMPARE(buttonTitles(alert), titles);
    QCOMPARE(alert->defaultButton(), qobject_cast<QPushButton*>(alert->buttons().first()));
    alert->show(m_window->centralWidget(), recorder());
    QTRY_VERIFY(sheet());
    QCOMPARE(buttonTitles(sheet()), titles);
}

void TestAlerts::buttonResult_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("translated");
    QTest::addColumn<AlertResult>("expected");

    for (bool translated : { false, true }) {
        const char* mode = translated ? "translated" : "keys as titles";
        QTest::addRow("message OK, %s", mode)
            << u"common"_s << u"common_ok"_s << translated << AlertResult::ok;
        QTest::addRow("text field OK, %s", mode)
            << u"text"_s << u"common_ok"_s << translated << AlertResult::ok;
        QTest::addRow("text field Cancel, %s", mode)
            << u"text"_s << u"common_cancel"_s << translated << AlertResult::cancel;
        // The lone Cancel is the first button, yet it cancels.
        QTest::addRow("compress Cancel, %s", mode)
            << u"compress"_s << u"common_cancel"_s << translated << AlertResult::cancel;
        QTest::addRow("extract Cancel, %s", mode)
            << u"extract"_s << u"common_cancel"_s << translated << AlertResult::cancel;
    }
}

void TestAlerts::buttonResult()
{
    QFETCH(QString, kind);
    QFETCH(QString, key);
    QFETCH(bool, translated);
    QFETCH(AlertResult, expected);

    ButtonTitles titles;
    if (translated)
        QCoreApplication::installTranslator(&titles);
    QCOMPARE(localizedText(key) == key, !translated);

    QPointer<CommonAlert> alert = makeAlert(kind);
    alert->show(m_window->centralWidget(), recorder());
    QTRY_VERIFY(sheet());
    QCOMPARE(sheet(), alert.data());
    QVERIFY(alert->isWindow());
    QCOMPARE(alert->windowModality(), Qt::WindowModal);
    QVERIFY(m_results->isEmpty());

    QAbstractButton* button = buttonTitled(alert, localizedText(key));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(alert.isNull());
    QCOMPARE(*m_results, QList<AlertResult> { expected });
    QVERIFY(!sheet());
    QCoreApplication::removeTranslator(&titles);
}

void TestAlerts::accessoryUnderMessage_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("size");

    QTest::newRow("text field") << u"text"_s << QSize(200, 24);
    QTest::newRow("compress progress") << u"compress"_s << QSize(300, 10);
    QTest::newRow("extract progress") << u"extract"_s << QSize(300, 10);
}

void TestAlerts::accessoryUnderMessage()
{
    QFETCH(QString, kind);
    QFETCH(QSize, size);

    QPointer<CommonAlert> alert = makeAlert(kind);
    alert->show(m_window->centralWidget(), recorder());
    QTRY_VERIFY(sheet());

    QWidget* accessory = kind == u"text"
        ? static_cast<QWidget*>(qobject_cast<TextFieldAlert*>(alert)->textField())
        : alert->findChild<ProgressIndicator*>();
    auto message = alert->findChild<QLabel*>(u"qt_msgbox_label"_s);
    auto buttonBox = alert->findChild<QDialogButtonBox*>();
    QVERIFY(accessory && message && buttonBox);
    QVERIFY(accessory->isVisible());
    QCOMPARE(accessory->size(), size);

    const QRect messageRect(message->mapTo(alert, QPoint()), message->size());
    const QRect accessoryRect(accessory->mapTo(alert, QPoint()), accessory->size());
    const QRect buttonsRect(buttonBox->mapTo(alert, QPoint()), buttonBox->size());
    QVERIFY(accessoryRect.top() >= messageRect.bottom());
    QVERIFY(accessoryRect.bottom() <= buttonsRect.top());
    QCOMPARE(accessoryRect.left(), messageRect.left());
    QVERIFY(alert->rect().contains(accessoryRect));
    if (auto field = qobject_cast<QLineEdit*>(accessory)) {
        QCOMPARE(field->echoMode(), QLineEdit::Normal);
        QTRY_VERIFY(field->hasFocus());
    }
    alert->endSheet();
}

void TestAlerts::endSheetGivesAutoClose()
{
    QPointer<CompressProgressAlert> alert = CompressProgressAlert::create(u"compress_ing"_s);
    alert->show(m_window->centralWidget(), recorder());
    QTRY_VERIFY(sheet());
    alert->indicator()->setDoubleValue(0.4);
    alert->endSheet();
    QCOMPARE(*m_results, QList<AlertResult> { AlertResult::autoClose });
    QTRY_VERIFY(alert.isNull());
    QCOMPARE(m_results->size(), 1);
}

void TestAlerts::dismissalGivesCancelOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("how");

    // A message's lone OK button must not turn a dismissal into ok.
    QTest::newRow("Escape on a message") << u"common"_s << u"escape"_s;
    QTest::newRow("Escape in the text field") << u"text"_s << u"escape"_s;
    QTest::newRow("close() on a progress sheet") << u"compress"_s << u"close"_s;
    QTest::newRow("window manager closes a message") << u"common"_s << u"window"_s;
    QTest::newRow("window manager closes a progress sheet") << u"extract"_s << u"window"_s;
}

void TestAlerts::dismissalGivesCancelOnce()
{
    QFETCH(QString, kind);
    QFETCH(QString, how);

    QPointer<CommonAlert> alert = makeAlert(kind);
    alert->show(m_window->centralWidget(), recorder());
    QTRY_VERIFY(sheet());
    if (how == u"escape") {
        QTRY_VERIFY(alert->focusWidget());
        QTest::keyClick(alert->focusWidget(), Qt::Key_Escape);
    } else if (how == u"close") {
        alert->close();
    } else {
        QVERIFY(alert->windowHandle());
        alert->windowHandle()->close();
    }
    QTRY_VERIFY(alert.isNull());
    QCOMPARE(*m_results, QList<AlertResult> { AlertResult::cancel });
    QVERIFY(!sheet());
}

void TestAlerts::destroyedWithWindowGivesCancel()
{
    QPointer<ExtractProgressAlert> alert = ExtractProgressAlert::create(u"extract_ing"_s);
    auto aliveAtDelivery = std::make_shared<QList<bool>>();
    alert->show(m_window->centralWidget(), [this, alert, aliveAtDelivery](AlertResult result) {
        m_results->append(result);
        aliveAtDelivery->append(!alert.isNull());
    });
    QTRY_VERIFY(sheet());
    m_window.reset();
    QVERIFY(alert.isNull());
    QTRY_COMPARE(*m_results, QList<AlertResult> { AlertResult::cancel });
    QCOMPARE(*aliveAtDelivery, QList<bool> { false });
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
    QWidget* view = nullptr;
    if (where == u"detached") {
        view = new QWidget(m_window->centralWidget());
        view->setParent(nullptr);
        owner.reset(view);
    } else if (where == u"hidden") {
        owner = std::make_unique<QMainWindow>();
        view = new QWidget(owner.get());
        static_cast<QMainWindow*>(owner.get())->setCentralWidget(view);
    }

    QPointer<TextFieldAlert> alert = TextFieldAlert::create(u"enter_password"_s);
    alert->show(view, recorder());
    QCOMPARE(*m_results, QList<AlertResult> { AlertResult::fail });
    QVERIFY(!alert->isVisible());
    QTRY_VERIFY(alert.isNull());
    QCOMPARE(m_results->size(), 1);
    QVERIFY(m_window->findChildren<QMessageBox*>().isEmpty());
    if (owner)
        QVERIFY(owner->findChildren<QMessageBox*>().isEmpty());
}

void TestAlerts::secondShowFails()
{
    QPointer<CompressProgressAlert> alert = CompressProgressAlert::create(u"compress_ing"_s);
    alert->show(m_window->centralWidget(), recorder());
    auto second = std::make_shared<QList<AlertResult>>();
    alert->show(m_window->centralWidget(), [second](AlertResult result) { second->append(result); });
    QCOMPARE(*second, QList<AlertResult> { AlertResult::fail });
    QTRY_VERIFY(sheet());
    alert->endSheet();
    QCOMPARE(*m_results, QList<AlertResult> { AlertResult::autoClose });
    QCOMPARE(second->size(), 1);
}

void TestAlerts::fullProgressKeepsSheetUp()
{
    QPointer<ExtractProgressAlert> alert = ExtractProgressAlert::create(u"extract_ing"_s);
    ProgressIndicator* indicator = alert->indicator();
    QCOMPARE(indicator->value(), indicator->minimum());
    alert->show(m_window->centralWidget(), recorder());
    QTRY_VERIFY(sheet());

    indicator->setDoubleValue(0.25);
    QCOMPARE(indicator->value(), indicator->minimum() + (indicator->maximum() - indicator->minimum()) / 4);
    // Float fractions from the engines may step a hair past the end.
    indicator->setDoubleValue(1.0000001);
    QCOMPARE(indicator->value(), indicator->maximum());
    indicator->setDoubleValue(std::nan(""));
    QCOMPARE(indicator->doubleValue(), 1.0);
    indicator->setDoubleValue(1.0);
    QCOMPARE(indicator->value(), indicator->maximum());

    QCoreApplication::processEvents();
    QCOMPARE(sheet(), alert.data());
    QVERIFY(m_results->isEmpty());
    alert->endSheet();
    QCOMPARE(*m_results, QList<AlertResult> { AlertResult::autoClose });
}

void TestAlerts::passwordPromptWithoutWindow()
{
    m_window->hide();
    QTRY_VERIFY(!QApplication::activeWindow() || !QApplication::activeWindow()->isVisible());

    AlertPasswordPrompt prompt;
    PasswordPrompt::setCurrent(&prompt);
    QList<AlertResult> results;
    QStringList texts;
    PasswordPrompt::askCurrent(u"enter_password"_s, [&](AlertResult result, const QString& text) {
        results.append(result);
        texts.append(text);
    });
    PasswordPrompt::setCurrent(nullptr);
    QCOMPARE(results, QList<AlertResult> { AlertResult::fail });
    QCOMPARE(texts, QStringList { QString() });
}

void TestAlerts::passwordPromptAnswers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("key");
    QTest::addColumn<AlertResult>("expected");

    QTest::newRow("typed, OK") << u"pa ss 42"_s << u"common_ok"_s << AlertResult::ok;
    QTest::newRow("empty, OK") << QString() << u"common_ok"_s << AlertResult::ok;
    QTest::newRow("typed, Cancel") << u"secret"_s << u"common_cancel"_s << AlertResult::cancel;
}

void TestAlerts::passwordPromptAnswers()
{
    QFETCH(QString, typed);
    QFETCH(QString, key);
    QFETCH(AlertResult, expected);

    AlertPasswordPrompt prompt;
    PasswordPrompt::setCurrent(&prompt);
    QList<AlertResult> results;
    QStringList texts;
    PasswordPrompt::askCurrent(u"enter_password"_s, [&](AlertResult result, const QString& text) {
        results.append(result);
        texts.append(text);
    });
    PasswordPrompt::setCurrent(nullptr);

    QTRY_VERIFY(sheet());
    auto alert = qobject_cast<TextFieldAlert*>(sheet());
    QVERIFY(alert);
    QCOMPARE(alert->text(), u"enter_password"_s);
    QVERIFY(results.isEmpty());
    QTest::keyClicks(alert->textField(), typed);
    QTest::mouseClick(buttonTitled(alert, localizedText(key)), Qt::LeftButton);

    QTRY_COMPARE(results, QList<AlertResult> { expected });
    QCOMPARE(texts, QStringList { typed });
}

QTEST_MAIN(TestAlerts)
#include "tst_alerts.moc"
