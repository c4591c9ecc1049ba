#include "Alerts/TextFieldAlert.h"

#include "Controls/Image.h"
#include "Resources/LocalizedText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

QPointer<TextFieldAlert> TextFieldAlert::create(const QString& message)
{
    auto alert = new TextFieldAlert(message);
    finishCreation(alert);
    return alert;
}

QPointer<TextFieldAlert> TextFieldAlert::ask(QWidget* view, const QString& message, const QString& subject,
                                             Answered answered)
{
    QPointer<TextFieldAlert> alert = create(message);
    alert->setSubject(subject);
    // The alert deletes itself only after its completion has run.
    alert->show(view, [alert, answered = std::move(answered)](AlertResult result) {
        if (answered)
            answered(result, alert->textField()->text());
    });
    return alert;
}

TextFieldAlert::TextFieldAlert(const QString& message)
    : m_subject(new QLabel)
    , m_textField(new QLineEdit)
    , m_showPassword(new QCheckBox(localizedText("show_password")))
{
    m_textField->setFixedSize(200, 24);
    m_textField->setEchoMode(QLineEdit::Password);
    connect(m_showPassword, &QCheckBox::toggled, m_textField, [this](bool shown) {
        m_textField->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });

    QFont bold = m_subject->font();
    bold.setBold(true);
    m_subject->setFont(bold);
    m_subject->setTextFormat(Qt::PlainText);
    m_subject->hide();

    auto accessory = new QWidget(this);
    auto grid = new QGridLayout(accessory);
    grid->setContentsMargins({});
    grid->addWidget(m_subject, 0, 0, 1, 2);
    grid->addWidget(m_textField, 1, 0);
    grid->addWidget(m_showPassword, 1, 1);

    setText(message);
    // The icon goes in before the field: setting it rebuilds the layout.
    setIconPixmap(image(u"alert_password_icon"_s));
    setAccessoryView(accessory, m_textField);
}

void TextFieldAlert::setSubject(const QString& subject)
{
    m_subject->setText(subject);
    m_subject->setVisible(!subject.isEmpty());
    m_textField->setAccessibleDescription(subject);
}

QString TextFieldAlert::subject() const
{
    return m_subject->text();
}

void TextFieldAlert::setupButtons()
{
    addButtonWithTitle(localizedText("common_ok"), AcceptRole);
    addButtonWithTitle(localizedText("common_cancel"), RejectRole);
}
