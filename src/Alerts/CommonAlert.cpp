#include "Alerts/CommonAlert.h"

#include "Archive/Plumbing/Diagnostics.h"
#include "Controls/Image.h"
#include "Resources/LocalizedText.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// The window that carries a sheet for `view`: none when the view is missing
// or not inside a window on screen (a view taken out of its window is a
// hidden top-level widget of its own).
QWidget* sheetWindow(QWidget* view)
{
    if (!view)
        return nullptr;
    QWidget* window = view->window();
    return window->isVisible() ? window : nullptr;
}

} // namespace

QPointer<CommonAlert> CommonAlert::create(const QString& message, bool isError)
{
    auto alert = new CommonAlert(message, isError);
    finishCreation(alert);
    return alert;
}

CommonAlert::CommonAlert()
{
    // Messages carry file names; never read them as markup.
    setTextFormat(Qt::PlainText);
    setWindowTitle(localizedText("common_application_name"));
    connect(this, &QDialog::finished, this, &CommonAlert::sheetDidEnd);
}

CommonAlert::CommonAlert(const QString& message, bool isError)
    : CommonAlert()
{
    setIconPixmap(image(isError ? u"alert_error_icon"_s : u"alert_success_icon"_s));
    setText(message);
}

CommonAlert::~CommonAlert()
{
    // Destroyed while up, in practice with its window: the caller still gets
    // its one result, once the alert is gone and no longer reachable.
    if (m_state != State::shown || !m_completion)
        return;
    if (QCoreApplication* application = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            application, [completion = std::move(m_completion)] { completion(AlertResult::cancel); },
            Qt::QueuedConnection);
    }
}

void CommonAlert::setupButtons()
{
    addButtonWithTitle(localizedText("common_ok"), AcceptRole);
}

void CommonAlert::finishCreation(CommonAlert* alert)
{
    alert->setupButtons();
    if (!alert->m_buttons.isEmpty())
        alert->setDefaultButton(qobject_cast<QPushButton*>(alert->m_buttons.first()));
}

QPushButton* CommonAlert::addButtonWithTitle(const QString& title, ButtonRole role)
{
    QPushButton* button = addButton(title, role);
    m_buttons.append(button);
    return button;
}

QPushButton* CommonAlert::addActionButton(const QString& title, std::function<void()> action)
{
    QPushButton* button = addButtonWithTitle(title, ActionRole);
    connect(button, &QPushButton::clicked, this, [action = std::move(action)] {
        if (action)
            action();
    });
    return button;
}

void CommonAlert::setAccessoryView(QWidget* view, QWidget* focusView)
{
    m_accessoryView = view;
    m_accessoryFocusView = focusView ? focusView : view;
    arrangeLayout();
}

// QMessageBox rebuilds its grid when the icon or the informative text
// changes, so this runs again before every show.
void CommonAlert::arrangeLayout()
{
    auto grid = qobject_cast<QGridLayout*>(layout());
    auto label = findChild<QLabel*>(u"qt_msgbox_label"_s, Qt::FindDirectChildrenOnly);
    if (!grid || !label || grid->indexOf(label) < 0)
        return;
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
    grid->getItemPosition(grid->indexOf(label), &row, &column, &rowSpan, &columnSpan);
    // A short message would make a sliver of a sheet; keep it as wide as a progress bar.
    grid->setColumnMinimumWidth(column, messageMinimumWidth);
    // The row under the text is the informative text's, which alerts never set.
    if (m_accessoryView && grid->indexOf(m_accessoryView) < 0)
        grid->addWidget(m_accessoryView, row + rowSpan, column, Qt::AlignLeft | Qt::AlignVCenter);
}

void CommonAlert::show(QWidget* view, Completion completion)
{
    Q_ASSERT(QThread::currentThread() == thread());
    QWidget* window = sheetWindow(view);
    if (m_state != State::created || !window) {
        if (m_state == State::created) {
            m_state = State::ended;
            deleteLater();
        }
        if (completion)
            completion(AlertResult::fail);
        return;
    }

    const QString okTitle = localizedText("common_ok");
    m_firstTitle = m_buttons.isEmpty() ? okTitle : m_buttons.first()->text();
    m_lastTitle = m_buttons.isEmpty() ? okTitle : m_buttons.last()->text();
    m_completion = std::move(completion);
    m_state = State::shown;

    setParent(window, windowFlags());
    // Screen readers announce the sheet, and its field or bar, by the message.
    setAccessibleName(text());
    if (m_accessoryFocusView)
        m_accessoryFocusView->setAccessibleName(text());
    arrangeLayout();
    if (m_accessoryFocusView && (m_accessoryFocusView->focusPolicy() & Qt::TabFocus))
        m_accessoryFocusView->setFocus();
    open();
}

void CommonAlert::endSheet()
{
    if (m_state != State::shown)
        return;
    m_resultWithoutButton = AlertResult::autoClose;
    done(0);
}

void CommonAlert::keyPressEvent(QKeyEvent* event)
{
    // QMessageBox would click a lone OK button on Escape; here Escape
    // dismisses, like closing the sheet's window.
    if (event->matches(QKeySequence::Cancel)) {
        close();
        return;
    }
    QMessageBox::keyPressEvent(event);
}

void CommonAlert::closeEvent(QCloseEvent* event)
{
    if (m_state == State::shown && !m_resultWithoutButton) {
        Diagnostics::writeLine("cancel");
        m_resultWithoutButton = AlertResult::cancel;
    }
    // Skips QMessageBox's version, which records its escape button as clicked.
    QDialog::closeEvent(event);
}

void CommonAlert::showEvent(QShowEvent* event)
{
    arrangeLayout();
    QMessageBox::showEvent(event);
}

void CommonAlert::hideEvent(QHideEvent* event)
{
    QMessageBox::hideEvent(event);
    if (event->spontaneous() || m_state != State::shown)
        return;
    // Ending through done() hides first and reports right after; a plain
    // hide() from code never reports, so it ends here as closed by code.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_state == State::shown && !isVisible())
                deliver(AlertResult::autoClose);
        },
        Qt::QueuedConnection);
}

void CommonAlert::sheetDidEnd()
{
    deliver(m_resultWithoutButton.value_or(resultOfButton(clickedButton())));
}

AlertResult CommonAlert::resultOfButton(QAbstractButton* button) const
{
    // Titles are compared with the texts as they read now, so a key without
    // a translation (shown as itself) still matches.
    const qsizetype index = m_buttons.indexOf(button);
    if (index == 0)
        return m_firstTitle == localizedText("common_ok") ? AlertResult::ok : AlertResult::cancel;
    if (index == 1)
        return m_lastTitle == localizedText("common_cancel") ? AlertResult::cancel : AlertResult::ok;
    return AlertResult::autoClose;
}

void CommonAlert::deliver(AlertResult result)
{
    if (m_state != State::shown)
        return;
    m_state = State::ended;
    deleteLater();
    if (Completion completion = std::exchange(m_completion, {}))
        completion(result);
}
