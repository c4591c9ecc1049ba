#pragma once

class QTextStream;

// A one-line progress bar redrawn in place on a terminal. Draws nothing when
// disabled (the stream is not a terminal) and redraws only when what it shows
// changes, however often it is fed.
class TerminalProgressBar
{
public:
    TerminalProgressBar(QTextStream& stream, bool enabled);

    void update(float fraction);
    // Ends the bar's line, if one was drawn.
    void finish();

private:
    QTextStream& m_stream;
    bool m_enabled;
    int m_shownPermille = -1;
};
