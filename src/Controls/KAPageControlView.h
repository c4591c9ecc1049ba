#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

class MBPageControlKnobView;

// A row of round knobs, one per page, the selected one in its own colour; a
// click on a knob selects its page and triggers the control's action.
//
// The knobs' diameter is a percentage of the control's height; the row is
// spread evenly over the width or packed in the middle. The row is rebuilt
// (layoutKnobs) whenever one of the properties that shape it is set, and the
// highlight then follows selectedPage; setting selectedPage alone moves no
// highlight. The constructor builds no knobs. A number of pages of 0 or less
// shows no knobs and keeps selectedPage at 0.
// Disabling the control (QWidget::setEnabled) fades it to 0.7 and makes the
// knobs ignore the pointer.
class KAPageControlView : public QWidget
{
    Q_OBJECT

public:
    explicit KAPageControlView(QWidget* parent = nullptr);

    // Gap between neighbouring knobs when the row is packed in the middle.
    qreal distanceBetweenKnobs() const { return m_distanceBetweenKnobs; }
    void setDistanceBetweenKnobs(qreal distance);
    // Percent of the height a knob is smaller than the control.
    qreal insetKnobHeight() const { return m_insetKnobHeight; }
    void setInsetKnobHeight(qreal percent);
    int numberOfPages() const { return m_numberOfPages; }
    void setNumberOfPages(int pages);
    bool distributeHorizontaly() const { return m_distributeHorizontaly; }
    void setDistributeHorizontaly(bool distribute);

    QColor circleBackgroundColor() const { return m_circleBackgroundColor; }
    void setCircleBackgroundColor(const QColor& color);
    QColor circleSelectedColor() const { return m_circleSelectedColor; }
    void setCircleSelectedColor(const QColor& color);

    // Stored modulo numberOfPages with the sign of `page` (7 of 5 is 2,
    // -1 stays -1); the knobs keep their look until the next rebuild.
    int selectedPage() const { return m_selectedPage; }
    void setSelectedPage(int page);

    // 1.0 when enabled, 0.7 when disabled.
    qreal alphaValue() const { return m_alphaValue; }

    QList<MBPageControlKnobView*> knobs() const { return m_pages; }

    // Removes every knob and builds the row again for the current size.
    void layoutKnobs();
    // Hands the colours, the enabled state and the alpha to every knob.
    void updateKnobs();

    // The action of every knob.
    void aKnobHasBeenSelected(MBPageControlKnobView* knob);

signals:
    // A knob was clicked; selectedPage is its page.
    void actionTriggered();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    qreal knobDiameter() const;
    QList<QRectF> knobFrames() const;
    MBPageControlKnobView* makeKnob(int id, const QRectF& frame);

    qreal m_distanceBetweenKnobs = 6.0;
    qreal m_insetKnobHeight = 25.0;
    QColor m_circleBackgroundColor = QColor::fromRgbF(0.92f, 0.92f, 0.92f);
    QColor m_circleSelectedColor = QColor::fromRgbF(0.306f, 0.824f, 0.341f);
    int m_numberOfPages = 5;
    int m_selectedPage = 0;
    bool m_distributeHorizontaly = true;
    QList<MBPageControlKnobView*> m_pages;
    qreal m_alphaValue = 1.0;
};
