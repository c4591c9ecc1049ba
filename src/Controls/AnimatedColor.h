#pragma once

#include <QColor>
#include <QObject>

class QVariantAnimation;

// One colour of a painted control that moves to a new value with a short
// transition. value() is where the colour is heading (or has arrived),
// current() what to draw at this moment.
class AnimatedColor : public QObject
{
    Q_OBJECT

public:
    // `initial` may be invalid: the colour is then absent and draws nothing.
    explicit AnimatedColor(const QColor& initial, QObject* parent = nullptr);

    QColor value() const { return m_value; }
    QColor current() const;
    bool isAnimating() const;

    // Moves from value() to `target` over `seconds` (at once when not
    // positive) and replaces a running transition. Does nothing at all when
    // value() already is `target`, so repeating a colour never restarts one.
    void animateTo(const QColor& target, double seconds);

    // Ends a running transition; the colour jumps to value().
    void removeAnimation();

signals:
    // The colour to draw has changed.
    void changed();

private:
    QColor m_value;
    QColor m_from;
    QVariantAnimation* m_animation;
};
