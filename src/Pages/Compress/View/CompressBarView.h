#pragma once

#include "Archive/ArchiveType.h"
#include "Controls/BarView.h"

class CompressBarViewDelegate;
class QComboBox;
class QLabel;

// The bar of compress mode: the compress button and, to its left, the output
// format drop-down with its label. It starts nothing itself: a click hands
// the chosen format to the delegate.
class CompressBarView : public BarView
{
    Q_OBJECT

public:
    explicit CompressBarView(QWidget* parent = nullptr);

    // Not owned; the owner outlives the bar or clears it first. Without a
    // delegate clicks do nothing.
    CompressBarViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(CompressBarViewDelegate* delegate) { m_delegate = delegate; }

    // The chosen format: zip until the drop-down says otherwise.
    ArchiveType type() const { return m_type; }

    WonderfulButton* compressButton() const { return mainButton(); }
    QComboBox* dropDown() const { return m_dropDown; }
    QLabel* label() const { return m_label; }

protected:
    void layoutSubviews() override;

private:
    void compressButtonClicked();
    void dropDownSelectionChanged(int index);

    CompressBarViewDelegate* m_delegate = nullptr;
    ArchiveType m_type = ArchiveType::zip;
    QComboBox* m_dropDown;
    QLabel* m_label;
};
