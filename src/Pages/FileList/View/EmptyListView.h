#pragma once

#include "Pages/FileList/View/EmptyListViewDelegate.h"
#include "Pages/FileList/View/FileDragableViewDelegate.h"
#include "Pages/FileList/View/PictureCache.h"
#include "Pages/FileList/View/WeakDelegate.h"

#include <QWidget>

class FileDragableView;
class QLabel;

// Shown instead of the list while it is empty: a 180 x 180 picture centred
// 50 above the middle, and two 16-point lines starting 10 below the middle,
// on white. The whole area takes dropped files and passes them on to the
// delegate.
class EmptyListView : public QWidget, public FileDragableViewDelegate
{
    Q_OBJECT

public:
    static constexpr int imageSize = 180;
    static constexpr int imageCentreAboveMiddle = 50;
    static constexpr int titleBelowMiddle = 10;
    // The design's points are logical pixels, as on the platform it was drawn for.
    static constexpr int fontPixelSize = 16;

    explicit EmptyListView(QWidget* parent = nullptr);

    // Held weakly (a QObject); null detaches it.
    void setDelegate(EmptyListViewDelegate* delegate);
    EmptyListViewDelegate* delegate() const { return m_delegate.get(); }

    // From the drop area: passed on unchanged to the delegate, if any.
    void addFiles(const QList<QUrl>& urls) override;

    QLabel* titleLabel() const { return m_titleLabel; }
    QLabel* subTitleLabel() const { return m_subTitleLabel; }
    FileDragableView* dragView() const { return m_dragView; }
    // Where the picture is painted.
    QRect imageRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* makeLabel(const char* key);
    void layoutSubviews();

    WeakDelegate<EmptyListViewDelegate> m_delegate;
    QLabel* m_titleLabel;
    QLabel* m_subTitleLabel;
    FileDragableView* m_dragView;
    PictureCache m_pictures;
};
