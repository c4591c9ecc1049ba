#pragma once

#include "Controls/BarView.h"

class ExtractBarViewDelegate;

// The bar of extract mode: only the extract button, which hands the click to
// the delegate.
class ExtractBarView : public BarView
{
    Q_OBJECT

public:
    explicit ExtractBarView(QWidget* parent = nullptr);

    // Not owned; the owner outlives the bar or clears it first. Without a
    // delegate clicks do nothing.
    ExtractBarViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(ExtractBarViewDelegate* delegate) { m_delegate = delegate; }

    WonderfulButton* extractButton() const { return mainButton(); }

private:
    void extractButtonClicked();

    ExtractBarViewDelegate* m_delegate = nullptr;
};
