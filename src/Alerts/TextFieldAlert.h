#pragma once

#include "Alerts/CommonAlert.h"

class QCheckBox;
class QLabel;
class QLineEdit;

// Asks for an archive's password with OK and Cancel. The field is masked
// (and a password field to screen readers) unless the user ticks "Show
// password" beside it.
class TextFieldAlert : public CommonAlert
{
    Q_OBJECT

public:
    using Answered = std::function<void(AlertResult result, const QString& text)>;

    static QPointer<TextFieldAlert> create(const QString& message);

    // Asks with `message` for the password of `subject` (a file name) on the
    // window of `view`. `answered` runs once, with how the alert ended and
    // the text typed.
    static QPointer<TextFieldAlert> ask(QWidget* view, const QString& message, const QString& subject,
                                        Answered answered);

    // The entered text; read it when the result is ok.
    QLineEdit* textField() const { return m_textField; }
    QCheckBox* showPasswordBox() const { return m_showPassword; }

    // Names what the password is for (an archive's file name) on a line of
    // its own above the field; empty hides the line.
    void setSubject(const QString& subject);
    QString subject() const;

protected:
    void setupButtons() override;

private:
    explicit TextFieldAlert(const QString& message);

    QLabel* const m_subject;
    QLineEdit* const m_textField;
    QCheckBox* const m_showPassword;
};
