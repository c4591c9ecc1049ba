#pragma once

#include "Archive/AlertResult.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>

#include <functional>
#include <optional>

// A message shown as a sheet on a window, reporting how it ended as one
// AlertResult. Subclasses change only the buttons and the view under the message.
//
// An alert owns itself: create() it, show() it once, and it deletes itself
// (deleteLater) right after delivering its result, also when it could not be
// shown. Keep it in a QPointer to update or end it while it is up.
class CommonAlert : public QMessageBox
{
    Q_OBJECT

public:
    using Completion = std::function<void(AlertResult result)>;

    // A message with the error or the success icon and one OK button.
    static QPointer<CommonAlert> create(const QString& message, bool isError);

    ~CommonAlert() override;

    // Opens the alert window-modal on the window of `view` and returns while
    // it is up. `completion` (may be empty) runs exactly once, on the main thread:
    // - fail, before show returns, when `view` is null or not in a visible
    //   window, or when the alert was shown before;
    // - ok or cancel for a button, decided by its title;
    // - cancel when dismissed without a button (Escape, closing the sheet's
    //   window) or destroyed with its window;
    // - autoClose when ended from code (endSheet(), done(), hide()).
    void show(QWidget* view, Completion completion);

    // Ends the sheet without a button: the owner's way to take it down.
    void endSheet();

    // Adds a button after the alert's own ones that runs `action` and then
    // ends the alert as that button would (a second button gives ok). The
    // first button stays the default. Before show() only.
    QPushButton* addActionButton(const QString& title, std::function<void()> action);

protected:
    // The base set-up of every alert, without buttons: see finishCreation().
    CommonAlert();

    // Adds the alert's buttons in order; subclasses replace it entirely.
    virtual void setupButtons();

    // Second construction phase, run by every create() on the finished object
    // so that setupButtons() reaches the most derived class.
    static void finishCreation(CommonAlert* alert);

    QPushButton* addButtonWithTitle(const QString& title, ButtonRole role);

    // Places `view` under the message text. `focusView` (the view itself
    // when null) is named after the message and takes the focus on show.
    void setAccessoryView(QWidget* view, QWidget* focusView = nullptr);

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    CommonAlert(const QString& message, bool isError);

    enum class State
    {
        created,
        shown,
        ended
    };

    static constexpr int messageMinimumWidth = 300;

    void arrangeLayout();
    void sheetDidEnd();
    AlertResult resultOfButton(QAbstractButton* button) const;
    void deliver(AlertResult result);

    State m_state = State::created;
    Completion m_completion;
    QList<QAbstractButton*> m_buttons;
    QString m_firstTitle;
    QString m_lastTitle;
    std::optional<AlertResult> m_resultWithoutButton;
    QPointer<QWidget> m_accessoryView;
    QPointer<QWidget> m_accessoryFocusView;
};
