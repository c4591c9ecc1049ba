#pragma once

#include <QWidget>

class WonderfulButton;

// A bar along the bottom edge of a page: light grey with a hairline on top and
// its main button at the right edge. The bar is exactly as high as the button
// with its margins, so bars built on this one swap without moving what lies
// above them.
class BarView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int buttonHeight = 15;
    static constexpr int buttonVerticalMargin = 12;
    static constexpr int buttonRightMargin = 20;
    static constexpr int barHeight = buttonVerticalMargin + buttonHeight + buttonVerticalMargin;

protected:
    explicit BarView(QWidget* parent);

    // Creates the main button, titled `title`. Subclasses call it once, after
    // creating the controls left of it, so that Tab reaches them first.
    WonderfulButton* makeMainButton(const QString& title);
    WonderfulButton* mainButton() const { return m_button; }

    // Places the subviews from scratch for the current size. Subclasses place
    // theirs after calling this; the main button is already where it belongs.
    virtual void layoutSubviews();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    WonderfulButton* m_button = nullptr;
};
