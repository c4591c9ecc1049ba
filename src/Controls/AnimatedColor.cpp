#include "Controls/AnimatedColor.h"

#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {
// Mixes in premultiplied space, so a fade from an absent (transparent) colour
// does not pass through dark shades.
QColor mix(const QColor& from, const QColor& to, float t)
{
    const QColor start = from.isValid() ? from : QColor(Qt::transparent);
    const auto lerp = [t](float a, float b) { return a + (b - a) * t; };
    const float alpha = lerp(start.alphaF(), to.alphaF());
    if (alpha <= 0.0f)
        return QColor(Qt::transparent);
    const auto channel = [&](float a, float b) {
        return std::clamp(lerp(a * start.alphaF(), b * to.alphaF()) / alpha, 0.0f, 1.0f);
    };
    return QColor::fromRgbF(channel(start.redF(), to.redF()), channel(start.greenF(), to.greenF()),
                            channel(start.blueF(), to.blueF()), alpha);
}
} // namespace

AnimatedColor::AnimatedColor(const QColor& initial, QObject* parent)
    : QObject(parent)
    , m_value(initial)
    , m_animation(new QVariantAnimation(this))
{
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    connect(m_animation, &QVariantAnimation::valueChanged, this, &AnimatedColor::changed);
}

QColor AnimatedColor::current() const
{
    if (!isAnimating())
        return m_value;
    return mix(m_from, m_value, m_animation->currentValue().toFloat());
}

bool AnimatedColor::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void AnimatedColor::animateTo(const QColor& target, double seconds)
{
    if (m_value.isValid() && m_value == target)
        return;
    m_animation->stop();
    m_from = m_value;
    m_value = target;
    const int milliseconds = static_cast<int>(std::lround(seconds * 1000.0));
    if (milliseconds > 0) {
        m_animation->setDuration(milliseconds);
        m_animation->start();
    }
    emit changed();
}

void AnimatedColor::removeAnimation()
{
    if (!isAnimating())
        return;
    m_animation->stop();
    emit changed();
}
