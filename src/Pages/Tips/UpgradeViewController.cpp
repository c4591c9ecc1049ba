#include "Pages/Tips/UpgradeViewController.h"

#include "Controls/Carousel.h"
#include "Controls/Image.h"
#include "Controls/KAButton.h"
#include "Controls/KAPageControlView.h"
#include "KestrelConfig.h"
#include "Pages/Tips/BannerView.h"
#include "Resources/LocalizedText.h"
#include "Resources/PreferredLanguage.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
constexpr int margin = 20;
constexpr int titleRightInset = 40;
constexpr int maximumContentWidth = 550;
constexpr int titleToCarousel = 15;
constexpr int carouselToUpgradeButton = 40;
constexpr int carouselToPager = 11;
constexpr int arrowSize = 35;
constexpr QSize pagerSize(100, 15);
// The banners' proportions: 114 wide to 61 high.
constexpr double carouselHeightRatio = 61.0 / 114.0;
} // namespace

UpgradeViewController::UpgradeViewController(QWidget* parent, const QLocale& locale)
    : QDialog(parent)
    , m_imageList(imageListFor(locale))
{
    viewDidLoad();
}

UpgradeViewController::~UpgradeViewController() = default;

QStringList UpgradeViewController::imageListFor(const QLocale& locale)
{
    const QString suffix = PreferredLanguage::isChinese(locale) ? u"_zh"_s : QString();
    return { u"upgrade_banner1"_s + suffix, u"upgrade_banner2"_s + suffix, u"upgrade_banner3"_s + suffix };
}

QUrl UpgradeViewController::storeUrl()
{
    const QString id = QString::fromUtf8(KestrelConfig::appStreamId);
    if (id.isEmpty())
        return {};
    return QUrl(u"appstream://"_s + id, QUrl::StrictMode);
}

void UpgradeViewController::viewDidLoad()
{
    setWindowTitle(localizedText("toobar_download_full_version"));
    setAutoFillBackground(true);
    QPalette page = palette();
    page.setColor(QPalette::Window, Qt::white);
    setPalette(page);

    m_titleLabel = new QLabel(localizedText("toobar_download_full_version_tips"), this);
    QFont headline = m_titleLabel->font();
    headline.setPixelSize(16);
    headline.setBold(true);
    m_titleLabel->setFont(headline);
    m_titleLabel->setStyleSheet(u"color: #333333; background: transparent;"_s);
    m_titleLabel->setTextFormat(Qt::PlainText);

    m_carousel = new Carousel(this);
    m_carousel->setAccessibleName(m_titleLabel->text());
    m_carousel->setDataSource(this);
    connect(m_carousel, &Carousel::currentItemIndexChanged, this,
            &UpgradeViewController::carouselCurrentItemIndexDidChange);

    m_prevBtn = makeImageButton(u"prev_btn"_s, "upgrade_previous_banner");
    m_prevBtn->hide();
    connect(m_prevBtn, &QToolButton::clicked, this, &UpgradeViewController::prevBtnAction);
    m_nextBtn = makeImageButton(u"next_btn"_s, "upgrade_next_banner");
    connect(m_nextBtn, &QToolButton::clicked, this, &UpgradeViewController::nextBtnAction);
    m_closeBtn = makeImageButton(u"close_btn"_s, "common_close");
    connect(m_closeBtn, &QToolButton::clicked, this, &UpgradeViewController::closeBtnAction);

    m_upgradeBtn = new KAButton(this);
    m_upgradeBtn->setText(localizedText("toobar_download_full_version"));
    m_upgradeBtn->setIcon(QIcon(image(u"upgrade_btn"_s, QSize(20, 20), devicePixelRatioF())));
    m_upgradeBtn->setIconSize(QSize(20, 20));
    QFont buttonFont = m_upgradeBtn->font();
    buttonFont.setPixelSize(14);
    buttonFont.setWeight(QFont::Medium);
    m_upgradeBtn->setFont(buttonFont);
    m_upgradeBtn->setBackgroundColor(QColor(0xFF, 0x69, 0x39));
    m_upgradeBtn->setCornerRadius(20);
    m_upgradeBtn->setContentTintColor(Qt::white);
    m_upgradeBtn->setDefault(true);
    connect(m_upgradeBtn, &KAButton::clicked, this, &UpgradeViewController::upgradeBtnAction);

    m_pager = new KAPageControlView(this);
    m_pager->resize(pagerSize);
    m_pager->setCircleBackgroundColor(QColor(0xDF, 0xE2, 0xE9));
    m_pager->setCircleSelectedColor(QColor(0x4E, 0xAA, 0xFF));
    m_pager->setNumberOfPages(int(m_imageList.size()));
    connect(m_pager, &KAPageControlView::actionTriggered, this, &UpgradeViewController::pagerChangedAction);

    // Keyboard order follows the page from top to bottom.
    setTabOrder(m_closeBtn, m_prevBtn);
    setTabOrder(m_prevBtn, m_nextBtn);
    setTabOrder(m_nextBtn, m_upgradeBtn);
    resize(sizeHint());
}

QToolButton* UpgradeViewController::makeImageButton(const QString& imageName, const char* nameKey)
{
    auto button = new QToolButton(this);
    const QSize iconSize = image(imageName).deviceIndependentSize().toSize();
    button->setIcon(QIcon(image(imageName, iconSize, devicePixelRatioF())));
    button->setIconSize(iconSize);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setAccessibleName(localizedText(nameKey));
    button->setToolTip(localizedText(nameKey));
    button->setFocusPolicy(Qt::StrongFocus);
    button->setStyleSheet(u"QToolButton { border: none; background: transparent; }"
                          "QToolButton:focus { border: 2px solid #4EAAFF; border-radius: 17px; }"_s);
    return button;
}

QSize UpgradeViewController::sizeHint() const
{
    const QRect carousel = carouselFrame(initialWidth);
    const int buttonHeight = m_upgradeBtn ? m_upgradeBtn->sizeHint().height() : 40;
    return { initialWidth, carousel.bottom() + 1 + carouselToUpgradeButton + buttonHeight + margin };
}

QRect UpgradeViewController::carouselFrame(int width) const
{
    const int titleBottom = margin + (m_titleLabel ? m_titleLabel->sizeHint().height() : 0);
    const int carouselWidth = std::min(width - 2 * margin, maximumContentWidth);
    return { margin, titleBottom + titleToCarousel, carouselWidth,
             int(carouselWidth * carouselHeightRatio + 0.5) };
}

void UpgradeViewController::updateViewConstraints()
{
    const int w = width();
    m_titleLabel->setGeometry(margin, margin, std::min(w - margin - titleRightInset, maximumContentWidth),
                              m_titleLabel->sizeHint().height());
    const QRect carousel = carouselFrame(w);
    m_carousel->setGeometry(carousel);

    const QSize button = m_upgradeBtn->sizeHint();
    m_upgradeBtn->setGeometry((w - button.width()) / 2, carousel.bottom() + 1 + carouselToUpgradeButton,
                              button.width(), button.height());
    m_pager->setGeometry((w - pagerSize.width()) / 2, carousel.bottom() + 1 + carouselToPager,
                         pagerSize.width(), pagerSize.height());

    const int arrowTop = carousel.center().y() - arrowSize / 2;
    m_nextBtn->setGeometry(carousel.right() + 1 - arrowSize, arrowTop, arrowSize, arrowSize);
    m_prevBtn->setGeometry(carousel.left(), arrowTop, arrowSize, arrowSize);
    m_closeBtn->setGeometry(w - arrowSize, 0, arrowSize, arrowSize);
}

void UpgradeViewController::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    updateViewConstraints();
}

void UpgradeViewController::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_carousel->reloadData();
    // A sheet of a fixed size: the page cannot be resized.
    setFixedSize(size());
    // Return opens the store page, as the page's one call to action.
    m_upgradeBtn->setFocus(Qt::OtherFocusReason);
}

void UpgradeViewController::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Left) {
        prevBtnAction();
        return;
    }
    if (event->key() == Qt::Key_Right) {
        nextBtnAction();
        return;
    }
    QDialog::keyPressEvent(event);
}

int UpgradeViewController::numberOfItemsInCarousel(Carousel*)
{
    return int(m_imageList.size());
}

QWidget* UpgradeViewController::viewForItemAtIndex(Carousel* carousel, int index, QWidget* reusingView)
{
    auto banner = qobject_cast<BannerView*>(reusingView);
    if (!banner)
        banner = new BannerView(carousel);
    banner->setImageName(m_imageList.value(index));
    banner->setAccessibleName(u"%1 / %2"_s.arg(index + 1).arg(m_imageList.size()));
    return banner;
}

// The arrows and the knobs follow the banner shown.
void UpgradeViewController::carouselCurrentItemIndexDidChange(int index)
{
    m_prevBtn->setHidden(index == 0);
    m_nextBtn->setHidden(index == int(m_imageList.size()) - 1);
    m_pager->setSelectedPage(index);
    // Setting the page count again rebuilds the knobs around the new page;
    // a knob with keyboard focus hands it to its successor.
    m_pager->setNumberOfPages(int(m_imageList.size()));
}

void UpgradeViewController::prevBtnAction()
{
    m_carousel->scrollToItemAtIndex(std::max(m_carousel->currentItemIndex() - 1, 0), true);
}

void UpgradeViewController::nextBtnAction()
{
    m_carousel->scrollToItemAtIndex(std::min(int(m_imageList.size()) - 1, m_carousel->currentItemIndex() + 1),
                                    true);
}

void UpgradeViewController::pagerChangedAction()
{
    if (m_carousel->currentItemIndex() != m_pager->selectedPage())
        m_carousel->scrollToItemAtIndex(m_pager->selectedPage(), false);
}

void UpgradeViewController::closeBtnAction()
{
    reject();
}

void UpgradeViewController::upgradeBtnAction()
{
    const QUrl url = storeUrl();
    if (url.isValid())
        QDesktopServices::openUrl(url);
}
