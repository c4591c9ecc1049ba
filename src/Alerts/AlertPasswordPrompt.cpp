#include "Alerts/AlertPasswordPrompt.h"

#include "Alerts/TextFieldAlert.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>

namespace {

QWidget* keyWindow()
{
    QWidget* active = QApplication::activeWindow();
    if (active && active->isVisible())
        return active;
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (qobject_cast<QMainWindow*>(window) && window->isVisible())
            return window;
    }
    return nullptr;
}

} // namespace

void AlertPasswordPrompt::ask(const QString& message, Answer answer)
{
    QPointer<TextFieldAlert> alert = TextFieldAlert::create(message);
    alert->show(keyContentView(), [alert, answer = std::move(answer)](AlertResult result) {
        if (answer)
            answer(result, alert ? alert->textField()->text() : QString());
    });
}

QWidget* AlertPasswordPrompt::keyContentView()
{
    QWidget* window = keyWindow();
    auto mainWindow = qobject_cast<QMainWindow*>(window);
    if (mainWindow && mainWindow->centralWidget())
        return mainWindow->centralWidget();
    return window;
}
