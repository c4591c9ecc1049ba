#include "Pages/Compress/View/CompressBarView.h"

#include "Controls/WonderfulButton.h"
#include "Pages/Compress/View/CompressBarViewDelegate.h"
#include "Resources/LocalizedText.h"

#include <QComboBox>
#include <QLabel>

namespace {
constexpr int dropDownWidth = 70;
constexpr int dropDownToButton = 20;
constexpr int labelToDropDown = 5;

// "Format:" names the drop-down for screen readers without its colon.
QString withoutTrailingColon(QString text)
{
    while (text.endsWith(u':') || text.endsWith(u'\uFF1A'))
        text.chop(1);
    return text.trimmed();
}
} // namespace

CompressBarView::CompressBarView(QWidget* parent)
    : BarView(parent)
    , m_dropDown(new QComboBox(this))
    , m_label(new QLabel(localizedText("compress_format_label"), this))
{
    m_dropDown->setEditable(false);
    for (const ArchiveType type : ArchiveType::compressTypes())
        m_dropDown->addItem(type.rawValue());
    m_dropDown->setCurrentIndex(0);
    m_dropDown->setAccessibleName(withoutTrailingColon(m_label->text()));

    m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_label->setBuddy(m_dropDown);

    connect(makeMainButton(localizedText("compress_action")), &WonderfulButton::clicked, this,
            &CompressBarView::compressButtonClicked);
    connect(m_dropDown, &QComboBox::currentIndexChanged, this, &CompressBarView::dropDownSelectionChanged);
}

void CompressBarView::layoutSubviews()
{
    BarView::layoutSubviews();
    const QSize dropDownSize(dropDownWidth, m_dropDown->sizeHint().height());
    const int dropDownX = compressButton()->x() - dropDownToButton - dropDownSize.width();
    m_dropDown->setGeometry(QRect(QPoint(dropDownX, (height() - dropDownSize.height()) / 2), dropDownSize));

    const QSize labelSize = m_label->sizeHint();
    const int labelX = dropDownX - labelToDropDown - labelSize.width();
    m_label->setGeometry(QRect(QPoint(labelX, (height() - labelSize.height()) / 2), labelSize));
}

void CompressBarView::compressButtonClicked()
{
    if (m_delegate)
        m_delegate->startCompress(m_type);
}

void CompressBarView::dropDownSelectionChanged(int index)
{
    if (const std::optional<ArchiveType> type = ArchiveType::fromRawValue(m_dropDown->itemText(index)))
        m_type = *type;
}
