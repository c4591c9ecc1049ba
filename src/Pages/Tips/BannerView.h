#pragma once

#include <QPixmap>
#include <QWidget>

// One banner picture of the upgrade page, scaled to fit the view with its
// proportions kept and rendered for the screen's pixel ratio, so it stays
// crisp at any size.
class BannerView : public QWidget
{
    Q_OBJECT

public:
    explicit BannerView(QWidget* parent = nullptr);

    QString imageName() const { return m_imageName; }
    void setImageName(const QString& name);

    // Where the picture is drawn inside `bounds` for its natural `size`:
    // as large as fits, centred.
    static QRectF fittedRect(QSizeF size, const QRectF& bounds);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_imageName;
    QSizeF m_naturalSize;
    QPixmap m_rendered;
};
