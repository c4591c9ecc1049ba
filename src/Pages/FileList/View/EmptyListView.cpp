#include "Pages/FileList/View/EmptyListView.h"

#include "Pages/FileList/View/FileDragableView.h"
#include "Resources/LocalizedText.h"

#include <QLabel>
#include <QPainter>

using namespace Qt::StringLiterals;

EmptyListView::EmptyListView(QWidget* parent)
    : QWidget(parent)
    , m_titleLabel(makeLabel("drag_file_title"))
    , m_subTitleLabel(makeLabel("drag_file_subtitle"))
    , m_dragView(new FileDragableView(this))
{
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);
    // The two lines say what the area is for; the picture only illustrates them.
    setAccessibleName(m_titleLabel->text());
    setAccessibleDescription(m_subTitleLabel->text());
    m_dragView->setDelegate(this);
    m_dragView->setAccessibleName(m_titleLabel->text());
    m_dragView->setAccessibleDescription(m_subTitleLabel->text());
    m_dragView->raise();
    layoutSubviews();
}

QLabel* EmptyListView::makeLabel(const char* key)
{
    auto* label = new QLabel(localizedText(key), this);
    QFont font = label->font();
    font.setPixelSize(fontPixelSize);
    label->setFont(font);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, QColor(0x67, 0x66, 0x66));
    label->setPalette(colours);
    label->setAccessibleName(label->text());
    return label;
}

void EmptyListView::setDelegate(EmptyListViewDelegate* delegate)
{
    m_delegate.set(delegate);
}

void EmptyListView::addFiles(const QList<QUrl>& urls)
{
    if (EmptyListViewDelegate* delegate = m_delegate.get())
        delegate->addFiles(urls);
}

QRect EmptyListView::imageRect() const
{
    const int middle = height() / 2;
    QRect rect(0, 0, imageSize, imageSize);
    rect.moveCenter(QPoint(width() / 2, middle - imageCentreAboveMiddle));
    return rect;
}

void EmptyListView::paintEvent(QPaintEvent*)
{
    const QRect target = imageRect();
    const QPixmap picture
        = m_pictures.picture(u"list_view_add_file_icon"_s, target.size(), devicePixelRatioF());
    if (picture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(target, picture);
}

void EmptyListView::resizeEvent(QResizeEvent*)
{
    layoutSubviews();
}

void EmptyListView::layoutSubviews()
{
    const int centreX = width() / 2;
    const int titleTop = height() / 2 + titleBelowMiddle;
    const QSize titleSize = m_titleLabel->sizeHint();
    m_titleLabel->setGeometry(centreX - titleSize.width() / 2, titleTop, titleSize.width(),
                              titleSize.height());
    const QSize subTitleSize = m_subTitleLabel->sizeHint();
    m_subTitleLabel->setGeometry(centreX - subTitleSize.width() / 2, m_titleLabel->geometry().bottom() + 1,
                                 subTitleSize.width(), subTitleSize.height());
    m_dragView->setGeometry(rect());
}
