#pragma once

#include "Controls/CarouselDataSource.h"

#include <QDialog>
#include <QLocale>
#include <QStringList>
#include <QUrl>

class Carousel;
class KAButton;
class KAPageControlView;
class QLabel;
class QToolButton;

// The page that presents the full edition: a headline, a carousel of banners
// with previous and next arrows and a row of knobs under it, a close button,
// and the button that opens the full edition's store page. It is shown as a
// sheet over the window, cannot be resized, and neither reads nor writes the
// first-start flag nor reports anything. Left and Right page the banners;
// Escape closes it. Main thread only.
class UpgradeViewController : public QDialog, public CarouselDataSource
{
    Q_OBJECT

public:
    // The width the page is shown at: the carousel then reaches its widest.
    static constexpr int initialWidth = 590;

    // The banners follow `locale`'s first preferred language.
    explicit UpgradeViewController(QWidget* parent = nullptr, const QLocale& locale = QLocale::system());
    ~UpgradeViewController() override;

    // The banner names, in carousel order: the "_zh" set when the first
    // preferred language of `locale` is a Chinese one.
    static QStringList imageListFor(const QLocale& locale);
    const QStringList& imageList() const { return m_imageList; }

    // The full edition's page in the desktop's software store; invalid when
    // the build names no AppStream id.
    static QUrl storeUrl();

    int numberOfItemsInCarousel(Carousel* carousel) override;
    QWidget* viewForItemAtIndex(Carousel* carousel, int index, QWidget* reusingView) override;

    QLabel* titleLabel() const { return m_titleLabel; }
    QToolButton* prevBtn() const { return m_prevBtn; }
    QToolButton* nextBtn() const { return m_nextBtn; }
    QToolButton* closeBtn() const { return m_closeBtn; }
    KAButton* upgradeBtn() const { return m_upgradeBtn; }
    Carousel* carousel() const { return m_carousel; }
    KAPageControlView* pager() const { return m_pager; }

    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void viewDidLoad();
    void updateViewConstraints();
    QRect carouselFrame(int width) const;
    QToolButton* makeImageButton(const QString& imageName, const char* nameKey);

    void carouselCurrentItemIndexDidChange(int index);
    void prevBtnAction();
    void nextBtnAction();
    void pagerChangedAction();
    void closeBtnAction();
    void upgradeBtnAction();

    const QStringList m_imageList;
    QLabel* m_titleLabel = nullptr;
    QToolButton* m_prevBtn = nullptr;
    QToolButton* m_nextBtn = nullptr;
    QToolButton* m_closeBtn = nullptr;
    KAButton* m_upgradeBtn = nullptr;
    Carousel* m_carousel = nullptr;
    KAPageControlView* m_pager = nullptr;
};
