#pragma once

#include "Alerts/CommonAlert.h"

class QLineEdit;

// Asks for a line of text (an archive's password) with OK and Cancel.
class TextFieldAlert : public CommonAlert
{
    Q_OBJECT

public:
    static QPointer<TextFieldAlert> create(const QString& message);

    // The entered text, shown in clear; read it when the result is ok.
    QLineEdit* textField() const { return m_textField; }

protected:
    void setupButtons() override;

private:
    explicit TextFieldAlert(const QString& message);

    QLineEdit* const m_textField;
};
