#include "Pages/Extract/View/ExtractBarView.h"

#include "Controls/WonderfulButton.h"
#include "Pages/Extract/View/ExtractBarViewDelegate.h"
#include "Resources/LocalizedText.h"

ExtractBarView::ExtractBarView(QWidget* parent)
    : BarView(parent)
{
    connect(makeMainButton(localizedText("extract_action")), &WonderfulButton::clicked, this,
            &ExtractBarView::extractButtonClicked);
}

void ExtractBarView::extractButtonClicked()
{
    if (m_delegate)
        m_delegate->startExtract();
}
