#include "CommandLine/TerminalProgressBar.h"

#include <QString>
#include <QTextStream>

#include <algorithm>

namespace {
constexpr int kBarWidth = 40;
}

TerminalProgressBar::TerminalProgressBar(QTextStream& stream, bool enabled)
    : m_stream(stream)
    , m_enabled(enabled)
{
}

void TerminalProgressBar::update(float fraction)
{
    if (!m_enabled)
        return;
    const int permille = int(std::clamp(fraction, 0.0f, 1.0f) * 1000.0f);
    if (permille == m_shownPermille)
        return;
    m_shownPermille = permille;

    const int filled = permille * kBarWidth / 1000;
    m_stream << '\r' << '[' << QString(filled, u'#') << QString(kBarWidth - filled, u' ') << "] "
             << qSetFieldWidth(3) << permille / 10 << qSetFieldWidth(0) << '%';
    m_stream.flush();
}

void TerminalProgressBar::finish()
{
    if (m_shownPermille < 0)
        return;
    m_stream << '\n';
    m_stream.flush();
    m_shownPermille = -1;
}
