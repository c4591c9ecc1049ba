#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QRect>

class AnimatedColor;

// A push button that paints itself as a small stack: a rounded background with
// a border, two icon areas filled with a colour through their pictures' shape,
// the title, and an optional glow behind them in the active icon colour.
//
// The button is on or off, with one colour set for each. Every state change
// moves the colours to the other set with a short transition; in momentary
// mode (the default) a press turns it on and the release turns it off again,
// otherwise each click flips it once.
// Focus, Space/Enter activation and accessibility (name = title) come from
// QAbstractButton; the action is clicked().
class WonderfulButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum State
    {
        off = 0,
        on = 1
    };

    // Where the picture sits relative to the title.
    enum class ImagePosition
    {
        noImage,
        imageOnly,
        imageLeft,
        imageRight,
        imageBelow,
        imageAbove,
        imageOverlaps,
        imageLeading,
        imageTrailing
    };

    explicit WonderfulButton(QWidget* parent = nullptr);
    explicit WonderfulButton(const QString& title, QWidget* parent = nullptr);
    ~WonderfulButton() override;

    State state() const { return m_state; }
    // Changes no colour: they follow at the next click or colour setter.
    void setState(State state) { m_state = state; }

    bool momentary() const { return m_momentary; }
    void setMomentary(bool momentary);

    // Seconds a colour change takes towards the on and the off state.
    double onAnimationDuration() const { return m_onAnimationDuration; }
    void setOnAnimationDuration(double seconds) { m_onAnimationDuration = seconds; }
    double offAnimationDuration() const { return m_offAnimationDuration; }
    void setOffAnimationDuration(double seconds) { m_offAnimationDuration = seconds; }

    // The glow shows only while both are above zero.
    double glowRadius() const { return m_glowRadius; }
    void setGlowRadius(double radius);
    double glowOpacity() const { return m_glowOpacity; }
    void setGlowOpacity(double opacity);

    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double width);

    // Off-state colours and their on-state ("active") partners. The active
    // icon colour also colours the glow.
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor& color);
    QColor activeBorderColor() const { return m_activeBorderColor; }
    void setActiveBorderColor(const QColor& color);
    QColor buttonColor() const { return m_buttonColor; }
    void setButtonColor(const QColor& color);
    QColor activeButtonColor() const { return m_activeButtonColor; }
    void setActiveButtonColor(const QColor& color);
    QColor iconColor() const { return m_iconColor; }
    void setIconColor(const QColor& color);
    QColor activeIconColor() const { return m_activeIconColor; }
    void setActiveIconColor(const QColor& color);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& color);
    QColor activeTextColor() const { return m_activeTextColor; }
    void setActiveTextColor(const QColor& color);

    // Pictures by image name, shown at `size` in the icon colour through their
    // shape. With an alternate image, it shows in the on state and the image in
    // the off state. An empty name removes the picture.
    QString image() const { return m_image.name; }
    void setImage(const QString& name, QSize size);
    QString alternateImage() const { return m_alternateImage.name; }
    void setAlternateImage(const QString& name, QSize size);
    ImagePosition imagePosition() const { return m_imagePosition; }
    void setImagePosition(ImagePosition position);

    // Where the title and the icons are drawn, in the button's coordinates.
    QRect titleFrame();
    QRect iconFrame();

    // Moves the colours to the set of the current state.
    void refreshColors() { animateColors(m_state == on); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Picture
    {
        QString name;
        QSize size;
        QPixmap mask; // rendered for the pixel ratio it was last drawn at
    };

    void setup();
    void setColor(QColor& field, const QColor& color);
    void toggleState();
    void pressBegan();
    void pressEnded();
    void animateColors(bool isOn);
    void removeAnimations();
    void setupImage();
    void positionTitleAndImage();
    QSize titleSize() const;

    const QPixmap& maskOf(Picture& picture);
    void paintBackground(QPainter& painter) const;
    void paintGlow(QPainter& painter);
    void paintContent(QPainter& painter, bool asShape);
    void paintIcon(QPainter& painter, Picture& picture, const QColor& color);
    void paintBorder(QPainter& painter) const;
    void paintFocusRing(QPainter& painter) const;

    State m_state = off;
    bool m_momentary = true;
    bool m_pressing = false;
    double m_onAnimationDuration = 0.0;
    double m_offAnimationDuration = 0.1;
    double m_glowRadius = 0.0;
    double m_glowOpacity = 0.0;
    double m_cornerRadius = 4.0;
    double m_borderWidth = 1.0;
    QColor m_borderColor = QColor(0x55, 0x55, 0x55);
    QColor m_activeBorderColor = Qt::white;
    QColor m_buttonColor = Qt::white;
    QColor m_activeButtonColor = Qt::white;
    QColor m_iconColor = QColor(0x80, 0x80, 0x80);
    QColor m_activeIconColor = Qt::black;
    QColor m_textColor = QColor(0x80, 0x80, 0x80);
    QColor m_activeTextColor = QColor(0x80, 0x80, 0x80);

    Picture m_image;
    Picture m_alternateImage;
    ImagePosition m_imagePosition = ImagePosition::noImage;
    QRect m_iconFrame;
    QRect m_titleFrame;

    // What is drawn now; each moves on its own towards the colours above.
    AnimatedColor* m_shownBackground;
    AnimatedColor* m_shownBorder;
    AnimatedColor* m_shownIcon;
    AnimatedColor* m_shownAlternateIcon;
    AnimatedColor* m_shownGlow;
    QColor m_shownText = Qt::white;
};
