#include "Controls/WonderfulButton.h"

#include "Controls/AnimatedColor.h"
#include "Controls/GlowImage.h"
#include "Controls/Image.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
// The whole number nearest to x, halves away from zero.
int nearest(double x)
{
    return static_cast<int>(std::lround(x));
}

// Space around the title (and the picture) in the button's natural size.
constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 3;
constexpr int imageGap = 6;
} // namespace

WonderfulButton::WonderfulButton(QWidget* parent)
    : QAbstractButton(parent)
    // What a fresh layer shows before any colour is set: no background,
    // a black border, no icon, no glow (the title starts white).
    , m_shownBackground(new AnimatedColor(QColor(), this))
    , m_shownBorder(new AnimatedColor(Qt::black, this))
    , m_shownIcon(new AnimatedColor(QColor(), this))
    , m_shownAlternateIcon(new AnimatedColor(QColor(), this))
    , m_shownGlow(new AnimatedColor(Qt::transparent, this))
{
    setup();
}

WonderfulButton::WonderfulButton(const QString& title, QWidget* parent)
    : WonderfulButton(parent)
{
    setText(title);
}

WonderfulButton::~WonderfulButton() = default;

void WonderfulButton::setup()
{
    for (AnimatedColor* color :
         { m_shownBackground, m_shownBorder, m_shownIcon, m_shownAlternateIcon, m_shownGlow }) {
        connect(color, &AnimatedColor::changed, this, qOverload<>(&QWidget::update));
    }
    connect(this, &QAbstractButton::pressed, this, &WonderfulButton::pressBegan);
    connect(this, &QAbstractButton::released, this, &WonderfulButton::pressEnded);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (!m_momentary)
            toggleState();
    });
}

void WonderfulButton::setMomentary(bool momentary)
{
    m_momentary = momentary;
    refreshColors();
}

void WonderfulButton::setGlowRadius(double radius)
{
    m_glowRadius = radius;
    refreshColors();
    update();
}

void WonderfulButton::setGlowOpacity(double opacity)
{
    m_glowOpacity = opacity;
    refreshColors();
    update();
}

void WonderfulButton::setCornerRadius(double radius)
{
    m_cornerRadius = radius;
    update();
}

void WonderfulButton::setBorderWidth(double width)
{
    m_borderWidth = width;
    update();
}

void WonderfulButton::setBorderColor(const QColor& color)
{
    setColor(m_borderColor, color);
}

void WonderfulButton::setActiveBorderColor(const QColor& color)
{
    setColor(m_activeBorderColor, color);
}

void WonderfulButton::setButtonColor(const QColor& color)
{
    setColor(m_buttonColor, color);
}

void WonderfulButton::setActiveButtonColor(const QColor& color)
{
    setColor(m_activeButtonColor, color);
}

void WonderfulButton::setIconColor(const QColor& color)
{
    setColor(m_iconColor, color);
}

void WonderfulButton::setActiveIconColor(const QColor& color)
{
    setColor(m_activeIconColor, color);
}

void WonderfulButton::setTextColor(const QColor& color)
{
    setColor(m_textColor, color);
}

void WonderfulButton::setActiveTextColor(const QColor& color)
{
    setColor(m_activeTextColor, color);
}

void WonderfulButton::setColor(QColor& field, const QColor& color)
{
    field = color;
    refreshColors();
}

void WonderfulButton::setImage(const QString& name, QSize size)
{
    m_image = { name, size, {} };
    setupImage();
}

void WonderfulButton::setAlternateImage(const QString& name, QSize size)
{
    m_alternateImage = { name, size, {} };
    setupImage();
}

void WonderfulButton::setImagePosition(ImagePosition position)
{
    m_imagePosition = position;
    positionTitleAndImage();
    updateGeometry();
    update();
}

QRect WonderfulButton::titleFrame()
{
    positionTitleAndImage();
    return m_titleFrame;
}

QRect WonderfulButton::iconFrame()
{
    positionTitleAndImage();
    return m_iconFrame;
}

QSize WonderfulButton::sizeHint() const
{
    QSize content = titleSize();
    const QSize picture = m_image.name.isEmpty() ? QSize() : m_image.size;
    switch (m_imagePosition) {
    case ImagePosition::imageLeft:
    case ImagePosition::imageRight:
        content = QSize(content.width() + imageGap + picture.width(),
                        std::max(content.height(), picture.height()));
        break;
    case ImagePosition::imageBelow:
    case ImagePosition::imageAbove:
        content = QSize(std::max(content.width(), picture.width()),
                        content.height() + imageGap + picture.height());
        break;
    case ImagePosition::imageOnly:
        content = picture;
        break;
    default:
        break;
    }
    return content + QSize(2 * horizontalPadding, 2 * verticalPadding);
}

void WonderfulButton::toggleState()
{
    m_state = m_state == on ? off : on;
    animateColors(m_state == on);
}

void WonderfulButton::pressBegan()
{
    m_pressing = true;
    if (m_momentary)
        toggleState();
}

void WonderfulButton::pressEnded()
{
    if (!m_pressing)
        return;
    m_pressing = false;
    if (m_momentary)
        toggleState();
}

void WonderfulButton::animateColors(bool isOn)
{
    removeAnimations();
    // A button nobody sees takes its colours at once.
    const double duration = !isVisible() ? 0.0 : isOn ? m_onAnimationDuration : m_offAnimationDuration;
    m_shownBackground->animateTo(isOn ? m_activeButtonColor : m_buttonColor, duration);
    m_shownBorder->animateTo(isOn ? m_activeBorderColor : m_borderColor, duration);
    m_shownText = isOn ? m_activeTextColor : m_textColor;
    if (m_alternateImage.name.isEmpty()) {
        m_shownIcon->animateTo(isOn ? m_activeIconColor : m_iconColor, duration);
    } else {
        m_shownIcon->animateTo(isOn ? QColor(Qt::transparent) : m_iconColor, duration);
        m_shownAlternateIcon->animateTo(isOn ? m_activeIconColor : QColor(Qt::transparent), duration);
    }
    if (m_glowRadius > 0 && m_glowOpacity > 0)
        m_shownGlow->animateTo(isOn ? m_activeIconColor : QColor(Qt::transparent), duration);
    update();
}

// Ends the transitions of the button itself and of its glow; the icons keep
// theirs and are retargeted (or left alone) by the next animateColors.
void WonderfulButton::removeAnimations()
{
    m_shownBackground->removeAnimation();
    m_shownBorder->removeAnimation();
    m_shownGlow->removeAnimation();
}

void WonderfulButton::setupImage()
{
    if (m_image.name.isEmpty())
        return;
    m_iconFrame = QRect(QPoint(0, 0), m_image.size);
    positionTitleAndImage();
    updateGeometry();
    update();
}

QSize WonderfulButton::titleSize() const
{
    const QFontMetrics metrics(font());
    return { metrics.horizontalAdvance(text()), metrics.height() };
}

void WonderfulButton::positionTitleAndImage()
{
    const int width = this->width();
    const int height = this->height();
    const QSize title = titleSize();
    const int tw = title.width();
    const int th = title.height();
    const int iw = m_iconFrame.width();
    const int ih = m_iconFrame.height();
    const int gapX = nearest((width - (tw + iw)) / 3.0);
    const int gapY = nearest((height - (th + ih)) / 3.0);

    QPoint titleAt(nearest((width - tw) * 0.5), nearest((height - th) * 0.5));
    QPoint iconAt = m_iconFrame.topLeft();
    switch (m_imagePosition) {
    case ImagePosition::imageLeft:
        titleAt.setX(width - tw - 6);
        iconAt = QPoint(gapX, nearest((height - ih) * 0.5));
        break;
    case ImagePosition::imageRight:
        titleAt.setX(2);
        iconAt = QPoint(width - iw - gapX, nearest((height - ih) * 0.5));
        break;
    case ImagePosition::imageBelow:
        titleAt.setY(2);
        iconAt = QPoint(nearest((width - iw) * 0.5), height - gapY - ih);
        break;
    case ImagePosition::imageAbove:
        titleAt.setY(height - th - 2);
        iconAt = QPoint(nearest((width - iw) * 0.5), gapY);
        break;
    default:
        break;
    }
    m_iconFrame.moveTopLeft(iconAt);
    m_titleFrame = QRect(titleAt, title);
}

void WonderfulButton::paintEvent(QPaintEvent*)
{
    positionTitleAndImage();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.5);
    paintBackground(painter);
    paintGlow(painter);
    paintContent(painter, false);
    paintBorder(painter);
    paintFocusRing(painter);
}

void WonderfulButton::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    positionTitleAndImage();
}

void WonderfulButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        // A disabled button is never hit: clicks reach whatever lies below.
        setAttribute(Qt::WA_TransparentForMouseEvents, !isEnabled());
        update();
    } else if (event->type() == QEvent::FontChange) {
        positionTitleAndImage();
    }
}

void WonderfulButton::keyPressEvent(QKeyEvent* event)
{
    const bool isEnterKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isEnterKey && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void WonderfulButton::mouseReleaseEvent(QMouseEvent* event)
{
    QAbstractButton::mouseReleaseEvent(event);
    // A release away from the button that no move announced ends the press
    // without a released() signal.
    if (!isDown())
        pressEnded();
}

const QPixmap& WonderfulButton::maskOf(Picture& picture)
{
    const qreal ratio = devicePixelRatioF();
    if (picture.mask.isNull() || picture.mask.devicePixelRatio() != ratio)
        picture.mask = ::image(picture.name, picture.size, ratio);
    return picture.mask;
}

void WonderfulButton::paintBackground(QPainter& painter) const
{
    const QColor color = m_shownBackground->current();
    if (!color.isValid() || color.alpha() == 0)
        return;
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(path, color);
}

void WonderfulButton::paintGlow(QPainter& painter)
{
    const QColor color = m_shownGlow->current();
    if (m_glowRadius <= 0 || m_glowOpacity <= 0 || color.alpha() == 0)
        return;
    const qreal ratio = devicePixelRatioF();
    QImage shape(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    shape.setDevicePixelRatio(ratio);
    shape.fill(Qt::transparent);
    QPainter shapePainter(&shape);
    paintContent(shapePainter, true);
    shapePainter.end();

    painter.save();
    painter.setOpacity(painter.opacity() * m_glowOpacity);
    painter.drawImage(QPointF(0, 0), glowImage(shape, m_glowRadius * ratio, color));
    painter.restore();
}

// The icons and the title; as a shape (for the glow) everything is opaque.
void WonderfulButton::paintContent(QPainter& painter, bool asShape)
{
    const auto shown = [asShape](const QColor& color) {
        return asShape && color.isValid() && color.alpha() > 0 ? QColor(Qt::black) : color;
    };
    paintIcon(painter, m_image, shown(m_shownIcon->current()));
    paintIcon(painter, m_alternateImage, shown(m_shownAlternateIcon->current()));
    if (text().isEmpty())
        return;
    painter.setPen(shown(m_shownText));
    painter.setFont(font());
    painter.drawText(m_titleFrame, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text());
}

void WonderfulButton::paintIcon(QPainter& painter, Picture& picture, const QColor& color)
{
    if (picture.name.isEmpty() || !color.isValid() || color.alpha() == 0 || m_iconFrame.isEmpty())
        return;
    const QPixmap& mask = maskOf(picture);
    if (mask.isNull())
        return;
    QImage tinted(mask.size(), QImage::Format_ARGB32_Premultiplied);
    tinted.setDevicePixelRatio(mask.devicePixelRatio());
    tinted.fill(color);
    QPainter tintPainter(&tinted);
    tintPainter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    tintPainter.drawPixmap(0, 0, mask);
    tintPainter.end();
    // The icon area clips the picture to its own frame.
    painter.save();
    painter.setClipRect(m_iconFrame, Qt::IntersectClip);
    painter.drawImage(m_iconFrame.topLeft(), tinted);
    painter.restore();
}

// The border lies inside the bounds and over the content, like a layer's border.
void WonderfulButton::paintBorder(QPainter& painter) const
{
    const QColor color = m_shownBorder->current();
    if (m_borderWidth <= 0 || !color.isValid() || color.alpha() == 0)
        return;
    const double inset = m_borderWidth / 2.0;
    const double radius = std::max(0.0, m_cornerRadius - inset);
    painter.save();
    painter.setPen(QPen(color, m_borderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), radius, radius);
    painter.restore();
}

// Shown only when focus arrived by keyboard, as the platform's styles do.
void WonderfulButton::paintFocusRing(QPainter& painter) const
{
    if (!hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange))
        return;
    QColor color = m_shownText;
    color.setAlphaF(0.75f);
    const double inset = m_borderWidth + 0.5;
    const double radius = std::max(0.0, m_cornerRadius - inset);
    painter.save();
    painter.setPen(QPen(color, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), radius, radius);
    painter.restore();
}
